// What the command line asks for: at most one station file, and options that
// all begin with "-" (so an option is never taken for a station file).
#pragma once

#include <QString>
#include <QStringList>

struct CommandLine
{
    QString stationFile;    // "setup.vks" when none is given
    QString screenshotFile; // --screenshot FILE: save the window and quit
    bool help = false;      // -h or --help: print usage() and quit
    QString error;          // non-empty when an option is malformed or unknown

    // `arguments` includes the program name first, as QCoreApplication gives it.
    static CommandLine parse(const QStringList &arguments);
    // The options, as --help prints them.
    static QString usage();
};
