// Object meshes as they come: the first line decides ASCII or binary.
#include "objectmeshcheck.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzz::writeScratch(QStringLiteral("object.stl"), data, size);
    ObjectEntry entry;
    const int result = readObjectMesh(path, entry);

    // Read as ASCII for certain: "solid" in the first line (at most 80
    // bytes) and a size that no binary file of its count would have.
    const char *text = reinterpret_cast<const char *>(data);
    std::size_t firstLine = std::min<std::size_t>(size, 80);
    if (const void *nl = std::memchr(text, '\n', firstLine))
        firstLine = std::size_t(static_cast<const char *>(nl) - text) + 1;
    const bool solid = std::search(text, text + firstLine, "solid", "solid" + 5) != text + firstLine;
    const bool binarySize = size >= 84 && size == 84 + 50 * std::uint64_t(qFromLittleEndian<quint32>(data + 80));
    if (solid)
        FUZZ_CHECK(result == 0);
    fuzz::checkObjectMesh(entry, result, solid && !binarySize);
    return 0;
}
