// Link meshes (ASCII STL with indented keyword lines and "color B G R"): the
// count the reader returns is the vertices it kept, and its box holds them.
#include "fuzzsupport.h"

#include "kinematics/joint.h"
#include "models/datadirs.h"
#include "models/xml.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool ready = [] {
        QDir(fuzz::scratchDir()).mkpath(QStringLiteral("bin"));
        QDir(fuzz::scratchDir()).mkpath(QStringLiteral("CAD_Robots"));
        DataDirs::setApplicationDirForTesting(fuzz::scratchDir() + QStringLiteral("/bin"));
        return true;
    }();
    (void)ready;
    fuzz::writeScratch(QStringLiteral("CAD_Robots/link.stl"), data, size);
    Joint joint;
    const int n = xml::loadJoint("link", joint);
    FUZZ_CHECK(n >= 0);
    FUZZ_CHECK(std::size_t(n) == joint.getVertices().size());
    const auto &box = joint.getBox(); // min x, y, z then max x, y, z
    for (const Joint::Point &p : joint.getVertices())
        for (int k = 0; k < 3; ++k)
            if (p[std::size_t(k)] == p[std::size_t(k)]) // NaN sits in no box
                FUZZ_CHECK(box[std::size_t(k)] <= float(p[std::size_t(k)]) &&
                           float(p[std::size_t(k)]) <= box[std::size_t(k + 3)]);
    return 0;
}
