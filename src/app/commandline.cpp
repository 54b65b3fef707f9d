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
        } else {
            rest << a;
        }
    }
    if (rest.size() >= 2 && !rest.at(1).startsWith(QLatin1Char('-')))
        cl.stationFile = rest.at(1);
    return cl;
}
