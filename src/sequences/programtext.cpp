#include "programtext.h"

namespace sequences {

ProgramText parseProgramText(const QString &)
{
    return {};
}

QString programLineText(const ProgramLine &)
{
    return {};
}

QString programTextOf(const std::vector<ProgramLine> &)
{
    return {};
}

QString speedWord(double)
{
    return {};
}

QString zoneWord(double)
{
    return {};
}

bool readSpeed(const QString &, double *)
{
    return false;
}

bool readZone(const QString &, double *)
{
    return false;
}

} // namespace sequences
