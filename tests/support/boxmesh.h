// A box written as an ASCII STL file, for objects the tests place by hand:
// corners `lo` to `hi` (mm) in a frame given as a row-major pose, so a box
// can stand square to the tool wherever the tool points.
#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>
#include <array>

namespace support {

inline bool writeBox(const QString &fileName, const std::array<float, 16> &frame,
                     const std::array<double, 3> &lo, const std::array<double, 3> &hi)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(4);
    const auto corner = [&](int i, int row) {
        const double local[3] = {(i & 1 ? hi : lo)[0], (i & 2 ? hi : lo)[1], (i & 4 ? hi : lo)[2]};
        return frame[std::size_t(4 * row)] * local[0] + frame[std::size_t(4 * row + 1)] * local[1] +
               frame[std::size_t(4 * row + 2)] * local[2] + frame[std::size_t(4 * row + 3)];
    };
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    out << "solid box\n";
    for (const auto &q : faces)
        for (const auto &t : {std::array<int, 3>{q[0], q[1], q[2]}, {q[0], q[2], q[3]}}) {
            out << "facet normal 0 0 0\nouter loop\n";
            for (int c : t)
                out << "vertex " << corner(c, 0) << ' ' << corner(c, 1) << ' ' << corner(c, 2)
                    << '\n';
            out << "endloop\nendfacet\n";
        }
    out << "endsolid box\n";
    return out.status() == QTextStream::Ok;
}

} // namespace support
