#include "meshtext.h"

#include "cnumber.h"
#include "kinematics/joint.h"

namespace meshtext {

std::size_t keywordAt(std::string_view line, std::string_view keyword)
{
    // Only the first 999 columns can start a keyword; long lines of binary
    // junk are not scanned further.
    const std::string_view head = line.substr(0, 999 + keyword.size());
    const std::size_t pos = head.find(keyword);
    if (pos == std::string_view::npos || pos < 1 || pos > 999)
        return kNotFound;
    return pos;
}

void numbersAfter(std::string_view line, std::size_t pos, std::size_t keywordLength, double *out,
                  int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = 0.0;
    std::size_t start = pos + keywordLength + 1;
    if (start > line.size())
        return;
    std::string_view rest = line.substr(start);
    // Line ends of files written on another system are not part of a number.
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n'))
        rest.remove_suffix(1);
    int found = 0;
    std::size_t i = 0;
    while (found < count && i < rest.size()) {
        while (i < rest.size() && rest[i] == ' ')
            ++i;
        if (i >= rest.size())
            break;
        const std::size_t end = rest.find(' ', i);
        const std::string_view piece =
            rest.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
        out[found++] = cnumber::toDouble(piece);
        if (end == std::string_view::npos)
            break;
        i = end;
    }
}

char applyGeometryLine(std::string_view line, Joint &target, bool extendBox)
{
    double v[3];
    std::size_t pos = keywordAt(line, "vertex");
    if (pos != kNotFound) {
        numbersAfter(line, pos, 6, v, 3);
        target.addVertex(v[0], v[1], v[2]);
        if (extendBox)
            target.extendBox(v[0], v[1], v[2]);
        return 'v';
    }
    pos = keywordAt(line, "normal");
    if (pos != kNotFound) {
        numbersAfter(line, pos, 6, v, 3);
        target.addNormal(v[0], v[1], v[2]);
        return 'n';
    }
    pos = keywordAt(line, "color");
    if (pos != kNotFound) {
        numbersAfter(line, pos, 5, v, 3);
        // The file writes blue, green, red.
        target.setColor(float(v[2]), float(v[1]), float(v[0]));
        return 'c';
    }
    return 0;
}

} // namespace meshtext
