#include "datadirs.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace DataDirs {

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}
} // namespace

QString applicationDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return QCoreApplication::applicationDirPath();
}

void setApplicationDirForTesting(const QString &dir)
{
    QString d = dir;
    while (d.size() > 1 && d.endsWith(QLatin1Char('/')))
        d.chop(1);
    overrideDir() = d;
}

QString robotDir()
{
    return applicationDir() + QStringLiteral("/../CAD_Robots/");
}
QString toolDir()
{
    return applicationDir() + QStringLiteral("/../CAD_Tools/");
}
QString objectDir()
{
    return applicationDir() + QStringLiteral("/../Objects/");
}
QString stationDir()
{
    return applicationDir() + QStringLiteral("/../Stations/");
}
QString simulationDir()
{
    return applicationDir() + QStringLiteral("/../Simulations/");
}
QString languageDir()
{
    return applicationDir() + QStringLiteral("/../Languages/");
}
QString soundDir()
{
    return applicationDir() + QStringLiteral("/../Sounds/");
}
QString helpDir()
{
    return applicationDir() + QStringLiteral("/../Help/");
}

QString defaultRobot()
{
    return robotDir() + QStringLiteral("ABB_IRB120.xml");
}
QString defaultTool()
{
    return toolDir() + QStringLiteral("IRB120_Crayon.tool");
}
QString defaultStation()
{
    return QStringLiteral("setup.vks");
}

QString resolveStoredPath(const QString &path)
{
    if (!path.startsWith(QLatin1String("../")))
        return path;
    QString resolved = path;
    resolved.replace(QLatin1String("../"), applicationDir() + QStringLiteral("/../"));
    return resolved;
}

QString soundFile(const QString &name)
{
    if (QFileInfo(name).isFile())
        return name;
    const QString installed = soundDir() + name;
    if (QFileInfo(installed).isFile())
        return installed;
    return QString();
}

} // namespace DataDirs
