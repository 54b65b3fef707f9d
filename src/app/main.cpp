#include "app/commandline.h"
#include "app/startupwindow.h"
#include "models/datadirs.h"

#include <QApplication>
#include <QScreen>
#include <QTextCodec>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    qSetMessagePattern(QStringLiteral("%{if-category}%{category}: %{endif}%{message} "
                                      "(%{file}:%{line}, %{function})"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkari"));

    const CommandLine options = CommandLine::parse(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "velkari: %s\n", qPrintable(options.error));
        return 2;
    }

    StartupWindow window;
    // Without a window manager (a bare X server) "maximised" means nothing;
    // start at the size of the screen so the window is the same either way.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.resize(screen->availableGeometry().size());
    window.showMaximized();
    window.show();

    // Stations are not read yet: start with the default robot and tool.
    window.loadRobot(DataDirs::defaultRobot());
    window.loadTool(DataDirs::defaultTool());

    if (!options.screenshotFile.isEmpty()) {
        // Give the window one full round of layout and paint first.
        QTimer::singleShot(300, &window, [&window, &options]() {
            const QPixmap shot = window.grab();
            if (shot.isNull() || !shot.save(options.screenshotFile)) {
                std::fprintf(stderr, "velkari: could not write the screenshot %s\n",
                             qPrintable(options.screenshotFile));
                QApplication::exit(1);
                return;
            }
            QApplication::exit(0);
        });
    }
    return app.exec();
}
