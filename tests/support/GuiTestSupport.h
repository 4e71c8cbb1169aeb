#pragma once

// Helpers shared by the window tests: answering dialogs from a timer, clicks on the grid and on
// buttons, describing the tree widget, and keeping a test run's settings away from the user's own.

#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"
#include "editor/ConfigTree.h"
#include "resources/Strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace tqv::testing {

// Runs `act` on the next modal dialog (or context menu) as soon as it is shown; never on a list's
// drop-down that a grid test left open.
inline void whenModalAppears(std::function<void(QWidget *)> act, int attempts = 500)
{
    QTimer::singleShot(10, [act = std::move(act), attempts]() mutable {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            w = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (w && w->isVisible())
            act(w);
        else if (attempts > 0)
            whenModalAppears(std::move(act), attempts - 1);
    });
}

// A mouse click in the middle of a grid cell.
inline void clickCell(QTableWidget *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

// Clicks the button of `dialog` that reads `text`.
inline void clickButton(QWidget *dialog, const QString &text)
{
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>()) {
        if (b->text() == text) {
            b->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + text));
}

// Picks `choice` from the list of `row` of the shown item, as a click on its cell and a pick do.
inline void pickInGrid(CModbusConfigView *view, int row, const QString &choice)
{
    clickCell(view->grid(), row, 1);
    QComboBox *list = view->inPlaceList();
    list->hidePopup();
    const int index = list->findText(choice);
    QVERIFY2(index >= 0, qPrintable(choice));
    emit list->activated(index);
}

// The tree widget as a TreeDescription, to compare with what the core builds from the store.
inline TreeItem describe(QTreeWidgetItem *item)
{
    TreeItem d{item->text(0).toStdString(), item->data(0, Qt::UserRole).toInt(), 0, {}, CModbusConfigView::refOf(item)};
    d.image = item->parent() && item->parent()->parent() ? kCommandImage : 0;
    for (int i = 0; i < item->childCount(); ++i)
        d.children.push_back(describe(item->child(i)));
    return d;
}

inline TreeDescription describe(QTreeWidget *tree)
{
    TreeDescription out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out.push_back(describe(tree->topLevelItem(i)));
    return out;
}

// Settings and the file association of the run go to `home`; without a display the offscreen
// platform is used. Call before the QApplication is made.
inline void isolateGuiTestRun(const QTemporaryDir &home)
{
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Each window test's own main window, in English, shown on the screen. False when it never was.
inline bool showMainWindow(std::unique_ptr<CMainFrame> &frame)
{
    setLanguage(Language::English);
    frame = std::make_unique<CMainFrame>();
    frame->show();
    return QTest::qWaitForWindowExposed(frame.get());
}

// Closes it without the save question, whatever the test left in the store.
inline void closeMainWindow(std::unique_ptr<CMainFrame> &frame)
{
    if (frame) {
        frame->view()->store().configModified = false;
        frame->close();
    }
    frame.reset();
}

} // namespace tqv::testing

// The main() of a window test: an isolated run of `TestClass` in a QApplication.
#define TQV_GUI_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char **argv)                                                                    \
    {                                                                                                  \
        QTemporaryDir home;                                                                            \
        tqv::testing::isolateGuiTestRun(home);                                                         \
        QApplication app(argc, argv);                                                                  \
        TestClass test;                                                                                \
        return QTest::qExec(&test, argc, argv);                                                        \
    }
