#include "app/commandline.h"
#include "app/mainwindow.h"
#include "scene/glwidget.h"

#include <QApplication>
#include <QScreen>
#include <QTextCodec>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // Help needs no window: it is printed before the application exists, so
    // it works without a display too.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::parse(rawArguments).help) {
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    }
    qSetMessagePattern(QStringLiteral("%{if-category}%{category}: %{endif}%{message} "
                                      "(%{file}:%{line}, %{function})"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkari"));

    const CommandLine options = CommandLine::parse(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "velkari: %s\n", qPrintable(options.error));
        return 2;
    }

    auto *window = new MainWindow;
    // Without a window manager (a bare X server) "maximised" means nothing;
    // start at the size of the screen so the window is the same either way.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->resize(screen->availableGeometry().size());
    window->showMaximized();
    window->show();

    if (!options.screenshotFile.isEmpty()) {
        MainWindow::setInteractive(false);
        // Save the picture once the view has finished its first paint with
        // the station in it.
        QObject::connect(
            window->view(), &glwidget::painted, window,
            [window, &options]() {
                static bool done = false;
                if (done)
                    return;
                done = true;
                QTimer::singleShot(0, window, [window, &options]() {
                    const QImage shot = window->snapshot();
                    if (shot.isNull() || !shot.save(options.screenshotFile)) {
                        std::fprintf(stderr, "velkari: could not write the screenshot %s\n",
                                     qPrintable(options.screenshotFile));
                        QApplication::exit(1);
                        return;
                    }
                    QApplication::exit(0);
                });
            },
            Qt::QueuedConnection);
    }
    window->startWith(options.stationFile);

    const int result = app.exec();
    delete window;
    return result;
}
