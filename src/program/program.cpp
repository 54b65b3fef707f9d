#include "program.h"

namespace program {

Kind kindOf(double) { return Kind::Other; }
double codeOf(Kind) { return 0.0; }
QString kindName(Kind) { return {}; }
bool isMove(Kind) { return false; }

struct Program::Private
{
    std::vector<sequences::ProgramLine> lines;
    std::vector<int> lastRows;
    sequences::PathAnalyser::Result analysis;
};

Program::Program(QObject *parent) : QObject(parent), d(new Private) {}
Program::~Program() = default;
int Program::size() const { return int(d->lines.size()); }
const std::vector<sequences::ProgramLine> &Program::lines() const { return d->lines; }
const sequences::ProgramLine &Program::line(int row) const { return d->lines[std::size_t(row)]; }
Kind Program::kind(int) const { return Kind::Other; }
bool Program::pose(const Robot *, int, int, Pose6 *) const { return false; }
QString Program::text() const { return {}; }
const std::vector<int> &Program::lastRows() const { return d->lastRows; }
void Program::setRecordDefaults(double, double) {}
bool Program::record(const Robot *, Kind, int, QString *) { return false; }
bool Program::touchUp(const Robot *, int, QString *) { return false; }
bool Program::remove(const std::vector<int> &, QString *) { return false; }
bool Program::duplicate(const std::vector<int> &, QString *) { return false; }
bool Program::moveUp(const std::vector<int> &, QString *) { return false; }
bool Program::moveDown(const std::vector<int> &, QString *) { return false; }
bool Program::moveTo(const std::vector<int> &, int, QString *) { return false; }
bool Program::setKind(const std::vector<int> &, Kind, QString *) { return false; }
bool Program::setCell(const Robot *, int, Field, const QString &, int, QString *) { return false; }
bool Program::setSpeedZone(const std::vector<int> &, const QString &, const QString &, QString *)
{
    return false;
}
void Program::replace(std::vector<sequences::ProgramLine>) {}
void Program::clear() {}
bool Program::canUndo() const { return false; }
bool Program::canRedo() const { return false; }
QString Program::undoText() const { return {}; }
QString Program::redoText() const { return {}; }
bool Program::undo() { return false; }
bool Program::redo() { return false; }
int Program::undoCount() const { return 0; }
bool Program::isModified() const { return false; }
void Program::setUnmodified() {}
bool Program::load(const QString &, QString *) { return false; }
bool Program::save(const QString &, QString *) { return false; }
QString Program::fileName() const { return {}; }
void Program::analyse(Robot *) {}
bool Program::analysisCurrent() const { return false; }
LineCheck Program::check(int) const { return {}; }
QString Program::checkText(int) const { return {}; }
const sequences::PathAnalyser::Result &Program::analysis() const { return d->analysis; }
std::vector<sequences::PathProblem> Program::problems() const { return {}; }

} // namespace program
