#include "commandline.h"

#include "models/datadirs.h"

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine cl;
    cl.stationFile = DataDirs::defaultStation();
    // The program name stays first so the station rule below reads as it is
    // documented: with at least two arguments, the first one is the station
    // unless it begins with "-".
    QStringList rest;
    if (!arguments.isEmpty())
        rest << arguments.first();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--screenshot")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                cl.error = QStringLiteral("--screenshot needs a file name");
                return cl;
            }
            cl.screenshotFile = arguments.at(++i);
        } else if (a.startsWith(QLatin1String("--screenshot="))) {
            cl.screenshotFile = a.mid(13);
            if (cl.screenshotFile.isEmpty()) {
                cl.error = QStringLiteral("--screenshot needs a file name");
                return cl;
            }
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            cl.help = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            // Options Qt itself reads (-platform, -style, ...) are gone from
            // the list by now: what is left and looks like an option is a typo
            // that would otherwise start the program as if it were not there.
            // --help still counts after it.
            if (cl.error.isEmpty())
                cl.error = QStringLiteral("unknown option %1 (--help lists the options)").arg(a);
        } else {
            rest << a;
        }
    }
    if (rest.size() >= 2 && !rest.at(1).startsWith(QLatin1Char('-')))
        cl.stationFile = rest.at(1);
    return cl;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: velkari [OPTION]... [STATION.vks]\n"
        "Robot kinematics simulator: opens STATION.vks, or setup.vks of the\n"
        "working directory, or the default robot and tool.\n"
        "\n"
        "Options:\n"
        "  -h, --help               print this help and exit\n"
        "  --screenshot FILE        save a picture of the window as FILE (PNG)\n"
        "                           once the station is drawn, then exit\n"
        "  --screenshot=FILE        the same\n"
        "\n"
        "Qt's own options (-platform NAME, -style NAME, ...) are accepted as well.\n");
}
