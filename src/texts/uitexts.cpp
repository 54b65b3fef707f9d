#include "uitexts.h"

#include "texts/languagefile.h"

#include <array>

namespace uitext {

namespace {
std::array<QString, std::size_t(Text::Count)> &current()
{
    static std::array<QString, std::size_t(Text::Count)> texts;
    return texts;
}
} // namespace

int languageEntry(Text t)
{
    return LanguageFile::kFirstUiEntry + int(t);
}

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
    case Text::RapidLoadModuleMenu:
        return QStringLiteral("Load RAPID module\u2026");
    case Text::RapidExportMenu:
        return QStringLiteral("Export program as RAPID module\u2026");
    case Text::RapidExportTitle:
        return QStringLiteral("Export program as RAPID module");
    case Text::RapidModuleName:
        return QStringLiteral("Module name:");
    case Text::RapidSpeed:
        return QStringLiteral("Speed data:");
    case Text::RapidZone:
        return QStringLiteral("Zone data:");
    case Text::RapidLastPointFine:
        return QStringLiteral("The last point is always fine.");
    case Text::RapidExportAnyway:
        return QStringLiteral("The robot cannot follow the path there. Export anyway?");
    case Text::RapidModuleFiles:
        return QStringLiteral("RAPID modules");
    case Text::AllFiles:
        return QStringLiteral("All files");
    case Text::RapidLoadTitle:
        return QStringLiteral("Load RAPID module");
    case Text::RapidExportNoRobot:
        return QStringLiteral("No robot is loaded: there is no program to export");
    case Text::RapidExportNoProgram:
        return QStringLiteral("No program is loaded: there is nothing to export");
    case Text::CannotWrite:
        return QStringLiteral("Cannot write %1: %2");
    case Text::RapidLoadNoRobot:
        return QStringLiteral("No robot is loaded: a module cannot be played");
    case Text::CannotRead:
        return QStringLiteral("Cannot read %1: %2");
    case Text::RapidModuleNotPlayed:
        return QStringLiteral("The module %1 is not played: %2");
    case Text::RapidSkipped:
        return QStringLiteral("Skipped:");
    case Text::ProblemCount:
        return QStringLiteral("The program has %1 problem position(s):");
    case Text::ProblemMore:
        return QStringLiteral("... and %1 more");
    case Text::ProblemAt:
        return QStringLiteral("position %1 (program line %2): %3");
    case Text::ProblemNoSolution:
        return QStringLiteral("No IK solution.");
    case Text::ProblemJump:
        return QStringLiteral("Cannot make the path continuous.");
    case Text::ProblemWristCrossing:
        return QStringLiteral("Joint 5 crosses 0 deg.");
    case Text::ProblemWristNear:
        return QStringLiteral("Joint 5 is close to 0 deg.");
    case Text::ProblemTooMany:
        return QStringLiteral("Too many positions: the path ends here.");
    case Text::ProblemOutOfLimits:
        return QStringLiteral("Joint target outside the robot's limits.");
    case Text::ReportTitle:
        return QStringLiteral("Robot path cannot be continuous");
    case Text::ReportCount:
        return QStringLiteral("Number of positions where the path cannot be continuous = %1");
    case Text::ReportJointId:
        return QStringLiteral("Joint id");
    case Text::ReportPathId:
        return QStringLiteral("Path id");
    case Text::ReportProblem:
        return QStringLiteral("Problem");
    case Text::ReportMore:
        return QStringLiteral("%1 more");
    case Text::ReportSkippedLines:
        return QStringLiteral("Program lines skipped (their numbers make no move): %1");
    case Text::Analysing:
        return QStringLiteral("Analysing the program: %1 positions");
    case Text::PlotsDegUnit:
        return QStringLiteral("deg");
    case Text::PlotsMarkTip:
        return QStringLiteral("%1 %2 (path id %3): %4");
    case Text::ModNotModule:
        return QStringLiteral("line %1: this is no RAPID module: it does not begin with MODULE");
    case Text::ModNoProcedure:
        return QStringLiteral("the module has no procedure");
    case Text::ModNoProcedureNamed:
        return QStringLiteral("the module has no procedure %1");
    case Text::ModNoRobot:
        return QStringLiteral("no robot is loaded");
    case Text::ModNoMove:
        return QStringLiteral("procedure %1 has no move that can be read");
    case Text::ModTooManyMoves:
        return QStringLiteral("procedure %1 has more moves than a program holds");
    case Text::ModUnreachable:
        return QStringLiteral("line %1: %2 cannot be reached: no configuration of the robot puts the tool there");
    case Text::ModConfMismatch:
        return QStringLiteral("line %1: no configuration of %2 matches its confdata [%3,%4,%5,%6]; the one nearest to the previous position is taken");
    case Text::ModStartsElsewhere:
        return QStringLiteral("line %1: the procedure begins with a %2; the path starts at its target, in the target's own configuration");
    case Text::ModTooLarge:
        return QStringLiteral("the file is larger than %1 MiB, more than any module");
    case Text::ModNotInstruction:
        return QStringLiteral("'%1' is not an instruction");
    case Text::ModNotRead:
        return QStringLiteral("'%1' is not read");
    case Text::ModLine:
        return QStringLiteral("line %1");
    case Text::ModLines:
        return QStringLiteral("lines %1-%2");
    case Text::RapidWorkObjectLabel:
        return QStringLiteral("Work Object:");
    case Text::RapidToolDataLabel:
        return QStringLiteral("Tool Data:");
    case Text::NoInverseKinematics:
        return QStringLiteral("No inverse kinematics for this arm's geometry");
    case Text::RapidMovesRead:
        return QStringLiteral("Procedure %1: %2 moves read, %3 skipped");
    case Text::ProgKindJoint:
        return QStringLiteral("Joint move");
    case Text::ProgKindLinear:
        return QStringLiteral("Linear move");
    case Text::ProgKindCircleVia:
        return QStringLiteral("Circular via point");
    case Text::ProgKindCircleEnd:
        return QStringLiteral("Circular end point");
    case Text::ProgKindTool:
        return QStringLiteral("Tool change");
    case Text::ProgKindPlacement:
        return QStringLiteral("Object placement");
    case Text::ProgKindOther:
        return QStringLiteral("Other instruction");
    case Text::ProgStepRecord:
        return QStringLiteral("Record");
    case Text::ProgStepTouchUp:
        return QStringLiteral("Touch up");
    case Text::ProgStepDelete:
        return QStringLiteral("Delete lines");
    case Text::ProgStepDuplicate:
        return QStringLiteral("Duplicate lines");
    case Text::ProgStepMove:
        return QStringLiteral("Move lines");
    case Text::ProgStepKind:
        return QStringLiteral("Change kind");
    case Text::ProgStepType:
        return QStringLiteral("Type a value");
    case Text::ProgStepSpeedZone:
        return QStringLiteral("Speed and zone");
    case Text::ProgNoRobot:
        return QStringLiteral("No robot is loaded: the program needs one for this");
    case Text::ProgNoLines:
        return QStringLiteral("No line is selected");
    case Text::ProgAtEdge:
        return QStringLiteral("The lines are already at the edge of the program");
    case Text::ProgNoTarget:
        return QStringLiteral("Line %1 (%2): its numbers are no robot target");
    case Text::ProgJointOutside:
        return QStringLiteral("\u03b8%1: %2\u00b0 is outside the limits %3\u2026%4\u00b0");
    case Text::ProgSpeedInvalid:
        return QStringLiteral("\"%1\" is no speed: a number above 0 in mm/s, or in % up to 100 for joint moves");
    case Text::ProgZoneInvalid:
        return QStringLiteral("\"%1\" is no zone: a radius in mm, or fine");
    case Text::ProgRejected:
        return QStringLiteral("Its numbers make no move");
    case Text::ProgNotMoveKind:
        return QStringLiteral("Only joint, linear and circular moves change kind");
    case Text::ProgUnreachable:
        return QStringLiteral("The robot cannot reach this pose: the line stays as it was");
    case Text::ProgStepReplace:
        return QStringLiteral("Replace the program");
    case Text::ProgStepNew:
        return QStringLiteral("New program");
    case Text::ProgStepOpen:
        return QStringLiteral("Open a program");
    case Text::RapidNameReserved:
        return QStringLiteral("The module name %1 is a reserved word of RAPID: the controller refuses such a module. Choose another name.");
    case Text::RapidNameTaken:
        return QStringLiteral("The module name %1 is a name the module itself uses (%2): the controller refuses such a module. Choose another name.");
    case Text::ProgramDockTitle:
        return QStringLiteral("Program");
    case Text::ProgramColLine:
        return QStringLiteral("Line");
    case Text::ProgramColKind:
        return QStringLiteral("Kind");
    case Text::ProgramColSpeed:
        return QStringLiteral("Speed");
    case Text::ProgramColZone:
        return QStringLiteral("Zone");
    case Text::ProgramColCheck:
        return QStringLiteral("Check");
    case Text::ProgramRecordJointTip:
        return QStringLiteral("Record a joint move to the current position after the selected line (Alt+J)");
    case Text::ProgramRecordLinearTip:
        return QStringLiteral("Record a linear move to the current position after the selected line (Alt+L)");
    case Text::ProgramRecordCircleTip:
        return QStringLiteral("Record a circular move, via point and end point at the current position: jog to the end point and touch it up (Alt+C)");
    case Text::ProgramRecordToolTip:
        return QStringLiteral("Record a tool change to the mounted tool after the selected line (Alt+T)");
    case Text::ProgramTouchUpTip:
        return QStringLiteral("Touch up: the selected line's target becomes the current position (Alt+U)");
    case Text::ProgramDeleteTip:
        return QStringLiteral("Delete the selected lines (Delete)");
    case Text::ProgramDuplicateTip:
        return QStringLiteral("Duplicate the selected lines");
    case Text::ProgramMoveUpTip:
        return QStringLiteral("Move the selected lines up (Alt+Up; lines can also be dragged)");
    case Text::ProgramMoveDownTip:
        return QStringLiteral("Move the selected lines down (Alt+Down)");
    case Text::ProgramApplySpeedZone:
        return QStringLiteral("Set");
    case Text::ProgramApplySpeedZoneTip:
        return QStringLiteral("Speed (mm/s, % for joint moves) and zone (mm or fine) for the selected lines");
    case Text::ProgramNoLine:
        return QStringLiteral("Select a line first");
    case Text::ProgramCellRefused:
        return QStringLiteral("Line %1: %2");
    case Text::ProgramGoToRefused:
        return QStringLiteral("Line %1 is not shown: %2");
    case Text::ProgramUndo:
        return QStringLiteral("Undo %1");
    case Text::ProgramRedo:
        return QStringLiteral("Redo %1");
    case Text::ProgramNew:
        return QStringLiteral("New program");
    case Text::ProgramOpen:
        return QStringLiteral("Open program...");
    case Text::ProgramSave:
        return QStringLiteral("Save program");
    case Text::ProgramSaveAs:
        return QStringLiteral("Save program as...");
    case Text::ProgramFiles:
        return QStringLiteral("Programs (*.sim)");
    case Text::ProgramUnsaved:
        return QStringLiteral("The program has changed since it was opened or saved. Save it?");
    case Text::ProgramSaved:
        return QStringLiteral("Program saved in %1");
    case Text::ProgramTouchUp:
        return QStringLiteral("Touch up");
    case Text::ProgramDuplicate:
        return QStringLiteral("Duplicate");
    case Text::ProgramKindTip:
        return QStringLiteral("The kind of the selected move lines");
    case Text::ProgramEditMenu:
        return QStringLiteral("Edit");
    case Text::ExportProgramMenu:
        return QStringLiteral("Export program as\u2026");
    case Text::ExportProgramTitle:
        return QStringLiteral("Export program");
    case Text::ExportLanguageLabel:
        return QStringLiteral("Controller language:");
    case Text::ExportNameLabel:
        return QStringLiteral("Program name:");
    case Text::ExportSpeedLabel:
        return QStringLiteral("Speed where a line has none (%1):");
    case Text::ExportZoneLabel:
        return QStringLiteral("Zone where a line has none (%1):");
    case Text::ExportFolderTitle:
        return QStringLiteral("Folder for the program files");
    case Text::ExportNameRefused:
        return QStringLiteral("'%1' cannot name a program in %2: a letter first, then letters, digits and '_', at most %3 characters");
    case Text::ExportNotWritten:
        return QStringLiteral("The program was not written: %1");
    case Text::ProblemCollision:
        return QStringLiteral("Collision.");
    case Text::CollisionPair:
        return QStringLiteral("%1 collides with %2");
    case Text::PartBase:
        return QStringLiteral("base");
    case Text::PartLink:
        return QStringLiteral("link %1");
    case Text::PartTool:
        return QStringLiteral("tool");
    case Text::ClearanceShown:
        return QStringLiteral("Clearance %1 mm: %2 \u2013 %3");
    case Text::ClearanceNoObject:
        return QStringLiteral("Clearance: no object to check");
    case Text::ClearanceNoRobot:
        return QStringLiteral("Clearance: no robot loaded");
    case Text::CollisionNow:
        return QStringLiteral("Collision: %1 touches %2");
    case Text::CollisionLanRefused:
        return QStringLiteral("Move refused, nothing sent to the controller: %1 would collide with %2");
    case Text::IgnoreCollisions:
        return QStringLiteral("Ignore collisions with");
    case Text::SafetyDistanceMenu:
        return QStringLiteral("Safety distance...");
    case Text::SafetyDistancePrompt:
        return QStringLiteral("Safety distance in mm (0 or more):");
    case Text::SafetyDistanceRefused:
        return QStringLiteral("Safety distance refused: \"%1\" is not a length of 0 mm or more; it stays %2 mm");
    case Text::CollisionPreparing:
        return QStringLiteral("Preparing collision checking of %1...");
    case Text::CollisionMark:
        return QStringLiteral("Collision");
    case Text::ControllerProgramFiles:
        return QStringLiteral("KUKA, FANUC and UR programs");
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
