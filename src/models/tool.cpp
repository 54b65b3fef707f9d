#include "tool.h"

#include "cnumber.h"
#include "kinematics/logging.h"
#include "meshtext.h"

#include <QDebug>
#include <QFile>
#include <cmath>
#include <fstream>
#include <string>

Tool::Tool() : meshPlacement(toolbox::identity()) {}

int Tool::readPart(std::istream &in, int partIndex)
{
    Joint part;
    int toolparts = 1;
    std::string line;
    while (std::getline(in, line)) {
        if (meshtext::applyGeometryLine(line, part, false) != 0 || partIndex != 0)
            continue;
        double v[6];
        std::size_t pos = meshtext::keywordAt(line, "H=");
        if (pos != meshtext::kNotFound) {
            meshtext::numbersAfter(line, pos, 2, v, 6);
            for (int i = 0; i < 6; ++i)
                tcp[i] = static_cast<float>(v[i]);
            tcpRead = true;
        }
        pos = meshtext::keywordAt(line, "toolparts");
        if (pos != meshtext::kNotFound) {
            meshtext::numbersAfter(line, pos, 9, v, 1);
            if (!std::isfinite(v[0]) || v[0] > kMaxParts) {
                qCWarning(lcTool) << "toolparts" << v[0]
                                  << "is not a sensible count; reading at most" << kMaxParts
                                  << "part files";
                toolparts = std::isnan(v[0]) || v[0] < 0 ? 0 : kMaxParts;
            } else {
                toolparts = v[0] < 0 ? 0 : static_cast<int>(v[0]);
            }
        }
        pos = meshtext::keywordAt(line, "Htool0=");
        if (pos != meshtext::kNotFound) {
            meshtext::numbersAfter(line, pos, 7, v, 6);
            const Pose6 p{float(v[0]), float(v[1]), float(v[2]),
                          float(v[3]), float(v[4]), float(v[5])};
            meshPlacement =
                toolbox::rigidInverse(toolbox::poseToMatrix(p, toolbox::EulerZYXRelative));
        }
    }
    parts.push_back(std::move(part));
    return toolparts;
}

bool Tool::load(const char *fileName)
{
    const std::string name = fileName ? fileName : "";
    std::ifstream in(name, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        qCDebug(lcTool) << "Tool file doesn't exist" << fileName;
        return false;
    }
    const int count = readPart(in, 0);
    // The part files share the tool file's name without ".tool".
    const std::string base = name.size() >= 5 ? name.substr(0, name.size() - 5) : std::string();
    for (int i = 1; i <= count; ++i) {
        std::ifstream partFile(base + "-" + std::to_string(i) + ".stl",
                               std::ios::in | std::ios::binary);
        if (partFile.is_open())
            readPart(partFile, i);
    }
    return true;
}

bool Tool::probe(const char *fileName, QString *why)
{
    std::ifstream in(fileName ? fileName : "", std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        if (why)
            *why = QStringLiteral("the file cannot be opened");
        return false;
    }
    Tool t;
    t.readPart(in, 0);
    t.reset();
    if (!t.tcpRead && why)
        *why = QStringLiteral("it has no \"H=\" line giving the tool frame");
    return t.tcpRead;
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
