// The tree rebuilt from the store with the place kept (every branch open, a command of the last
// subnet selected and shown) for the largest configuration: four subnets of 128 nodes with 128
// commands each. This is what Mapping Address, Undo, Redo, Compare and an upload do to the tree;
// it has to stay within a frame (16 ms). Prints the median, fastest and slowest of `runs`.
//
//   QT_QPA_PLATFORM=offscreen tqv-bench-tree [runs]   (default 51)
#include "LargestProject.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home; // settings of the run stay away from the user's own
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;

    tqv::CMainFrame frame;
    frame.show();
    tqv::CModbusConfigView *view = frame.view();
    makeLargestProject(view->store());
    view->initialUpdate();
    QTreeWidget *tree = frame.tree();
    tree->expandAll();
    view->showPlace(view->place());
    const tqv::ItemRef wanted{tqv::ItemKind::Command, 3, 100};
    tree->setCurrentItem(view->itemOf(wanted));
    QApplication::processEvents();

    int items = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++items;
    // Wall time, and the thread's own processor time, which a busy machine does not inflate.
    auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    std::vector<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuMs();
        view->showPlace(view->place());
        QApplication::processEvents(); // the repaint belongs to the frame
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(cpuMs() - cpuStart);
    }
    const bool kept = view->shownItem() == wanted && tree->currentItem() == view->itemOf(wanted);
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("tree of %d items, %d runs: wall median %.2f ms (fastest %.2f, slowest %.2f); processor time median "
                "%.2f ms (fastest %.2f, slowest %.2f); place kept: %s\n",
                items, runs, ms[ms.size() / 2], ms.front(), ms.back(), cpu[cpu.size() / 2], cpu.front(), cpu.back(),
                kept ? "yes" : "NO");
    frame.view()->store().configModified = false;
    return kept ? 0 : 1;
}
