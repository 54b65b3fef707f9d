#include "xml.h"

#include "cnumber.h"
#include "datadirs.h"
#include "kinematics/joint.h"
#include "kinematics/logging.h"
#include "meshtext.h"

#include <QDebug>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <tinyxml.h>

namespace {

constexpr double kLimitBound = 1e9;

// Why the last description was refused, in words for the user: the log
// says more, but a user without a console must learn what to fix.
QString &lastErrorText()
{
    static QString text;
    return text;
}

void refuse(const QString &why)
{
    lastErrorText() = why;
}

// A missing attribute reads as an empty text, hence as 0.
const char *attr(const TiXmlElement *e, const char *name)
{
    const char *v = e->Attribute(name);
    return v ? v : "";
}

float attrFloat(const TiXmlElement *e, const char *name)
{
    return static_cast<float>(cnumber::toDouble(attr(e, name)));
}

// Link parameters and limits. A value that is no finite number (an
// overflowing exponent, "nan", "inf") reads as 0, and limits stay within the
// integer range the panel's sliders are built from.
double attrReal(const TiXmlElement *e, const char *name, double bound = 1e12)
{
    const double v = cnumber::toDouble(attr(e, name));
    if (!std::isfinite(v))
        return 0.0;
    return std::clamp(v, -bound, bound);
}

int attrInt(const TiXmlElement *e, const char *name)
{
    return cnumber::toInt(attr(e, name));
}

const char *nodeName(const TiXmlNode *n)
{
    return n && n->Value() ? n->Value() : "";
}

bool named(const TiXmlNode *n, const char *name)
{
    return n && n->ToElement() && std::strcmp(nodeName(n), name) == 0;
}

QString missing(const char *section, const TiXmlNode *found)
{
    const QString what = QString::fromUtf8(nodeName(found));
    return what.isEmpty() ? QStringLiteral("the section %1 is missing").arg(QLatin1String(section))
                          : QStringLiteral("the section %1 is missing (found \"%2\" in its place)")
                                .arg(QLatin1String(section), what);
}

// Reads one mesh file into `target`; returns the number of vertex lines, or
// -1 when the file cannot be opened.
int readMeshFile(const QString &path, Joint &target, bool extendBox)
{
    std::ifstream in(QFile::encodeName(path).constData(), std::ios::in | std::ios::binary);
    if (!in.is_open())
        return -1;
    int vertexLines = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (meshtext::applyGeometryLine(line, target, extendBox) == 'v')
            ++vertexLines;
    }
    return vertexLines;
}

} // namespace

int xml::loadData(const char *fileName, std::vector<Joint> &joints, float *cadBase, float *cadScale,
                  float *cadOffsets, int *angleType)
{
    lastErrorText().clear();
    TiXmlDocument doc(fileName ? fileName : "");
    if (!doc.LoadFile(TIXML_ENCODING_UNKNOWN)) {
        qCDebug(lcXml) << "doc.LoadFile() failed" << fileName << doc.ErrorDesc();
        const QString desc = QString::fromUtf8(doc.ErrorDesc());
        if (doc.ErrorId() == TiXmlBase::TIXML_ERROR_OPENING_FILE) {
            refuse(QStringLiteral("the file cannot be opened"));
        } else if (doc.ErrorRow() > 0) {
            refuse(QStringLiteral("broken XML at line %1: %2").arg(doc.ErrorRow()).arg(desc));
        } else {
            // TinyXML has no line for a document cut short: it is the last.
            int lines = 1;
            QFile file(QString::fromLocal8Bit(fileName));
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.read(16 * 1024 * 1024);
                lines = qMax(1, int(bytes.count('\n')) + (bytes.endsWith('\n') ? 0 : 1));
            }
            refuse(QStringLiteral("broken XML at line %1 (the end of the file): %2")
                       .arg(lines)
                       .arg(desc));
        }
        return -1;
    }
    return processFile(joints, &doc, cadBase, cadScale, cadOffsets, angleType);
}

int xml::processFile(std::vector<Joint> &joints, TiXmlNode *document, float *cadBase,
                     float *cadScale, float *cadOffsets, int *angleType)
{
    if (!document)
        return 0;

    // 1. Root and its first child, which must be robot_dk.
    TiXmlNode *root = document->FirstChild();
    if (!root) {
        qCDebug(lcXml) << "Error: expected robot_dk in XML file (found )";
        refuse(QStringLiteral("the section robot_dk is missing"));
        return -1;
    }
    TiXmlNode *dk = root->FirstChild();
    qCDebug(lcXml) << "Root:" << nodeName(root) << "first child:" << nodeName(dk);
    if (!named(dk, "robot_dk")) {
        // A comment or declaration before the root shows its text here.
        const char *found = dk ? nodeName(dk) : nodeName(root);
        qCDebug(lcXml).noquote() << QStringLiteral(
                                        "Error: expected robot_dk in XML file (found %1)")
                                        .arg(QString::fromUtf8(found));
        refuse(QStringLiteral("the section robot_dk is missing (found \"%1\")")
                   .arg(QString::fromUtf8(found)));
        return -1;
    }

    // 2. Axis elements, the base first.
    TiXmlNode *first = dk->FirstChild();
    if (first && !first->ToElement()) {
        qCDebug(lcXml) << "Error: the first child of robot_dk is not an element";
        refuse(QStringLiteral("robot_dk does not start with an axis element"));
        return -1;
    }
    int count = 0;
    for (TiXmlElement *e = first ? first->ToElement() : nullptr; e; e = e->NextSiblingElement()) {
        const char *id = e->Attribute("id");
        if (!id) {
            qCDebug(lcXml) << "Error: axis element without id" << nodeName(e);
            refuse(QStringLiteral("the axis element %1 in robot_dk has no id")
                       .arg(QString::fromUtf8(nodeName(e))));
            return -1;
        }
        Joint j;
        j.setId(id);
        if (id[0] != 'B') {
            j.setLimsup(attrReal(e, "limsup", kLimitBound));
            j.setLiminf(attrReal(e, "liminf", kLimitBound));
            j.setAlpha(attrReal(e, "alpha"));
            j.setA(attrReal(e, "a"));
            j.setTheta(attrReal(e, "theta"));
            j.setD(float(attrReal(e, "d")));
        }
        j.setAngle(0.0f);
        // The previous record keeps a copy of this axis as its first part:
        // the classic-DH display frame needs the next axis' a.
        if (!joints.empty())
            joints.back().addPart(j);
        joints.push_back(j);
        ++count;
    }
    if (count != 7)
        qCDebug(lcXml).noquote()
            << QStringLiteral("Error : There should be 7 axis info entries (axis found = %1)")
                   .arg(count);
    // Reading goes on (the caller refuses a robot that is short of axes),
    // but the reason must be at hand when it does.
    if (count < 7)
        refuse(QStringLiteral("robot_dk holds %1 elements, fewer than seven (the base and six "
                              "axes)")
                   .arg(count));

    // 3. Geometry section.
    TiXmlElement *geometry = dk->NextSiblingElement();
    qCDebug(lcXml) << "Section:" << nodeName(geometry);
    if (!named(geometry, "robot_geometry")) {
        qCDebug(lcXml).noquote() << QStringLiteral(
                                        "Error: expected robot_geometry in XML file (found %1)")
                                        .arg(QString::fromUtf8(nodeName(geometry)));
        refuse(missing("robot_geometry", geometry));
        return -1;
    }
    TiXmlNode *firstGeo = geometry->FirstChild();
    if (firstGeo && !firstGeo->ToElement()) {
        qCDebug(lcXml) << "Error: the first child of robot_geometry is not an element";
        refuse(QStringLiteral("robot_geometry does not start with a geometry element"));
        return -1;
    }
    int geoCount = 0;
    for (TiXmlElement *g = firstGeo ? firstGeo->ToElement() : nullptr; g;
         g = g->NextSiblingElement()) {
        processGeometry(joints, g);
        ++geoCount;
    }
    if (geoCount != 7)
        qCDebug(lcXml).noquote()
            << QStringLiteral("Error : There should be 7 geometric files (geometries found = %1)")
                   .arg(geoCount);

    // 5. CAD base pose.
    TiXmlElement *base = geometry->NextSiblingElement();
    if (!named(base, "CAD_base")) {
        qCDebug(lcXml).noquote() << QStringLiteral(
                                        "Error: expected CAD_BASE in XML file (found %1)")
                                        .arg(QString::fromUtf8(nodeName(base)));
        refuse(missing("CAD_base", base));
        return -1;
    }
    static const char *const baseNames[6] = {"x", "y", "z", "rx", "ry", "rz"};
    for (int i = 0; i < 6; ++i)
        cadBase[i] = attrFloat(base, baseNames[i]);
    qCDebug(lcXml) << "CAD base:" << cadBase[0] << cadBase[1] << cadBase[2];

    // 6. CAD scale.
    TiXmlElement *scale = base->NextSiblingElement();
    if (!named(scale, "CAD_scale")) {
        qCDebug(lcXml).noquote() << QStringLiteral(
                                        "Error: expected CAD_scale in XML file (found %1)")
                                        .arg(QString::fromUtf8(nodeName(scale)));
        refuse(missing("CAD_scale", scale));
        return -1;
    }
    *cadScale = attrFloat(scale, "FACTOR");

    // 7. CAD offsets.
    TiXmlElement *offsets = scale->NextSiblingElement();
    if (!named(offsets, "CAD_offsets")) {
        qCDebug(lcXml).noquote() << QStringLiteral(
                                        "Error: expected CAD_offsets in XML file (found %1)")
                                        .arg(QString::fromUtf8(nodeName(offsets)));
        refuse(missing("CAD_offsets", offsets));
        return -1;
    }
    for (int i = 0; i < 6; ++i) {
        const std::string n = "cad_theta" + std::to_string(i + 1);
        cadOffsets[i] = attrFloat(offsets, n.c_str());
    }
    qCDebug(lcXml) << "CAD offsets:" << cadOffsets[0] << cadOffsets[1] << cadOffsets[2];

    // 8. Angle type; its absence is not an error.
    TiXmlElement *type = offsets->NextSiblingElement();
    if (named(type, "Angle_Type")) {
        *angleType = attrInt(type, "id");
    } else {
        *angleType = 0;
        qCDebug(lcXml) << "XML could not read Angle_Type id";
    }
    qCDebug(lcXml) << "XML read correctly";
    return 0;
}

const QString &xml::lastError()
{
    return lastErrorText();
}

int xml::loadInfo(const char *fileName, RobotInfo &info)
{
    info = RobotInfo();
    TiXmlDocument doc(fileName ? fileName : "");
    if (!doc.LoadFile(TIXML_ENCODING_UNKNOWN))
        return -1;
    TiXmlNode *root = doc.FirstChild();
    if (!root || !named(root->FirstChild(), "robot_dk"))
        return -1;
    for (TiXmlElement *e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (!named(e, "Robot_Info"))
            continue;
        info.maker = attr(e, "maker");
        info.model = attr(e, "model");
        info.reachMm = std::max(0.0, attrReal(e, "reach_mm"));
        info.payloadKg = std::max(0.0, attrReal(e, "payload_kg"));
        // Six numbers separated by blanks; missing ones stay 0.
        std::string_view rest = attr(e, "preview");
        for (float &q : info.preview) {
            const std::size_t start = rest.find_first_not_of(' ');
            if (start == std::string_view::npos)
                break;
            rest.remove_prefix(start);
            const double v = cnumber::toDouble(rest);
            q = std::isfinite(v) ? float(std::clamp(v, -720.0, 720.0)) : 0.0f;
            const std::size_t end = rest.find(' ');
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        }
        break;
    }
    return 0;
}

int xml::processGeometry(std::vector<Joint> &joints, TiXmlElement *geometry)
{
    if (!geometry)
        return -1;
    const char *name = geometry->Attribute("name");
    if (!name)
        return -1;
    for (Joint &j : joints) {
        if (j.getId() == name) {
            qCDebug(lcXml) << "Atributting geometry to " << j.getId().c_str();
            return loadJoint(attr(geometry, "geo"), j);
        }
    }
    return -1;
}

int xml::loadJoint(const std::string &geo, Joint &joint)
{
    const QString base = DataDirs::robotDir() + QString::fromUtf8(geo.c_str());
    const QString single = base + QStringLiteral(".stl");
    QFile probe(single);
    if (probe.exists()) {
        joint.resetBox();
        const int n = readMeshFile(single, joint, true);
        if (n >= 0) {
            qCDebug(lcXml) << "Reading" << single;
            return n;
        }
    }
    int total = 0;
    for (int part = 1;; ++part) {
        const QString name =
            base + QLatin1Char('-') + QString::number(part) + QStringLiteral(".stl");
        qCDebug(lcXml) << "Trying" << name;
        if (part == 1) {
            joint.resetBox();
            const int n = readMeshFile(name, joint, true);
            if (n < 0)
                break;
            total += n;
        } else {
            Joint extra;
            const int n = readMeshFile(name, extra, false);
            if (n < 0)
                break;
            joint.addPart(extra);
            total += n;
        }
    }
    return total;
}
