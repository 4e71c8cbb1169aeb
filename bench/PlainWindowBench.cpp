// The yardstick of tqv-bench-window: a plain Qt main window with a menu, a toolbar, a status bar,
// a tree in a docked pane and a 40 x 2 table in the middle, started and ended at its first
// painted frame in the same way.
// Usage: tqv-bench-plain-window

#include "FirstFrame.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1034, 640);
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("&File"));
    QToolBar *tools = window.addToolBar(QStringLiteral("Tools"));
    for (const char *name : {"New", "Open", "Save"}) {
        QAction *a = file->addAction(QString::fromLatin1(name));
        tools->addAction(a);
    }
    window.statusBar()->showMessage(QStringLiteral("Ready"));

    auto *tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    auto *root = new QTreeWidgetItem(tree, {QStringLiteral("Fieldbus")});
    for (int i = 1; i <= 4; ++i)
        new QTreeWidgetItem(root, {QStringLiteral("Subnet %1").arg(i)});
    root->setExpanded(true);
    auto *dock = new QDockWidget(QStringLiteral("Tree"));
    dock->setWidget(tree);
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);

    auto *table = new QTableWidget(40, 2);
    for (int r = 0; r < 40; ++r) {
        table->setItem(r, 0, new QTableWidgetItem(QStringLiteral("Parameter %1").arg(r)));
        table->setItem(r, 1, new QTableWidgetItem(QStringLiteral("%1").arg(r)));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    window.setCentralWidget(table);

    window.show();
    ExitAfterFirstFrame exit(&window);
    return app.exec();
}
