#include "uitexts.h"

#include <array>

namespace uitext {

namespace {
std::array<QString, std::size_t(Text::Count)> &current()
{
    static std::array<QString, std::size_t(Text::Count)> texts;
    return texts;
}
} // namespace

QString englishText(Text t)
{
    switch (t) {
    case Text::Movement:
        return QStringLiteral("Movement");
    case Text::NotANumber:
        return QStringLiteral("\"%1\" is not a number");
    case Text::NumbersExpected:
        return QStringLiteral("%1 numbers expected, %2 found");
    case Text::JointLimit:
        return QStringLiteral("\u03b8%1 limit %2\u2026%3\u00b0");
    case Text::JointNotANumber:
        return QStringLiteral("\u03b8%1: \"%2\" is not a number");
    case Text::JointsLeaveLimits:
        return QStringLiteral("\u03b8%1 = %2\u00b0 refused: the joints would leave their limits");
    case Text::JogRefused:
        return QStringLiteral("Jog refused: the arm cannot follow this step (no configuration, "
                              "or only one that jumps)");
    case Text::PositionRefused:
        return QStringLiteral("Position: %1");
    case Text::OrientationRefused:
        return QStringLiteral("Orientation: %1");
    case Text::PoseNotReachable:
        return QStringLiteral("Pose not reachable: the robot stays");
    case Text::WorldRefused:
        return QStringLiteral("World frame: %1");
    case Text::PlacementRefused:
        return QStringLiteral("Placement refused: %1.");
    case Text::ScaleRefused:
        return QStringLiteral("Scale \"%1\" refused: a number above 0 and up to %2 is expected.");
    case Text::RapidDockTitle:
        return QStringLiteral("ABB program data");
    case Text::RapidUpdate:
        return QStringLiteral("Update from robot");
    case Text::RapidUpdateTip:
        return QStringLiteral("Replaces the three fields with the robot's work object, tool and "
                              "target. Press Return in a field to apply its text.");
    case Text::RapidNoRobot:
        return QStringLiteral("No robot loaded");
    case Text::RapidBadWorkObject:
        return QStringLiteral("Invalid work object");
    case Text::RapidBadTool:
        return QStringLiteral("Invalid tool data");
    case Text::RapidBadTarget:
        return QStringLiteral("Invalid robtarget");
    case Text::RapidNoConfData:
        return QStringLiteral("Confdata is not provided");
    case Text::RapidUnreachable:
        return QStringLiteral("Robtarget unachievable");
    case Text::RapidBadConfData:
        return QStringLiteral("Confdata is not valid");
    case Text::Discontinuity:
        return QStringLiteral("Discontinuity in next movement:");
    case Text::DialTip:
        return QStringLiteral("One step of the dial (or one wheel notch): 5 mm or 1\u00b0");
    case Text::PlayerRewindTip:
        return QStringLiteral("Back to the first position (Up key)");
    case Text::PlayerPlayTip:
        return QStringLiteral("Play, one position at a time (Down key)");
    case Text::PlayerStopTip:
        return QStringLiteral("Stop (Escape). Right then steps forward at the pace of the last "
                              "play, Left steps one position back");
    case Text::PlayerFastTip:
        return QStringLiteral("Fast play: five positions at a time, not a step. After it, Right "
                              "steps five positions forward until the next play");
    case Text::PlayerEndTip:
        return QStringLiteral("Go to the last position");
    case Text::PlayerLoopTip:
        return QStringLiteral("Play in a loop: on or off");
    case Text::HelpTitle:
        return QStringLiteral("Velkari help");
    case Text::SequenceRefused:
        return QStringLiteral("The sequence was not loaded: %1. The current sequence stays.");
    case Text::ObjectFileNote:
        return QStringLiteral("The object file %1 was added: %2.");
    case Text::JogJump:
        return QStringLiteral("Jog refused: \u03b8%1 would turn %2\u00b0 in one step (more than "
                              "%3\u00b0); the arm would change its configuration");
    case Text::ToolNotLoaded:
        return QStringLiteral("The tool file %1 was not loaded: %2. The mounted tool stays.");
    case Text::LineOfFile:
        return QStringLiteral("line %1 of %2: %3");
    case Text::FileCannotOpen:
        return QStringLiteral("the file cannot be opened");
    case Text::NotText:
        return QStringLiteral("it holds bytes that are not text");
    case Text::NotAMeshLine:
        return QStringLiteral("\"%1\" is not a line of a tool or mesh file");
    case Text::VerticesNotThree:
        return QStringLiteral("a triangle of %1 vertices (three expected)");
    case Text::FacetNotClosed:
        return QStringLiteral("the facet that begins here does not end (a file cut short?)");
    case Text::ObjectsNotLoaded:
        return QStringLiteral("Objects not loaded (%1): %2");
    case Text::NoInverseKinematics:
        return QStringLiteral("No inverse kinematics for this arm's geometry");
    case Text::Count:
        break;
    }
    return QString();
}

QString get(Text t)
{
    const QString &s = current()[std::size_t(t)];
    return s.isEmpty() ? englishText(t) : s;
}

void apply(const LanguageFile &file)
{
    for (int i = 0; i < int(Text::Count); ++i)
        current()[std::size_t(i)] = file.text(languageEntry(Text(i)));
}

} // namespace uitext
