// The texts of the plots dock: where each sits in a language file, and the
// English text kept when a file does not hold it. The language file reader
// knows the keys; their position comes from LanguageFile alone.
#pragma once

#include "texts/languagefile.h"

#include <QString>

namespace plots {

enum class Text
{
    DockTitle,
    PositionAxis,
    TcpMm,
    TcpDeg,
    SavePng,
    SaveCsv,
    NoSolution,
    Jump,
    WristCrossing,
    WristNear,
    Empty,
    Count
};

static_assert(int(Text::Count) == LanguageFile::kPlotsEntries,
              "one language entry per text of the plots dock");

inline int languageEntry(Text t)
{
    return LanguageFile::kFirstPlotsEntry + int(t);
}

inline QString englishText(Text t)
{
    switch (t) {
    case Text::DockTitle:
        return QStringLiteral("Plots");
    case Text::PositionAxis:
        return QStringLiteral("Position");
    case Text::TcpMm:
        return QStringLiteral("TCP mm/step");
    case Text::TcpDeg:
        return QStringLiteral("TCP deg/step");
    case Text::SavePng:
        return QStringLiteral("Save PNG...");
    case Text::SaveCsv:
        return QStringLiteral("Save CSV...");
    case Text::NoSolution:
        return QStringLiteral("No IK solution");
    case Text::Jump:
        return QStringLiteral("Joint jump");
    case Text::WristCrossing:
        return QStringLiteral("Joint 5 crosses 0");
    case Text::WristNear:
        return QStringLiteral("Joint 5 near 0");
    case Text::Empty:
        return QStringLiteral("No program analysed");
    case Text::Count:
        break;
    }
    return QString();
}

} // namespace plots
