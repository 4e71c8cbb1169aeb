// Whole-process start of the window for timing from outside (e.g. /usr/bin/time -v): builds the
// main window, opens the project given (or a new one), shows it, lets it paint once and quits.
// Usage: tqv-bench-window [PROJECT.tqv]

#include "app/CMainFrame.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char **argv)
{
    QTemporaryDir home; // settings of the run stay away from the user's own
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    QApplication app(argc, argv);
    tqv::CMainFrame frame;
    if (argc > 1 && !frame.openProject(QString::fromLocal8Bit(argv[1])))
        return 1;
    frame.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
