#include "stationfile.h"

#include "models/cnumber.h"
#include "models/datadirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString real(double v)
{
    return QString::number(v, 'f', 6);
}

// Numbers that cannot be read count as 0.
double number(const QString &field)
{
    double v = 0.0;
    return typed::number(field, &v) ? v : 0.0;
}

int integer(const QString &field)
{
    bool ok = false;
    const int v = field.trimmed().toInt(&ok);
    if (ok)
        return v;
    // A real, or a whole number too long for an int, is cut toward zero and
    // held within int's range: converting it unchecked is undefined.
    const double d = number(field);
    if (std::isnan(d))
        return 0;
    return int(std::clamp(d, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

bool numbers(const QStringList &f, int from, int count)
{
    for (int k = from; k < from + count; ++k)
        if (!typed::number(f.at(k), nullptr))
            return false;
    return true;
}

// A record worth applying: the kind, enough fields, numbers where numbers go.
// A record ends with "#": the piece after the last one is whatever trails
// it, so a record cut inside its last value is one short.
bool validRobot(const QStringList &f)
{
    return f.size() >= 29 && f.at(1).contains(QLatin1String("ROBOT")) && !f.at(2).isEmpty() &&
           numbers(f, 5, 23);
}

bool validObject(const QStringList &f)
{
    return f.size() >= 24 && f.at(1).contains(QLatin1String("OBJECT")) && !f.at(2).isEmpty() &&
           numbers(f, 4, 19);
}

// The joint values of the robot record before it; readers that do not know
// this record pass over it as any other line.
bool validJoints(const QStringList &f)
{
    return f.size() >= 9 && f.at(1) == QLatin1String("JOINTS") && numbers(f, 2, 6);
}

constexpr const char *kPartKeys[] = {"base",  "link1", "link2", "link3",
                                     "link4", "link5", "link6", "tool"};
constexpr int kPartCount = int(sizeof(kPartKeys) / sizeof(kPartKeys[0]));

// The ignored parts after an object's pose: "IGNORE" and a list of part
// keys. Unknown keys are passed over (a later part kind).
void readIgnore(const QStringList &f, StationObject &o)
{
    if (f.size() < 26 || f.at(23) != QLatin1String("IGNORE"))
        return;
    o.hasIgnore = true;
    for (const QString &key : f.at(24).split(QLatin1Char(','), Qt::SkipEmptyParts))
        for (int p = 0; p < kPartCount; ++p)
            if (key.trimmed() == QLatin1String(kPartKeys[p]))
                o.ignoreMask |= 1u << p;
}

QString ignoreText(const StationObject &o)
{
    QStringList keys;
    for (int p = 0; p < kPartCount; ++p)
        if (o.ignoreMask & (1u << p))
            keys << QLatin1String(kPartKeys[p]);
    return QStringLiteral("IGNORE#") + keys.join(QLatin1Char(',')) + QLatin1Char('#');
}

template <std::size_t N>
void fill(std::array<double, N> &to, const QStringList &f, int from)
{
    for (std::size_t k = 0; k < N; ++k)
        to[k] = number(f.at(from + int(k)));
}

} // namespace

StationFile::Result StationFile::read(const QString &fileName, Station *out, QString *message)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;
    const QByteArray raw = file.read(kMaxBytes + 1);
    return parse(raw, fileName, out, message);
}

StationFile::Result StationFile::parse(const QByteArray &raw, const QString &fileName,
                                       Station *out, QString *message)
{
    QStringList lines = QString::fromUtf8(raw).split(QLatin1Char('\n'));
    // The writer puts CR LF before each record; a text mode may have doubled
    // the CR, so every CR goes.
    for (QString &l : lines)
        l.remove(QLatin1Char('\r'));
    if (lines.first().startsWith(QChar(0xfeff)))
        lines.first().remove(0, 1); // the byte order mark some editors put first

    // The first line holds the options whatever its first word says; it
    // must still look like a record, so that any file is not a station. Every
    // other line is a record or blank: a line of anything else means the
    // file is not what a station file holds, and it is refused as a whole.
    const auto bad = [](const QString &line, bool first) {
        for (const QChar c : line)
            if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f)
                return true; // binary bytes
        const QStringList f = line.split(QLatin1Char('#'));
        if (first)
            return !line.startsWith(QLatin1Char('#')) || validRobot(f) || validObject(f) ||
                   validJoints(f);
        return !line.trimmed().isEmpty() && !validRobot(f) && !validObject(f) &&
               !validJoints(f);
    };
    int firstBad = raw.size() > kMaxBytes ? 1 : 0;
    for (int li = 0; firstBad == 0 && li < lines.size(); ++li)
        if (bad(lines.at(li), li == 0))
            firstBad = li + 1;
    if (firstBad != 0) {
        if (message)
            *message = QCoreApplication::translate(
                           "MenuPrincipal", "The station %1 was not loaded: line %2 is not a "
                                            "station record. The current station stays.")
                           .arg(fileName)
                           .arg(firstBad);
        return Damaged;
    }

    Station s;
    const QStringList options = lines.first().split(QLatin1Char('#'));
    if (options.size() >= 4) {
        s.hasOptions = true;
        s.language = integer(options.at(2));
        s.euler = integer(options.at(3));
        // Older files end the record here; what is no distance counts as 0.
        if (options.size() >= 6) {
            const double safety = number(options.at(4));
            s.safetyDistance = std::isfinite(safety) && safety > 0.0 ? safety : 0.0;
        }
    }
    for (int li = 1; li < lines.size(); ++li) {
        const QStringList f = lines.at(li).split(QLatin1Char('#'));
        if (validJoints(f)) {
            if (!s.robots.isEmpty()) {
                s.robots.last().hasJoints = true;
                fill(s.robots.last().joints, f, 2);
            }
        } else if (validRobot(f)) {
            if (f.at(2) == QLatin1String("EMPTY")) {
                s.stoppedAtEmpty = true;
                break;
            }
            StationRobot r;
            r.file = f.at(2);
            r.tool = f.at(3);
            r.name = f.at(4);
            r.visible = integer(f.at(5)) != 0;
            fill(r.world, f, 6);
            fill(r.placement, f, 12);
            s.robots.append(r);
        } else if (validObject(f)) {
            StationObject o;
            o.path = f.at(2);
            o.name = f.at(3);
            o.scale = number(f.at(4));
            o.visible = integer(f.at(5));
            o.flipNormals = integer(f.at(6));
            fill(o.pose, f, 7);
            readIgnore(f, o);
            s.objects.append(o);
        }
    }
    if (out)
        *out = s;
    return Ok;
}

QString StationFile::text(const Station &s)
{
    QString out;
    out += QStringLiteral("#OPTIONS#%1#%2#").arg(s.language).arg(s.euler);
    if (s.safetyDistance > 0.0 && std::isfinite(s.safetyDistance))
        out += real(s.safetyDistance) + QLatin1Char('#');
    for (const StationRobot &r : s.robots) {
        out += QStringLiteral("\r\n#ROBOT#") + r.file + QLatin1Char('#') + r.tool +
               QLatin1Char('#') + r.name + QLatin1Char('#') + QString::number(r.visible ? 1 : 0) +
               QLatin1Char('#');
        for (double v : r.world)
            out += real(v) + QLatin1Char('#');
        for (double v : r.placement)
            out += real(v) + QLatin1Char('#');
        if (r.hasJoints) {
            out += QStringLiteral("\r\n#JOINTS#");
            for (double q : r.joints)
                out += real(std::fabs(q) < 5e-7 ? 0.0 : q) + QLatin1Char('#'); // never "-0.000000"
        }
    }
    for (const StationObject &o : s.objects) {
        out += QStringLiteral("\r\n#OBJECT#") + o.path + QLatin1Char('#') + o.name +
               QLatin1Char('#') + real(o.scale) + QLatin1Char('#') + QString::number(o.visible) +
               QLatin1Char('#') + QString::number(o.flipNormals) + QLatin1Char('#');
        for (double v : o.pose)
            out += real(v) + QLatin1Char('#');
        if (o.hasIgnore)
            out += ignoreText(o);
    }
    return out;
}

StationFile::Result StationFile::write(const QString &fileName, const Station &s,
                                       QString *message)
{
    if (fileName.isEmpty())
        return CannotWrite;
    QStringList unsafe;
    for (const StationRobot &r : s.robots)
        for (const QString &f : {r.file, r.tool, r.name})
            if (f.contains(QLatin1Char('#')))
                unsafe << f;
    for (const StationObject &o : s.objects)
        for (const QString &f : {o.path, o.name})
            if (f.contains(QLatin1Char('#')))
                unsafe << f;
    if (!unsafe.isEmpty()) {
        if (message)
            *message = QCoreApplication::translate(
                           "MenuPrincipal",
                           "The station was not saved: these names contain \"#\", which station "
                           "files use to separate fields:\n%1")
                           .arg(unsafe.join(QLatin1Char('\n')));
        return Unsafe;
    }
    // The old station stays intact unless the whole new one was written.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return CannotWrite;
    const QByteArray bytes = text(s).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return CannotWrite;
    return Ok;
}

// A file chosen in a dialog comes as an absolute path; compared as cleaned,
// canonical paths it still counts as under the installation.
QString StationFile::storedPath(const QString &path)
{
    const QFileInfo root(DataDirs::applicationDir() + QStringLiteral("/.."));
    QString base = root.canonicalFilePath();
    if (base.isEmpty())
        base = QDir::cleanPath(root.absoluteFilePath());
    const QFileInfo file(path);
    QString full = file.canonicalFilePath();
    if (full.isEmpty())
        full = QDir::cleanPath(file.absoluteFilePath());
    if (full.startsWith(base + QLatin1Char('/')))
        return QStringLiteral("../") + full.mid(base.size() + 1);
    return path;
}

void StationLeftovers::restore(Station &s, bool toolStillMissing) const
{
    if (s.robots.isEmpty())
        s.robots = robots;
    else if (toolStillMissing && !tool.isEmpty() && s.robots.first().tool == QLatin1String("EMPTY"))
        s.robots.first().tool = tool;
    for (const auto &[place, object] : objects)
        s.objects.insert(std::min(place, s.objects.size()), object);
}
