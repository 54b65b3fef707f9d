#include "xml.h"

#include "cnumber.h"
#include "datadirs.h"
#include "kinematics/joint.h"
#include "kinematics/logging.h"
#include "meshtext.h"

#include <QDebug>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <tinyxml.h>

namespace {

constexpr double kLimitBound = 1e9;
constexpr double kParameterBound = 1e12;

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

const char *attr(const TiXmlElement *e, const char *name)
{
    const char *v = e->Attribute(name);
    return v ? v : "";
}

const char *nodeName(const TiXmlNode *n)
{
    return n && n->Value() ? n->Value() : "";
}

// Descriptions are written by hand: a misspelt name, a dropped attribute or
// a stray character in a number must be refused, never read as 0, since a
// zero there is a different robot that moves without a word. Each refusal
// names the line, the element and the attribute, so the user can fix it.

// "<joint id="Axis2">" or "<CAD_base>": how the user finds the element.
QString elementText(const TiXmlElement *e)
{
    const char *id = e->Attribute("id");
    const QString name = QString::fromUtf8(nodeName(e));
    return id ? QStringLiteral("<%1 id=\"%2\">").arg(name, QString::fromUtf8(id).left(40))
              : QStringLiteral("<%1>").arg(name);
}

void refuseAt(int row, const TiXmlElement *e, const QString &what)
{
    refuse(QStringLiteral("line %1, element %2: %3").arg(row).arg(elementText(e), what));
}

const TiXmlAttribute *findAttribute(const TiXmlElement *e, const char *name)
{
    for (const TiXmlAttribute *a = e->FirstAttribute(); a; a = a->Next())
        if (a->Name() && std::strcmp(a->Name(), name) == 0)
            return a;
    return nullptr;
}

bool listed(const char *name, std::initializer_list<const char *> names)
{
    return std::any_of(names.begin(), names.end(),
                       [name](const char *n) { return name && std::strcmp(name, n) == 0; });
}

// True when `e` carries only attributes of `known` and all of `required`.
bool checkAttributes(const TiXmlElement *e, std::initializer_list<const char *> known,
                     std::initializer_list<const char *> required = {})
{
    for (const TiXmlAttribute *a = e->FirstAttribute(); a; a = a->Next()) {
        if (!listed(a->Name(), known)) {
            refuseAt(a->Row(), e,
                     QStringLiteral("unknown attribute \"%1\"")
                         .arg(QString::fromUtf8(a->Name()).left(40)));
            return false;
        }
    }
    for (const char *name : required) {
        if (!findAttribute(e, name)) {
            refuseAt(e->Row(), e,
                     QStringLiteral("the attribute \"%1\" is missing").arg(QLatin1String(name)));
            return false;
        }
    }
    return true;
}

void refuseValue(const TiXmlElement *e, const TiXmlAttribute *a, const char *what)
{
    refuseAt(a->Row(), e,
             QStringLiteral("%1=\"%2\" is not %3")
                 .arg(QString::fromUtf8(a->Name()), QString::fromUtf8(a->Value()).left(40),
                      QLatin1String(what)));
}

// The attribute `name` as a number, read as the window's fields read one;
// `fallback` when the element does not carry it. False (and refused) when
// its text is no finite number.
bool readNumber(const TiXmlElement *e, const char *name, double fallback, double *value)
{
    const TiXmlAttribute *a = findAttribute(e, name);
    if (!a) {
        *value = fallback;
        return true;
    }
    if (!typed::number(QString::fromUtf8(a->Value()), value)) {
        refuseValue(e, a, "a number");
        return false;
    }
    return true;
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

// The joint values of the library's preview: six numbers separated by
// blanks. True when there are exactly six; `q` gets those that are numbers.
bool previewValues(const char *text, std::array<float, 6> &q)
{
    const QStringList pieces = QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < 6 && i < pieces.size(); ++i) {
        double v = 0.0;
        q[std::size_t(i)] =
            typed::number(pieces[i], &v) ? float(std::clamp(v, -720.0, 720.0)) : 0.0f;
    }
    return pieces.size() == 6 && std::all_of(pieces.begin(), pieces.end(), [](const QString &p) {
               return typed::number(p, nullptr);
           });
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
            refuseAt(e->Row(), e, QStringLiteral("the attribute \"id\" is missing"));
            return -1;
        }
        // The base takes nothing but its id; parameters written on it are
        // ignored, but they still have to be numbers under known names.
        const bool isBase = id[0] == 'B';
        const bool fine =
            isBase ? checkAttributes(e, {"id", "alpha", "a", "theta", "d", "liminf", "limsup"})
                   : checkAttributes(e, {"id", "alpha", "a", "theta", "d", "liminf", "limsup"},
                                     {"alpha", "a", "theta", "d", "liminf", "limsup"});
        if (!fine)
            return -1;
        double v[6] = {};
        static const char *const axisNames[6] = {"limsup", "liminf", "alpha", "a", "theta", "d"};
        for (int i = 0; i < 6; ++i) {
            if (!readNumber(e, axisNames[i], 0.0, &v[i]))
                return -1;
        }
        Joint j;
        j.setId(id);
        if (!isBase) {
            // Limits stay within the integer range the panel's sliders are
            // built from; the parameters within what a float chain can carry.
            j.setLimsup(std::clamp(v[0], -kLimitBound, kLimitBound));
            j.setLiminf(std::clamp(v[1], -kLimitBound, kLimitBound));
            j.setAlpha(std::clamp(v[2], -kParameterBound, kParameterBound));
            j.setA(std::clamp(v[3], -kParameterBound, kParameterBound));
            j.setTheta(std::clamp(v[4], -kParameterBound, kParameterBound));
            j.setD(float(std::clamp(v[5], -kParameterBound, kParameterBound)));
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
        if (!checkAttributes(g, {"name", "geo"}, {"name", "geo"}))
            return -1;
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
    // The mesh placements may be left out: no shift, no turn, scale 1.
    if (!checkAttributes(base, {"x", "y", "z", "rx", "ry", "rz"}))
        return -1;
    static const char *const baseNames[6] = {"x", "y", "z", "rx", "ry", "rz"};
    double v = 0.0;
    for (int i = 0; i < 6; ++i) {
        if (!readNumber(base, baseNames[i], 0.0, &v))
            return -1;
        cadBase[i] = float(v);
    }
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
    if (!checkAttributes(scale, {"FACTOR"}) || !readNumber(scale, "FACTOR", 1.0, &v))
        return -1;
    *cadScale = float(v);

    // 7. CAD offsets.
    TiXmlElement *offsets = scale->NextSiblingElement();
    if (!named(offsets, "CAD_offsets")) {
        qCDebug(lcXml).noquote() << QStringLiteral(
                                        "Error: expected CAD_offsets in XML file (found %1)")
                                        .arg(QString::fromUtf8(nodeName(offsets)));
        refuse(missing("CAD_offsets", offsets));
        return -1;
    }
    if (!checkAttributes(offsets, {"cad_theta1", "cad_theta2", "cad_theta3", "cad_theta4",
                                   "cad_theta5", "cad_theta6"}))
        return -1;
    for (int i = 0; i < 6; ++i) {
        const std::string n = "cad_theta" + std::to_string(i + 1);
        if (!readNumber(offsets, n.c_str(), 0.0, &v))
            return -1;
        cadOffsets[i] = float(v);
    }
    qCDebug(lcXml) << "CAD offsets:" << cadOffsets[0] << cadOffsets[1] << cadOffsets[2];

    // 8. Angle type; its absence is not an error.
    TiXmlElement *type = offsets->NextSiblingElement();
    if (named(type, "Angle_Type")) {
        // A mode, not a measure: "2.5" is a typo, not type 2.
        if (!checkAttributes(type, {"id"}) || !readNumber(type, "id", 0.0, &v))
            return -1;
        if (v != std::floor(v) || v < double(INT_MIN) || v > double(INT_MAX)) {
            refuseValue(type, findAttribute(type, "id"), "a whole number");
            return -1;
        }
        *angleType = int(v);
    } else {
        *angleType = 0;
        qCDebug(lcXml) << "XML could not read Angle_Type id";
    }
    // The library's data are read elsewhere, but a typo in them is refused
    // here, when the user loads the robot and can be told.
    for (const TiXmlElement *e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (!named(e, "Robot_Info"))
            continue;
        if (!checkAttributes(e, {"maker", "model", "reach_mm", "payload_kg", "preview"}) ||
            !readNumber(e, "reach_mm", 0.0, &v) || !readNumber(e, "payload_kg", 0.0, &v))
            return -1;
        std::array<float, 6> preview{};
        if (const TiXmlAttribute *p = findAttribute(e, "preview");
            p && !previewValues(p->Value(), preview)) {
            refuseValue(e, p, "six numbers");
            return -1;
        }
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
        // Only shown: what is no number shows as unknown (loading refuses it).
        double v = 0.0;
        info.reachMm = typed::number(attr(e, "reach_mm"), &v) ? std::max(0.0, v) : 0.0;
        info.payloadKg = typed::number(attr(e, "payload_kg"), &v) ? std::max(0.0, v) : 0.0;
        previewValues(attr(e, "preview"), info.preview);
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
