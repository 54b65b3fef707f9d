#include "program.h"

#include "kinematics/chain.h"
#include "kinematics/robot.h"
#include "kinematics/solver.h"
#include "models/cnumber.h"
#include "sequences/programtext.h"
#include "sequences/sequenceparser.h"
#include "texts/uitexts.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

namespace program {

using sequences::Frame;
using sequences::PathAnalyser;
using sequences::ProgramLine;
using uitext::Text;

namespace {

// The line after a circular via point: the analysis reads it as the arc's
// end and makes no move of its own for it (the RAPID reader writes the
// same code).
constexpr double kCircleEndCode = 0.0;
// Joint moves take their speed in % of the maximum.
constexpr double kMaxJointSpeed = 100.0;

bool sameLine(const ProgramLine &a, const ProgramLine &b)
{
    return a.code == b.code && a.operands == b.operands && a.speed == b.speed && a.zone == b.zone;
}

bool sameLines(const std::vector<ProgramLine> &a, const std::vector<ProgramLine> &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameLine);
}

void say(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool robotReady(const Robot *robot, QString *error)
{
    if (robot && robot->isLoaded())
        return true;
    say(error, uitext::get(Text::ProgNoRobot));
    return false;
}

Matrix4 matrixOf(const Frame &f)
{
    Matrix4 m{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            m[std::size_t(4 * i + j)] = float(f.r[std::size_t(3 * i + j)]);
        m[std::size_t(4 * i + 3)] = float(f.t[std::size_t(i)]);
    }
    m[15] = 1.0f;
    return m;
}

// The operands of a tool change that gives the row-major frame `m`:
// x, y, z and the angles a, b, c (radians) of Rx(a) Ry(b) Rz(c).
std::array<double, 6> toolOperands(const Matrix4 &m)
{
    auto R = [&m](int i, int j) { return double(m[std::size_t(4 * i + j)]); };
    const double b = std::atan2(R(0, 2), std::sqrt(R(0, 0) * R(0, 0) + R(0, 1) * R(0, 1)));
    double a, c;
    if (std::fabs(R(0, 2)) > 1.0 - 1e-9) {
        // Gimbal lock: only a + c (or a - c) is defined; c = 0 takes it all.
        c = 0.0;
        a = std::atan2(R(2, 1), R(1, 1));
    } else {
        a = std::atan2(-R(1, 2), R(2, 2));
        c = std::atan2(-R(0, 1), R(0, 0));
    }
    return {R(0, 3), R(1, 3), R(2, 3), a, b, c};
}

std::array<double, 6> currentJoints(const Robot &robot)
{
    const std::array<float, 6> q = robot.jointValues();
    std::array<double, 6> out{};
    for (std::size_t k = 0; k < 6; ++k)
        out[k] = double(q[k]);
    return out;
}

// Sorted, without repeats; false when empty or a row is outside the program.
bool validRows(std::vector<int> rows, int size, std::vector<int> &out, QString *error)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty() || rows.front() < 0 || rows.back() >= size) {
        say(error, uitext::get(Text::ProgNoLines));
        return false;
    }
    out = std::move(rows);
    return true;
}

// An axis value against the robot's limits, axis 3 of a coupled arm against
// its range at the line's axis 2. Empty when within them.
QString limitRefusal(const Robot &robot, const std::array<double, 6> &joints, int axis)
{
    const kinematics::Chain &chain = robot.chain();
    float lo = 0.0f, hi = 0.0f;
    kinematics::axisRange(chain, axis, float(joints[1]), lo, hi);
    const float v = float(joints[std::size_t(axis)]);
    if (std::isfinite(v) && kinematics::withinLimits(v, lo, hi))
        return QString();
    return uitext::get(Text::ProgJointOutside)
        .arg(axis + 1)
        .arg(double(v), 0, 'f', 2)
        .arg(double(lo), 0, 'f', 2)
        .arg(double(hi), 0, 'f', 2);
}

// Speed and zone of one line as typed; a null text leaves that value alone.
bool speedZoneOf(ProgramLine &l, Kind k, const QString &speed, const QString &zone, QString *error)
{
    if (!speed.isNull()) {
        double v = 0.0;
        if (!sequences::readSpeed(speed, &v) || (k == Kind::JointMove && v > kMaxJointSpeed)) {
            say(error, uitext::get(Text::ProgSpeedInvalid).arg(speed.trimmed()));
            return false;
        }
        l.speed = v;
    }
    if (!zone.isNull()) {
        double v = 0.0;
        if (!sequences::readZone(zone, &v)) {
            say(error, uitext::get(Text::ProgZoneInvalid).arg(zone.trimmed()));
            return false;
        }
        l.zone = v;
    }
    return true;
}

} // namespace

Kind kindOf(double code)
{
    if (code == 1.0)
        return Kind::JointMove;
    if (code == 2.0 || code == 3.0)
        return Kind::LinearMove;
    if (code == 9.0)
        return Kind::CircleVia;
    if (code == kCircleEndCode)
        return Kind::CircleEnd;
    if (code == 5.0)
        return Kind::ToolChange;
    if (code >= 4.0 && code < 5.0)
        return Kind::Placement;
    return Kind::Other;
}

double codeOf(Kind kind)
{
    switch (kind) {
    case Kind::JointMove:
        return 1.0;
    case Kind::LinearMove:
        return 2.0;
    case Kind::CircleVia:
        return 9.0;
    case Kind::CircleEnd:
        return kCircleEndCode;
    case Kind::ToolChange:
        return 5.0;
    case Kind::Placement:
        return 4.0;
    case Kind::Other:
        break;
    }
    return -1.0;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::JointMove:
        return uitext::get(Text::ProgKindJoint);
    case Kind::LinearMove:
        return uitext::get(Text::ProgKindLinear);
    case Kind::CircleVia:
        return uitext::get(Text::ProgKindCircleVia);
    case Kind::CircleEnd:
        return uitext::get(Text::ProgKindCircleEnd);
    case Kind::ToolChange:
        return uitext::get(Text::ProgKindTool);
    case Kind::Placement:
        return uitext::get(Text::ProgKindPlacement);
    case Kind::Other:
        break;
    }
    return uitext::get(Text::ProgKindOther);
}

bool isMove(Kind kind)
{
    return kind == Kind::JointMove || kind == Kind::LinearMove || kind == Kind::CircleVia ||
           kind == Kind::CircleEnd;
}

// ------------------------------------------------------------------ model

// One undo step: the lines from `start` on were `before` and became `after`.
// Every edit is such a splice of one stretch of the program, so undo and
// redo copy no more than the stretch the edit touched.
struct Step
{
    Text name;
    int start = 0;
    std::vector<ProgramLine> before;
    std::vector<ProgramLine> after;
    std::vector<int> rowsBefore; // selected after undo
    std::vector<int> rowsAfter;  // selected after the edit and redo
    // The file the program belongs to before and after (only replacing the
    // whole program changes it).
    QString fileBefore;
    QString fileAfter;
};

namespace {

// The stretch [first, last] of the program as a step's starting point.
Step stretch(const std::vector<ProgramLine> &lines, const QString &fileName, Text name, int first,
             int last)
{
    Step s;
    s.name = name;
    s.start = first;
    s.fileBefore = s.fileAfter = fileName;
    if (last >= first)
        s.before.assign(lines.begin() + first, lines.begin() + last + 1);
    return s;
}

} // namespace

struct Program::Private
{
    std::vector<ProgramLine> lines;
    std::vector<int> lastRows;
    std::deque<Step> steps;
    int done = 0;  // steps applied
    int clean = 0; // `done` at the last save or load; -1 when out of reach
    QString fileName;
    double recordSpeed = 0.0;
    double recordZone = sequences::kNoZone;

    quint64 version = 0;
    quint64 analysedVersion = ~quint64(0);
    PathAnalyser::Result analysis;
    std::vector<LineCheck> checks;

    // Row of the tool change in force at each line (-1: the flange).
    mutable std::vector<int> toolRows;
    mutable bool toolRowsValid = false;

    void splice(int start, std::size_t removed, const std::vector<ProgramLine> &inserted)
    {
        const auto at = lines.begin() + start;
        const std::size_t common = std::min(removed, inserted.size());
        std::copy(inserted.begin(), inserted.begin() + long(common), at);
        if (removed > common)
            lines.erase(at + long(common), at + long(removed));
        else if (inserted.size() > common)
            lines.insert(at + long(common), inserted.begin() + long(common), inserted.end());
        ++version;
        toolRowsValid = false;
    }

    int toolRow(int row) const
    {
        if (!toolRowsValid) {
            toolRows.resize(lines.size());
            int current = -1;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                toolRows[i] = current;
                if (lines[i].code == 5.0)
                    current = int(i);
            }
            toolRowsValid = true;
        }
        return toolRows[std::size_t(row)];
    }

    bool modified() const { return done != clean; }

    // Applies a new step, drops the steps that could be redone, and keeps at
    // most kUndoLimit. A step that changes nothing is not kept.
    void commit(Program &self, Step step)
    {
        if (sameLines(step.before, step.after) && step.fileBefore == step.fileAfter) {
            lastRows = step.rowsAfter;
            return;
        }
        const bool wasModified = modified();
        splice(step.start, step.before.size(), step.after);
        lastRows = step.rowsAfter;
        fileName = step.fileAfter;
        if (clean > done)
            clean = -1;
        steps.erase(steps.begin() + done, steps.end());
        steps.push_back(std::move(step));
        ++done;
        if (int(steps.size()) > kUndoLimit) {
            steps.pop_front();
            --done;
            clean = clean > 0 ? clean - 1 : -1;
        }
        announce(self, wasModified);
    }

    void replaceAll(Program &self, Text name, std::vector<ProgramLine> all, const QString &file)
    {
        Step s = stretch(lines, fileName, name, 0, int(lines.size()) - 1);
        s.after = std::move(all);
        s.fileAfter = file;
        if (!s.after.empty())
            s.rowsAfter = {0};
        commit(self, std::move(s));
    }

    void announce(Program &self, bool wasModified)
    {
        emit self.changed();
        if (modified() != wasModified)
            emit self.modifiedChanged(modified());
    }

    Frame toolAt(int row) const
    {
        const int t = toolRow(row);
        return t < 0 ? Frame() : PathAnalyser::toolChange(lines[std::size_t(t)].operands.data());
    }
};

Program::Program(QObject *parent) : QObject(parent), d(new Private) {}

Program::~Program() = default;

int Program::size() const
{
    return int(d->lines.size());
}

const std::vector<ProgramLine> &Program::lines() const
{
    return d->lines;
}

const ProgramLine &Program::line(int row) const
{
    return d->lines[std::size_t(row)];
}

Kind Program::kind(int row) const
{
    return kindOf(line(row).code);
}

bool Program::pose(const Robot *robot, int row, int convention, Pose6 *out) const
{
    if (!robot || !robot->isLoaded() || !toolbox::isEulerConvention(convention) || row < 0 ||
        row >= size() || !isMove(kind(row)))
        return false;
    const ProgramLine &l = line(row);
    float q[6];
    for (int k = 0; k < 6; ++k)
        q[k] = float(l.operands[std::size_t(k)]);
    const Matrix4 flange = kinematics::forwardFromJoints(robot->chain(), q, 6);
    const Matrix4 world =
        toolbox::product(toolbox::rigidInverse(robot->getHB()), flange, matrixOf(d->toolAt(row)));
    *out = toolbox::matrixToPose(world, convention);
    for (float v : *out)
        if (!std::isfinite(v))
            return false;
    return true;
}

QString Program::text() const
{
    return sequences::programTextOf(d->lines);
}

const std::vector<int> &Program::lastRows() const
{
    return d->lastRows;
}

// ------------------------------------------------------------------ steps

// ------------------------------------------------------------------ edits

void Program::setRecordDefaults(double speed, double zone)
{
    d->recordSpeed = speed;
    d->recordZone = zone;
}

bool Program::record(const Robot *robot, Kind kind, int after, QString *error)
{
    if (!robotReady(robot, error))
        return false;
    if (kind == Kind::Placement || kind == Kind::Other) {
        say(error, uitext::get(Text::ProgNotMoveKind));
        return false;
    }
    after = std::clamp(after, -1, size() - 1);
    ProgramLine l;
    l.code = codeOf(kind);
    l.speed = d->recordSpeed;
    l.zone = d->recordZone;
    if (kind == Kind::ToolChange) {
        l.operands = toolOperands(robot->getHT());
        l.speed = 0.0;
        l.zone = sequences::kNoZone;
    } else {
        l.operands = currentJoints(*robot);
    }
    Step s = stretch(d->lines, d->fileName, Text::ProgStepRecord, after + 1, after);
    s.after.push_back(l);
    if (kind == Kind::CircleVia) {
        l.code = kCircleEndCode;
        s.after.push_back(l);
    }
    for (int k = 0; k < int(s.after.size()); ++k)
        s.rowsAfter.push_back(after + 1 + k);
    if (after >= 0)
        s.rowsBefore = {after};
    d->commit(*this, std::move(s));
    return true;
}

bool Program::touchUp(const Robot *robot, int row, QString *error)
{
    if (!robotReady(robot, error))
        return false;
    if (row < 0 || row >= size()) {
        say(error, uitext::get(Text::ProgNoLines));
        return false;
    }
    const Kind k = kind(row);
    ProgramLine l = line(row);
    if (isMove(k)) {
        l.operands = currentJoints(*robot);
    } else if (k == Kind::ToolChange) {
        l.operands = toolOperands(robot->getHT());
    } else {
        say(error, uitext::get(Text::ProgNoTarget).arg(row + 1).arg(kindName(k)));
        return false;
    }
    Step s = stretch(d->lines, d->fileName, Text::ProgStepTouchUp, row, row);
    s.after = {l};
    s.rowsBefore = s.rowsAfter = {row};
    d->commit(*this, std::move(s));
    return true;
}

bool Program::remove(const std::vector<int> &rows, QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    Step s = stretch(d->lines, d->fileName, Text::ProgStepDelete, r.front(), r.back());
    std::size_t next = 0;
    for (int i = r.front(); i <= r.back(); ++i) {
        if (next < r.size() && r[next] == i)
            ++next;
        else
            s.after.push_back(line(i));
    }
    s.rowsBefore = r;
    const int left = size() - int(r.size());
    if (left > 0)
        s.rowsAfter = {std::min(r.front(), left - 1)};
    d->commit(*this, std::move(s));
    return true;
}

bool Program::duplicate(const std::vector<int> &rows, QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    Step s = stretch(d->lines, d->fileName, Text::ProgStepDuplicate, r.front(), r.back());
    s.after = s.before;
    for (std::size_t k = 0; k < r.size(); ++k) {
        s.after.push_back(line(r[k]));
        s.rowsAfter.push_back(r.back() + 1 + int(k));
    }
    s.rowsBefore = r;
    d->commit(*this, std::move(s));
    return true;
}

bool Program::moveUp(const std::vector<int> &rows, QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    if (r.front() == 0) {
        say(error, uitext::get(Text::ProgAtEdge));
        return false;
    }
    Step s = stretch(d->lines, d->fileName, Text::ProgStepMove, r.front() - 1, r.back());
    s.after = s.before;
    for (int row : r) {
        const std::size_t at = std::size_t(row - s.start);
        std::swap(s.after[at - 1], s.after[at]);
        s.rowsAfter.push_back(row - 1);
    }
    s.rowsBefore = r;
    d->commit(*this, std::move(s));
    return true;
}

bool Program::moveDown(const std::vector<int> &rows, QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    if (r.back() == size() - 1) {
        say(error, uitext::get(Text::ProgAtEdge));
        return false;
    }
    Step s = stretch(d->lines, d->fileName, Text::ProgStepMove, r.front(), r.back() + 1);
    s.after = s.before;
    for (auto it = r.rbegin(); it != r.rend(); ++it) {
        const std::size_t at = std::size_t(*it - s.start);
        std::swap(s.after[at], s.after[at + 1]);
    }
    for (int row : r)
        s.rowsAfter.push_back(row + 1);
    s.rowsBefore = r;
    d->commit(*this, std::move(s));
    return true;
}

bool Program::moveTo(const std::vector<int> &rows, int index, QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    index = std::clamp(index, 0, size());
    const int first = std::min(r.front(), index);
    const int last = std::max(r.back(), index - 1);
    Step s = stretch(d->lines, d->fileName, Text::ProgStepMove, first, last);
    // The stretch without the moved rows, then the moved rows put in where
    // the line at `index` now stands.
    std::vector<ProgramLine> rest;
    std::vector<ProgramLine> moved;
    int insertAt = 0;
    std::size_t next = 0;
    for (int i = first; i <= last; ++i) {
        if (i == index)
            insertAt = int(rest.size());
        if (next < r.size() && r[next] == i) {
            moved.push_back(line(i));
            ++next;
        } else {
            rest.push_back(line(i));
        }
    }
    if (index > last)
        insertAt = int(rest.size());
    s.after = rest;
    s.after.insert(s.after.begin() + insertAt, moved.begin(), moved.end());
    for (std::size_t k = 0; k < moved.size(); ++k)
        s.rowsAfter.push_back(first + insertAt + int(k));
    s.rowsBefore = r;
    d->commit(*this, std::move(s));
    return true;
}

bool Program::setKind(const std::vector<int> &rows, Kind kind, QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    if (!isMove(kind)) {
        say(error, uitext::get(Text::ProgNotMoveKind));
        return false;
    }
    for (int row : r) {
        if (!isMove(this->kind(row))) {
            say(error, uitext::get(Text::ProgNotMoveKind));
            return false;
        }
    }
    Step s = stretch(d->lines, d->fileName, Text::ProgStepKind, r.front(), r.back());
    s.after = s.before;
    for (int row : r) {
        ProgramLine &l = s.after[std::size_t(row - s.start)];
        // A line already of the kind keeps its code (3 stays 3).
        if (kindOf(l.code) != kind)
            l.code = codeOf(kind);
    }
    s.rowsBefore = s.rowsAfter = r;
    d->commit(*this, std::move(s));
    return true;
}

bool Program::setCell(const Robot *robot, int row, Field field, const QString &text, int convention,
                      QString *error)
{
    if (row < 0 || row >= size()) {
        say(error, uitext::get(Text::ProgNoLines));
        return false;
    }
    ProgramLine l = line(row);
    const Kind k = kind(row);
    if (field == Field::Speed || field == Field::Zone) {
        if (!speedZoneOf(l, k, field == Field::Speed ? text : QString(),
                         field == Field::Zone ? text : QString(), error))
            return false;
    } else if (field <= Field::Joint6) {
        const int axis = int(field) - int(Field::Joint1);
        double v = 0.0;
        if (isMove(k)) {
            if (!typed::number(text, &v, typed::Unit::Angle)) {
                say(error, uitext::get(Text::JointNotANumber).arg(axis + 1).arg(text.trimmed()));
                return false;
            }
            if (!robotReady(robot, error))
                return false;
            l.operands[std::size_t(axis)] = v;
            // Axis 3 of a coupled arm moves its range with axis 2.
            for (int a : {axis, 2}) {
                const QString why = limitRefusal(*robot, l.operands, a);
                if (!why.isEmpty()) {
                    say(error, why);
                    return false;
                }
            }
        } else {
            // A tool change or placement: lengths, then angles as the file
            // holds them.
            const typed::Unit unit = axis < 3 ? typed::Unit::Length : typed::Unit::None;
            if (!typed::number(text, &v, unit) ||
                std::fabs(v) > double(std::numeric_limits<float>::max())) {
                say(error, uitext::get(Text::NotANumber).arg(text.trimmed()));
                return false;
            }
            l.operands[std::size_t(axis)] = v;
        }
    } else {
        const int index = int(field) - int(Field::X);
        double v = 0.0;
        if (!typed::number(text, &v, index < 3 ? typed::Unit::Length : typed::Unit::Angle) ||
            std::fabs(v) > double(std::numeric_limits<float>::max())) {
            say(error, uitext::get(Text::NotANumber).arg(text.trimmed()));
            return false;
        }
        if (!isMove(k)) {
            say(error, uitext::get(Text::ProgNoTarget).arg(row + 1).arg(kindName(k)));
            return false;
        }
        if (!robotReady(robot, error))
            return false;
        if (!robot->hasInverseKinematics()) {
            say(error, uitext::get(Text::NoInverseKinematics));
            return false;
        }
        Pose6 p{};
        if (!pose(robot, row, convention, &p)) {
            say(error, uitext::get(Text::ProgUnreachable));
            return false;
        }
        p[std::size_t(index)] = float(v);
        // TCP in World -> flange in base: HB T M^-1.
        const Matrix4 tcp = toolbox::poseToMatrix(p, convention);
        const Matrix4 target =
            toolbox::product(robot->getHB(), tcp, toolbox::rigidInverse(matrixOf(d->toolAt(row))));
        float seed[6];
        for (int a = 0; a < 6; ++a)
            seed[a] = float(l.operands[std::size_t(a)]);
        float solved[6];
        if (!kinematics::solveNearest(robot->chain(), target, seed, l.operands.data(), solved)) {
            say(error, uitext::get(Text::ProgUnreachable));
            return false;
        }
        for (int a = 0; a < 6; ++a)
            l.operands[std::size_t(a)] = double(solved[a]);
    }
    Step s = stretch(d->lines, d->fileName, Text::ProgStepType, row, row);
    s.after = {l};
    s.rowsBefore = s.rowsAfter = {row};
    d->commit(*this, std::move(s));
    return true;
}

bool Program::setSpeedZone(const std::vector<int> &rows, const QString &speed, const QString &zone,
                           QString *error)
{
    std::vector<int> r;
    if (!validRows(rows, size(), r, error))
        return false;
    Step s = stretch(d->lines, d->fileName, Text::ProgStepSpeedZone, r.front(), r.back());
    s.after = s.before;
    for (int row : r) {
        ProgramLine &l = s.after[std::size_t(row - s.start)];
        if (!speedZoneOf(l, kindOf(l.code), speed, zone, error))
            return false;
    }
    s.rowsBefore = s.rowsAfter = r;
    d->commit(*this, std::move(s));
    return true;
}

void Program::replace(std::vector<ProgramLine> lines)
{
    d->replaceAll(*this, Text::ProgStepReplace, std::move(lines), QString());
}

void Program::clear()
{
    d->replaceAll(*this, Text::ProgStepNew, {}, QString());
    setUnmodified();
}

// ------------------------------------------------------------------- undo

bool Program::canUndo() const
{
    return d->done > 0;
}

bool Program::canRedo() const
{
    return d->done < int(d->steps.size());
}

QString Program::undoText() const
{
    return canUndo() ? uitext::get(d->steps[std::size_t(d->done - 1)].name) : QString();
}

QString Program::redoText() const
{
    return canRedo() ? uitext::get(d->steps[std::size_t(d->done)].name) : QString();
}

bool Program::undo()
{
    if (!canUndo())
        return false;
    const bool wasModified = d->modified();
    const Step &s = d->steps[std::size_t(--d->done)];
    d->splice(s.start, s.after.size(), s.before);
    d->lastRows = s.rowsBefore;
    d->fileName = s.fileBefore;
    d->announce(*this, wasModified);
    return true;
}

bool Program::redo()
{
    if (!canRedo())
        return false;
    const bool wasModified = d->modified();
    const Step &s = d->steps[std::size_t(d->done++)];
    d->splice(s.start, s.before.size(), s.after);
    d->lastRows = s.rowsAfter;
    d->fileName = s.fileAfter;
    d->announce(*this, wasModified);
    return true;
}

int Program::undoCount() const
{
    return d->done;
}

bool Program::isModified() const
{
    return d->modified();
}

void Program::setUnmodified()
{
    const bool wasModified = d->modified();
    d->clean = d->done;
    if (wasModified)
        emit modifiedChanged(false);
}

// ------------------------------------------------------------------ files

bool Program::load(const QString &fileName, QString *error)
{
    const sequences::FileText file = sequences::readSequenceFile(fileName);
    if (!file.ok) {
        say(error, uitext::get(Text::CannotRead).arg(fileName, file.error));
        return false;
    }
    sequences::ProgramText parsed = sequences::parseProgramText(file.text);
    QString why = parsed.error;
    if (why.isEmpty() && (file.truncated || parsed.truncated))
        why = QStringLiteral("the file is larger than the editor takes");
    if (!why.isEmpty()) {
        say(error, uitext::get(Text::SequenceRefused).arg(why));
        return false;
    }
    d->replaceAll(*this, Text::ProgStepOpen, std::move(parsed.lines), fileName);
    setUnmodified();
    return true;
}

bool Program::save(const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    const QByteArray bytes = text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        say(error, uitext::get(Text::CannotWrite).arg(fileName, file.errorString()));
        return false;
    }
    d->fileName = fileName;
    setUnmodified();
    return true;
}

QString Program::fileName() const
{
    return d->fileName;
}

// --------------------------------------------------------------- analysis

void Program::analyse(Robot *robot)
{
    d->analysis = PathAnalyser::Result();
    d->checks.assign(d->lines.size(), LineCheck());
    if (robot && robot->isLoaded()) {
        PathAnalyser analyser(*robot);
        d->analysis = analyser.analyse(d->lines);
        const std::vector<sequences::PathPosition> &path = d->analysis.path;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const sequences::PathPosition &p = path[i];
            if (p.type != 1.0f || p.problem <= 0.0f || p.pathId < 0 || p.pathId >= size())
                continue;
            LineCheck &c = d->checks[std::size_t(p.pathId)];
            if (c.flagged++ == 0) {
                c.problem = int(p.problem);
                c.position = int(i) + 1;
            }
        }
        for (int row : d->analysis.rejected)
            if (row >= 0 && row < size())
                d->checks[std::size_t(row)].rejected = true;
    }
    d->analysedVersion = d->version;
    emit analysed();
}

bool Program::analysisCurrent() const
{
    return d->analysedVersion == d->version;
}

LineCheck Program::check(int row) const
{
    if (!analysisCurrent() || row < 0 || std::size_t(row) >= d->checks.size())
        return LineCheck();
    return d->checks[std::size_t(row)];
}

QString Program::checkText(int row) const
{
    const LineCheck c = check(row);
    if (c.rejected)
        return uitext::get(Text::ProgRejected);
    return c.problem > 0 ? PathAnalyser::problemTexts(c.problem).trimmed() : QString();
}

const PathAnalyser::Result &Program::analysis() const
{
    return d->analysis;
}

std::vector<sequences::PathProblem> Program::problems() const
{
    return PathAnalyser::problems(d->analysis);
}

} // namespace program
