// The main window's two RAPID module commands: the loaded program written as
// a module, and a module read and played. The dialogs are in the slots; the
// work behind them takes file names, so that it runs without them.
#pragma once

#include "rapid/rapidmodule.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <functional>

class Paths;
class Robot;

class RapidModuleCommands : public QObject
{
    Q_OBJECT
public:
    enum Result
    {
        Done = 0,
        NoRobot = -1,
        NoProgram = -2,
        Refused = -3,
        Cancelled = -4,
        CannotWrite = -5
    };

    RapidModuleCommands(std::function<Robot *()> robot, std::function<Paths *()> paths,
                        QObject *parent = nullptr);

    // The program in the sequence list: the one it was computed from, or
    // the positions of a position list as joint moves. Empty when none.
    std::vector<sequences::ProgramLine> loadedProgram() const;
    // The problem positions of that program, found afresh.
    std::vector<sequences::PathProblem>
    problems(const std::vector<sequences::ProgramLine> &program) const;

    // Writes the loaded program to `file`. Problems do not stop it: the
    // slot asks before it gets here.
    int exportTo(const QString &file, const rapid::ExportOptions &options);
    // Reads the modules of one program (module files, program files), or one
    // program of another controller whose suffix has a reader (addReader), and
    // plays its procedure; a refused program leaves the list as it was. The
    // procedure read, how many moves were read and skipped, and what was
    // skipped or refused, are in lastMessage().
    int loadFrom(const QStringList &files, const QString &procedure = QString());
    int loadFrom(const QString &file, const QString &procedure = QString())
    {
        return loadFrom(QStringList{file}, procedure);
    }
    QString lastMessage() const { return m_message; }

    // Programs of other controllers' languages, read as a module is: the
    // program, skipped lines and warnings, or the refusal.
    using ProgramReader = std::function<rapid::ImportResult(Robot &, const QString &file)>;
    // The load dialog offers files with these suffixes (any case) too.
    void addReader(const QStringList &suffixes, const ProgramReader &reader);

signals:
    // For the window to show; every refusal and every skipped line.
    void message(const QString &text);

public slots:
    // "Export program as RAPID module...": a warning naming the problem
    // positions, the module dialog, the file dialog.
    void exportProgram();
    // "Load RAPID module...": the file dialog, where several modules of one
    // program may be chosen, then loadFrom().
    void loadModule();

private:
    int finish(int result, const QString &text);

    std::function<Robot *()> m_robot;
    std::function<Paths *()> m_paths;
    QString m_message;
    QMap<QString, ProgramReader> m_readers;
};
