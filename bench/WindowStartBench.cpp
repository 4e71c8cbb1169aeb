// Whole-process start of the window for timing from outside (e.g. /usr/bin/time -v): builds the
// main window as the program does, opens the project given (or a new one), shows it and ends the
// process once its first frame has been painted.
// Usage: tqv-bench-window [PROJECT.tqv]
//        tqv-bench-window --write-largest PROJECT.tqv   (4 subnets of 128 nodes and 128 commands)

#include "LargestProject.h"
#include "FirstFrame.h"
#include "app/CMainFrame.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstring>

namespace {

int writeLargest(const char *path)
{
    using namespace tqv;
    ConfigStore store;
    makeLargestProject(store);
    return ProjectDocument::save(path, store, CodePage::Windows1252).ok() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--write-largest") == 0)
        return writeLargest(argv[2]);
    QTemporaryDir home; // settings of the run stay away from the user's own
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    QApplication app(argc, argv);
    tqv::CMainFrame frame;
    if (argc > 1 && !frame.startWithProject(QString::fromLocal8Bit(argv[1])))
        return 1;
    frame.show();
    ExitAfterFirstFrame exit(&frame);
    return app.exec();
}
