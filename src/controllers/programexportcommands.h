// The main window's "Export program as…": the loaded program written in a
// controller language chosen in a dialog (the robot maker's first), into a
// file or, for the languages of several files, a folder. The dialogs are in
// the slot; exportTo() does the work without them.
#pragma once

#include "controllers/programwriter.h"

#include <QObject>
#include <functional>

class Robot;

class ProgramExportCommands : public QObject
{
    Q_OBJECT
public:
    enum Result
    {
        Done = 0,
        NoRobot = -1,
        NoProgram = -2,
        Refused = -3,
        CannotWrite = -5
    };

    ProgramExportCommands(std::function<Robot *()> robot,
                          std::function<std::vector<sequences::ProgramLine>()> program,
                          QObject *parent = nullptr);

    // Writes the loaded program in `language`: a one-file language into the
    // file `target`, the others into the folder `target`.
    int exportTo(controllers::Language language, const QString &target,
                 const controllers::WriteOptions &options);
    QString lastMessage() const { return m_message; }

    // The dialog's language list for the robot: its maker's language first.
    static QStringList choices(const Robot *robot);

signals:
    void message(const QString &text);

public slots:
    // The options dialog, then the file or folder dialog.
    void exportProgram();

private:
    int finish(int result, const QString &text);

    std::function<Robot *()> m_robot;
    std::function<std::vector<sequences::ProgramLine>()> m_program;
    QString m_message;
};
