// Texts the window composes or sets after start-up (refusals, the RAPID
// dock, dock titles): where each sits in a language file and the English
// text kept when a file does not hold it. The reader knows the keys; their
// position comes from LanguageFile alone.
//
// A new text is one enumerator appended before Count, its English below,
// its key at the end of the reader's key list and one line at the end of
// each file of Languages/; the number of entries follows by itself.
#pragma once

#include <QString>

class LanguageFile;

namespace uitext {

enum class Text
{
    Movement,
    NotANumber,      // %1: what was typed
    NumbersExpected, // %1: how many, %2: how many found
    JointLimit,      // %1: axis, %2, %3: the limits
    JointNotANumber, // %1: axis, %2: what was typed
    JointsLeaveLimits,
    JogRefused,
    PositionRefused,    // %1: why
    OrientationRefused, // %1: why
    PoseNotReachable,
    WorldRefused,     // %1: why
    PlacementRefused, // %1: why
    ScaleRefused,     // %1: what was typed, %2: the largest scale
    RapidDockTitle,
    RapidUpdate,
    RapidUpdateTip,
    RapidNoRobot,
    RapidBadWorkObject,
    RapidBadTool,
    RapidBadTarget,
    RapidNoConfData,
    RapidUnreachable,
    RapidBadConfData,
    Discontinuity,
    DialTip,
    PlayerRewindTip,
    PlayerPlayTip,
    PlayerStopTip,
    PlayerFastTip,
    PlayerEndTip,
    PlayerLoopTip,
    HelpTitle,
    SequenceRefused, // %1: the line and what is wrong with it
    ObjectFileNote,  // %1: the file, %2: what the reader noticed
    JogJump, // %1: axis, %2: its move, %3: the largest move a step may make
    ToolNotLoaded, // %1: the file, %2: why
    LineOfFile,    // %1: line, %2: file, %3: what is wrong
    FileCannotOpen,
    NotText,
    NotAMeshLine,     // %1: the line's start
    VerticesNotThree, // %1: how many
    FacetNotClosed,
    ObjectsNotLoaded, // %1: how many, %2: their files
    RapidLoadModuleMenu,
    RapidExportMenu,
    RapidExportTitle,
    RapidModuleName,
    RapidSpeed,
    RapidZone,
    RapidLastPointFine,
    RapidExportAnyway,
    RapidModuleFiles,
    AllFiles,
    RapidLoadTitle,
    RapidExportNoRobot,
    RapidExportNoProgram,
    CannotWrite,
    RapidLoadNoRobot,
    CannotRead,
    RapidModuleNotPlayed,
    RapidSkipped,
    ProblemCount,
    ProblemMore,
    ProblemAt,
    ProblemNoSolution,
    ProblemJump,
    ProblemWristCrossing,
    ProblemWristNear,
    ProblemTooMany,
    ProblemOutOfLimits,
    ReportTitle,
    ReportCount,
    ReportJointId,
    ReportPathId,
    ReportProblem,
    ReportMore,
    ReportSkippedLines,
    Analysing,
    PlotsDegUnit,
    PlotsMarkTip,
    ModNotModule,
    ModNoProcedure,
    ModNoProcedureNamed,
    ModNoRobot,
    ModNoMove,
    ModTooManyMoves,
    ModUnreachable,
    ModConfMismatch,
    ModStartsElsewhere,
    ModTooLarge,
    ModNotInstruction,
    ModNotRead,
    ModLine,
    ModLines,
    RapidWorkObjectLabel,
    RapidToolDataLabel,
    NoInverseKinematics,
    RapidMovesRead,
    ProgKindJoint,
    ProgKindLinear,
    ProgKindCircleVia,
    ProgKindCircleEnd,
    ProgKindTool,
    ProgKindPlacement,
    ProgKindOther,
    ProgStepRecord,
    ProgStepTouchUp,
    ProgStepDelete,
    ProgStepDuplicate,
    ProgStepMove,
    ProgStepKind,
    ProgStepType,
    ProgStepSpeedZone,
    ProgNoRobot,
    ProgNoLines,
    ProgAtEdge,
    ProgNoTarget,
    ProgJointOutside,
    ProgSpeedInvalid,
    ProgZoneInvalid,
    ProgRejected,
    ProgNotMoveKind,
    ProgUnreachable,
    ProgStepReplace,
    ProgStepNew,
    ProgStepOpen,
    RapidNameReserved,
    RapidNameTaken,
    ProgramDockTitle,
    ProgramColLine,
    ProgramColKind,
    ProgramColSpeed,
    ProgramColZone,
    ProgramColCheck,
    ProgramRecordJointTip,
    ProgramRecordLinearTip,
    ProgramRecordCircleTip,
    ProgramRecordToolTip,
    ProgramTouchUpTip,
    ProgramDeleteTip,
    ProgramDuplicateTip,
    ProgramMoveUpTip,
    ProgramMoveDownTip,
    ProgramApplySpeedZone,
    ProgramApplySpeedZoneTip,
    ProgramNoLine,
    ProgramCellRefused,
    ProgramGoToRefused,
    ProgramUndo,
    ProgramRedo,
    ProgramNew,
    ProgramOpen,
    ProgramSave,
    ProgramSaveAs,
    ProgramFiles,
    ProgramUnsaved,
    ProgramSaved,
    ProgramTouchUp,
    ProgramDuplicate,
    ProgramKindTip,
    ProgramEditMenu,
    ExportProgramMenu,
    ExportProgramTitle,
    ExportLanguageLabel,
    ExportNameLabel,
    ExportSpeedLabel,
    ExportZoneLabel,
    ExportFolderTitle,
    ExportNameRefused,
    ExportNotWritten,
    ProblemCollision,
    CollisionPair,
    PartBase,
    PartLink,
    PartTool,
    ClearanceShown, // %1: mm, %2: robot part, %3: object
    ClearanceNoObject,
    ClearanceNoRobot,
    CollisionNow, // %1: robot part, %2: object
    CollisionLanRefused, // %1: robot part, %2: object
    IgnoreCollisions,
    SafetyDistanceMenu,
    SafetyDistancePrompt,
    SafetyDistanceRefused, // %1: what was typed, %2: the distance kept
    CollisionPreparing, // %1: the object
    CollisionMark,
    ControllerProgramFiles,
    Count
};

// Where the text sits in a language file.
int languageEntry(Text t);

QString englishText(Text t);
// The text in the language applied last; English until one is applied and
// for entries an older file does not hold.
QString get(Text t);
// Takes the texts of `file` (called whenever a language is applied).
void apply(const LanguageFile &file);

} // namespace uitext
