// Where the program's data lives: every data directory is a sibling of the
// directory that holds the executable (bin/), in the build tree as after
// installation.
#pragma once

#include <QString>

namespace DataDirs {

// Directory of the running executable, without a trailing separator.
QString applicationDir();
// Tests point the program at a scratch installation; empty restores the default.
void setApplicationDirForTesting(const QString &dir);

QString robotDir();      // <app>/../CAD_Robots/
QString toolDir();       // <app>/../CAD_Tools/
QString objectDir();     // <app>/../Objects/
QString stationDir();    // <app>/../Stations/
QString simulationDir(); // <app>/../Simulations/
QString languageDir();   // <app>/../Languages/
QString soundDir();      // <app>/../Sounds/
QString helpDir();       // <app>/../Help/

QString defaultRobot();   // <app>/../CAD_Robots/ABB_IRB120.xml
QString defaultTool();    // <app>/../CAD_Tools/IRB120_Crayon.tool
QString defaultStation(); // "setup.vks", relative to the working directory

// A stored path that begins with "../" has every "../" replaced by
// <app>/../ ; any other path is returned unchanged.
QString resolveStoredPath(const QString &path);

// A sound clip from the working directory if it is there, else from the
// installed Sounds directory; empty when neither exists.
QString soundFile(const QString &name);

} // namespace DataDirs
