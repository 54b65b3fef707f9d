#include "placement.h"

#include "models/cnumber.h"

#include <QStringList>
#include <cmath>

namespace placement {

namespace {
const QChar kDegree = typed::degreeSign();

QString number(float v)
{
    // -0.00 reads badly in a field the user edits.
    const double d = std::fabs(v) < 0.005f ? 0.0 : double(v);
    return QString::number(d, 'f', 2);
}
} // namespace

QString toText(const Pose6 &p)
{
    const QString mm = QStringLiteral(" mm, ");
    const QString deg = QString(kDegree) + QStringLiteral(", ");
    return number(p[0]) + mm + number(p[1]) + mm + number(p[2]) + mm + number(p[3]) + deg +
           number(p[4]) + deg + number(p[5]) + QString(kDegree);
}

Pose6 fromText(const QString &text)
{
    Pose6 p{};
    const QStringList pieces = text.split(QLatin1Char(','));
    for (int i = 0; i < pieces.size() && i < 6; ++i) {
        QString piece = pieces.at(i);
        const int cut = piece.indexOf(i < 3 ? QChar(QLatin1Char('m')) : kDegree);
        if (cut >= 0)
            piece.truncate(cut);
        bool ok = false;
        const double v = piece.trimmed().toDouble(&ok);
        // Beyond what a float holds reads as "not a number" too.
        p[std::size_t(i)] = ok && std::isfinite(float(v)) ? float(v) : 0.0f;
    }
    return p;
}

bool parse(const QString &text, Pose6 *pose, QString *error)
{
    using typed::Unit;
    const Unit units[6] = {Unit::Length, Unit::Length, Unit::Length,
                           Unit::Angle,  Unit::Angle,  Unit::Angle};
    double v[6];
    if (!typed::list(text, 6, units, v, error))
        return false;
    for (int i = 0; i < 6; ++i)
        (*pose)[std::size_t(i)] = float(v[i]);
    return true;
}

} // namespace placement
