// Tool files: the part count stays within its bound, and the mesh placement
// read from "Htool0=" is a rigid frame (it is stored inverted) whenever its
// numbers are finite.
#include "fuzzsupport.h"

#include "models/tool.h"

#include <cmath>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    Tool tool;
    const int parts = tool.readPart(in, 0);
    FUZZ_CHECK(parts >= 0 && parts <= Tool::kMaxParts);
    FUZZ_CHECK(tool.getParts().size() == 1);
    tool.attach();

    const Matrix4 &m = tool.getMeshPlacement();
    bool finite = true;
    for (float v : m)
        finite = finite && std::isfinite(v);
    if (!finite)
        return 0;
    // Rows of the rotation are unit vectors at right angles; the last row
    // is (0, 0, 0, 1).
    for (int r = 0; r < 3; ++r)
        for (int s = 0; s < 3; ++s) {
            double dot = 0.0;
            for (int c = 0; c < 3; ++c)
                dot += double(m[std::size_t(4 * r + c)]) * double(m[std::size_t(4 * s + c)]);
            FUZZ_CHECK(std::fabs(dot - (r == s ? 1.0 : 0.0)) < 1e-4);
        }
    FUZZ_CHECK(m[12] == 0.0f && m[13] == 0.0f && m[14] == 0.0f && m[15] == 1.0f);
    return 0;
}
