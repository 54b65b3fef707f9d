#include "tool.h"

#include "kinematics/logging.h"
#include "meshtext.h"
#include "texts/uitexts.h"

#include <QDebug>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <string>

Tool::Tool() : meshPlacement(toolbox::identity()) {}

namespace {

using uitext::Text;

// The words of an ASCII STL file that carry no values of their own.
bool isStructureWord(std::string_view w)
{
    for (std::string_view known : {"solid", "endsolid", "facet", "endfacet", "outer", "endloop"})
        if (w == known)
            return true;
    return false;
}

// Lines whose keyword stands in the first column count for nothing (the
// keyword rule); they are not damage either.
bool isKeywordWord(std::string_view w)
{
    for (std::string_view known : {"vertex", "normal", "color", "toolparts"})
        if (w == known)
            return true;
    return w.substr(0, 2) == "H=" || w.substr(0, 7) == "Htool0=";
}

// Tabs, and the CR of files written on another system at the end of a line,
// are text; other control bytes are what binary files are made of.
bool isText(std::string_view line)
{
    for (const char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t') || c == 0x7f)
            return false;
    }
    return true;
}

// Exactly `count` finite numbers after the keyword found at `pos` (the
// keyword and the one character after it dropped), separated by blanks.
bool readNumbers(std::string_view line, std::size_t pos, std::size_t keywordLength, double *out,
                 int count, QString *why)
{
    const std::size_t start = pos + keywordLength + 1;
    const std::string_view rest = start < line.size() ? line.substr(start) : std::string_view();
    int found = 0;
    std::size_t i = 0;
    while (i < rest.size()) {
        if (rest[i] == ' ' || rest[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t')
            ++end;
        const std::string_view piece = rest.substr(i, end - i);
        i = end;
        // A C number ("+1", ".5", "1e3"); "nan", "inf" and values beyond a
        // double are no place for a vertex.
        const std::string_view digits = piece.front() == '+' ? piece.substr(1) : piece;
        double v = 0.0;
        const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (digits.empty() || (digits.front() == '-' && piece.front() == '+') ||
            res.ec != std::errc() || res.ptr != digits.data() + digits.size() ||
            !std::isfinite(v)) {
            *why = uitext::get(Text::NotANumber)
                       .arg(QString::fromUtf8(piece.data(), int(piece.size())));
            return false;
        }
        if (found < count)
            out[found] = v;
        ++found;
    }
    if (found != count) {
        *why = uitext::get(Text::NumbersExpected).arg(count).arg(found);
        return false;
    }
    return true;
}

} // namespace

int Tool::readPart(std::istream &in, int partIndex, Damage *damage)
{
    Joint part;
    int toolparts = 1;
    std::string text;
    int lineNumber = 0, facetLine = 0, facetVertices = 0;
    std::size_t vertices = 0;
    Damage local;
    Damage &d = damage ? *damage : local;
    d = Damage();
    const auto damaged = [&d, &lineNumber](const QString &why) {
        d.line = lineNumber;
        d.why = why;
    };
    while (std::getline(in, text)) {
        ++lineNumber;
        std::string_view line(text);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (lineNumber == 1 && line.substr(0, 3) == "\xef\xbb\xbf")
            line.remove_prefix(3); // the byte order mark some editors put first
        if (!isText(line)) {
            damaged(uitext::get(Text::NotText));
            break;
        }
        const std::size_t wordStart = std::min(line.find_first_not_of(" \t"), line.size());
        const std::string_view word =
            line.substr(wordStart, line.find_first_of(" \t", wordStart) - wordStart);
        QString why;
        double v[6];
        // A solid's name is free text: "solid vertex_pen" holds no vertex.
        const bool nameLine = word == "solid" || word == "endsolid";
        if (word == "facet") {
            if (facetLine != 0) {
                lineNumber = facetLine;
                damaged(uitext::get(Text::FacetNotClosed));
                break;
            }
            facetLine = lineNumber;
            facetVertices = 0;
        } else if (word == "endfacet" && facetLine != 0) {
            if (facetVertices != 3) {
                damaged(uitext::get(Text::VerticesNotThree).arg(facetVertices));
                break;
            }
            facetLine = 0;
        }
        bool known = nameLine || isStructureWord(word) || isKeywordWord(word) || word.empty();
        std::size_t pos = meshtext::kNotFound;
        char geometry = 0;
        for (const auto &[keyword, kind] :
             {std::pair{"vertex", 'v'}, {"normal", 'n'}, {"color", 'c'}}) {
            if (nameLine || (pos = meshtext::keywordAt(line, keyword)) == meshtext::kNotFound)
                continue;
            geometry = kind;
            break;
        }
        if (geometry) {
            if (!readNumbers(line, pos, geometry == 'c' ? 5 : 6, v, 3, &why)) {
                damaged(why);
                break;
            }
            if (geometry == 'v') {
                part.addVertex(v[0], v[1], v[2]);
                ++vertices;
                ++facetVertices;
            } else if (geometry == 'n') {
                part.addNormal(v[0], v[1], v[2]);
            } else {
                // The file writes blue, green, red.
                part.setColor(float(v[2]), float(v[1]), float(v[0]));
            }
            continue;
        }
        if (nameLine)
            continue;
        // The tool file's own keywords; in part files they are known words
        // that count for nothing.
        if ((pos = meshtext::keywordAt(line, "H=")) != meshtext::kNotFound) {
            known = true;
            if (partIndex == 0) {
                if (!readNumbers(line, pos, 2, v, 6, &why)) {
                    damaged(why);
                    break;
                }
                for (int i = 0; i < 6; ++i)
                    tcp[i] = static_cast<float>(v[i]);
            }
        }
        if ((pos = meshtext::keywordAt(line, "toolparts")) != meshtext::kNotFound) {
            known = true;
            if (partIndex == 0) {
                if (!readNumbers(line, pos, 9, v, 1, &why)) {
                    damaged(why);
                    break;
                }
                if (v[0] > kMaxParts) {
                    qCWarning(lcTool)
                        << "toolparts" << v[0] << "is not a sensible count; reading at most"
                        << kMaxParts << "part files";
                    toolparts = kMaxParts;
                } else {
                    toolparts = v[0] < 0 ? 0 : static_cast<int>(v[0]);
                }
            }
        }
        if ((pos = meshtext::keywordAt(line, "Htool0=")) != meshtext::kNotFound) {
            known = true;
            if (partIndex == 0) {
                if (!readNumbers(line, pos, 7, v, 6, &why)) {
                    damaged(why);
                    break;
                }
                const Pose6 p{float(v[0]), float(v[1]), float(v[2]),
                              float(v[3]), float(v[4]), float(v[5])};
                meshPlacement =
                    toolbox::rigidInverse(toolbox::poseToMatrix(p, toolbox::EulerZYXRelative));
            }
        }
        if (!known) {
            const QString shown = QString::fromUtf8(
                line.data() + wordStart, int(std::min<std::size_t>(line.size() - wordStart, 40)));
            damaged(uitext::get(Text::NotAMeshLine).arg(shown));
            break;
        }
    }
    // A file cut short ends inside a facet or a triangle.
    if (d.line == 0 && facetLine != 0) {
        lineNumber = facetLine;
        damaged(uitext::get(Text::FacetNotClosed));
    } else if (d.line == 0 && vertices % 3 != 0) {
        damaged(uitext::get(Text::VerticesNotThree).arg(vertices % 3));
    }
    parts.push_back(std::move(part));
    return toolparts;
}

bool Tool::load(const char *fileName, QString *why)
{
    const std::string name = fileName ? fileName : "";
    const QString shown = QString::fromUtf8(name.c_str());
    // Only a plain file: a directory reads as nothing and a device may
    // never end.
    std::ifstream in;
    if (QFileInfo(shown).isFile())
        in.open(name, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        qCDebug(lcTool) << "Tool file doesn't exist" << fileName;
        if (why)
            *why = uitext::get(Text::FileCannotOpen);
        return false;
    }
    const auto refuse = [this, why](const QString &file, const Damage &d) {
        reset();
        const QString text =
            uitext::get(Text::LineOfFile).arg(d.line).arg(QFileInfo(file).fileName(), d.why);
        qCWarning(lcTool).noquote() << file << text;
        if (why)
            *why = text;
        return false;
    };
    Damage d;
    const int count = readPart(in, 0, &d);
    if (d.line != 0)
        return refuse(shown, d);
    // The part files share the tool file's name without ".tool".
    const std::string base = name.size() >= 5 ? name.substr(0, name.size() - 5) : std::string();
    for (int i = 1; i <= count; ++i) {
        const std::string partName = base + "-" + std::to_string(i) + ".stl";
        if (!QFileInfo(QString::fromUtf8(partName.c_str())).isFile())
            continue;
        std::ifstream partFile(partName, std::ios::in | std::ios::binary);
        if (!partFile.is_open())
            continue;
        readPart(partFile, i, &d);
        if (d.line != 0)
            return refuse(QString::fromUtf8(partName.c_str()), d);
    }
    return true;
}

bool Tool::probe(const char *fileName, QString *why)
{
    Tool t;
    const bool ok = t.load(fileName, why);
    t.reset();
    return ok;
}

void Tool::attach()
{
    for (Joint &part : parts)
        part.attachGeometry(toolbox::identity(), 1.0f);
}

void Tool::reset()
{
    for (Joint &part : parts)
        part.reset();
    parts.clear();
}
