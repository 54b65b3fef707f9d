// Binary object meshes: the input is the triangle records; the 80-byte
// header and the triangle count are put in front of them so that most inputs
// reach the records instead of the size check. Every record read comes out
// with its own stored normal.
#include "objectmeshcheck.h"

#include <QtEndian>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const quint32 count = quint32(size / 50);
    QByteArray file(80, ' ');
    file.replace(0, 6, "binary");
    char countBytes[4];
    qToLittleEndian(count, countBytes);
    file.append(countBytes, 4);
    file.append(reinterpret_cast<const char *>(data), int(count * 50));
    const QString path = fuzz::writeScratch(
        QStringLiteral("object.stl"), reinterpret_cast<const std::uint8_t *>(file.constData()),
        std::size_t(file.size()));
    ObjectEntry entry;
    const int result = readObjectMesh(path, entry);
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(entry.triangleCount() == count);
    fuzz::checkObjectMesh(entry, result, false);
    for (quint32 t = 0; t < count; ++t) {
        float stored[3];
        for (int k = 0; k < 3; ++k)
            stored[k] = qFromLittleEndian<float>(data + 50 * t + 4 * k);
        for (int k = 0; k < 9; ++k) {
            const float got = entry.normals[9 * t + std::size_t(k)];
            FUZZ_CHECK(std::memcmp(&got, &stored[k % 3], 4) == 0);
        }
    }
    return 0;
}
