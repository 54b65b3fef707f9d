// Station files: a station that was read, written and read again is the
// same station, and writing it again gives the same text.
#include "fuzzsupport.h"

#include "stations/stationfile.h"

#include <cmath>

namespace {

// Reals are written with six decimals.
bool sameReal(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= 5e-7 * std::max(1.0, std::fabs(a)) + 1e-9;
}

template <std::size_t N>
bool sameReals(const std::array<double, N> &a, const std::array<double, N> &b)
{
    for (std::size_t k = 0; k < N; ++k)
        if (!sameReal(a[k], b[k]))
            return false;
    return true;
}

void checkSame(const Station &a, const Station &b)
{
    FUZZ_CHECK(a.language == b.language && a.euler == b.euler);
    FUZZ_CHECK(a.robots.size() == b.robots.size() && a.objects.size() == b.objects.size());
    for (int i = 0; i < a.robots.size(); ++i) {
        const StationRobot &r = a.robots.at(i), &s = b.robots.at(i);
        FUZZ_CHECK(r.file == s.file && r.tool == s.tool && r.name == s.name);
        FUZZ_CHECK(r.visible == s.visible && r.hasJoints == s.hasJoints);
        FUZZ_CHECK(sameReals(r.world, s.world) && sameReals(r.placement, s.placement));
        if (r.hasJoints)
            FUZZ_CHECK(sameReals(r.joints, s.joints));
    }
    for (int i = 0; i < a.objects.size(); ++i) {
        const StationObject &o = a.objects.at(i), &p = b.objects.at(i);
        FUZZ_CHECK(o.path == p.path && o.name == p.name);
        FUZZ_CHECK(o.visible == p.visible && o.flipNormals == p.flipNormals);
        FUZZ_CHECK(sameReal(o.scale, p.scale) && sameReals(o.pose, p.pose));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    Station first;
    if (StationFile::parse(bytes, QStringLiteral("fuzz.vks"), &first) != StationFile::Ok)
        return 0;
    // A "#" inside a field cannot be written (the writer refuses it).
    for (const StationRobot &r : first.robots)
        for (const QString &f : {r.file, r.tool, r.name})
            if (f.contains(QLatin1Char('#')))
                return 0;
    for (const StationObject &o : first.objects)
        for (const QString &f : {o.path, o.name})
            if (f.contains(QLatin1Char('#')))
                return 0;

    const QString path = fuzz::scratchDir() + QStringLiteral("/station.vks");
    FUZZ_CHECK(StationFile::write(path, first) == StationFile::Ok);
    Station second;
    FUZZ_CHECK(StationFile::read(path, &second) == StationFile::Ok);
    checkSame(first, second);
    FUZZ_CHECK(StationFile::text(second) == StationFile::text(first));
    return 0;
}
