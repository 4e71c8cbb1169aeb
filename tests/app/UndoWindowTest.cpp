// Undo and redo in the window: every kind of edit undone and redone through the keyboard, the
// Edit menu and the toolbar, with the tree, the grid and the modified flag checked each time.
#include "support/GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigDoc.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "editor/ConfigTree.h"
#include "resources/Strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace tqv;
using testing::describe;
using testing::whenModalAppears;

namespace {

void clickCell(QTableWidget *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

void clickButton(QWidget *dialog, const QString &text)
{
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>()) {
        if (b->text() == text) {
            b->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + text));
}

// What the history answers for: the store without the document's flags.
ConfigStore content(const ConfigStore &s)
{
    ConfigStore c = s;
    c.configModified = false;
    c.uploadPending = false;
    c.keepConfigOnNew = false;
    c.fileVersion = 500;
    return c;
}

} // namespace

class UndoWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        setLanguage(Language::English);
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_frame->setFileNameProvider([this](bool) { return m_dir.filePath(QStringLiteral("undo.tqv")); });
    }
    void cleanup()
    {
        if (m_frame) {
            store().configModified = false;
            m_frame->close();
        }
        m_frame.reset();
    }

    // Texts, keys and the toolbar order are checked with the other commands in MainWindowTest.
    void commandsInMenuAndToolbar()
    {
        QAction *undo = m_frame->action(cmd::EditUndo);
        QAction *redo = m_frame->action(cmd::EditRedo);
        QCOMPARE(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                                         QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        QCOMPARE(undo->statusTip(), QStringLiteral("Undo the last action"));
        QCOMPARE(redo->statusTip(), QStringLiteral("Redo the previously undone action"));
        QMenu *edit = m_frame->menuBar()->findChild<QMenu *>(QStringLiteral("menuEdit"));
        QCOMPARE(edit->actions().mid(0, 2), (QList<QAction *>{undo, redo}));
        QVERIFY(edit->actions().at(2)->isSeparator());
        QVERIFY(undo->icon().pixmap(32).toImage() != redo->icon().pixmap(32).toImage());
        // Nothing to undo or redo in a new document.
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    }

    // Each kind of edit from a saved document: the edit marks it modified, Ctrl+Z gives back the
    // saved configuration (unmodified, the tree built from it), Ctrl+Y the edited one (modified).
    void everyKindOfEditUndoesAndRedoes()
    {
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        QComboBox *list = m_frame->view()->inPlaceList();
        QAction *undo = m_frame->action(cmd::EditUndo);
        QAction *redo = m_frame->action(cmd::EditRedo);

        // `select` comes before the saved point: showing a command stores the values derived for
        // it, which belongs to no edit.
        auto check = [&](const char *what, const std::function<void()> &act, const std::function<void()> &select = {}) {
            if (select)
                select();
            QVERIFY(m_frame->onFileSave());
            QVERIFY(!store().configModified);
            const ConfigStore before = content(store());
            act();
            const ConfigStore after = content(store());
            QVERIFY2(!(after == before), what);
            QVERIFY2(store().configModified, what);
            QVERIFY2(undo->isEnabled() && !redo->isEnabled(), what);

            // A message box of the edit may have left the window inactive; shortcuts need it.
            m_frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
            QTest::keyClick(tree, Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(content(store()) == before, what);
            QVERIFY2(!store().configModified, what);
            QVERIFY2(describe(tree) == buildFromStore(store()), what);
            QVERIFY2(redo->isEnabled(), what);

            QTest::keyClick(tree, Qt::Key_Y, Qt::ControlModifier);
            QVERIFY2(content(store()) == after, what);
            QVERIFY2(store().configModified, what);
            QVERIFY2(describe(tree) == buildFromStore(store()), what);
            QVERIFY2(!redo->isEnabled(), what);
        };
        auto type = [&](int row, const QString &text) {
            clickCell(grid, row, 1);
            QVERIFY(edit->isVisible());
            edit->selectAll();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Return);
        };
        auto pick = [&](int row, const QString &text) {
            clickCell(grid, row, 1);
            list->hidePopup();
            const int index = list->findText(text);
            QVERIFY(index >= 0);
            emit list->activated(index);
        };
        QTreeWidgetItem *subnet = tree->topLevelItem(1);

        check("grid value", [&] {
            tree->setCurrentItem(subnet);
            type(7, "2500");
            QCOMPARE(store().subnet(0).responseTimeout, std::string("2500"));
        });
        // The subnet stayed selected and its grid shows the value of each point.
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
        QCOMPARE(grid->item(7, 1)->text(), QStringLiteral("2500"));

        check("list pick", [&] {
            tree->setCurrentItem(tree->topLevelItem(0));
            pick(3, "Hold  Data");
            QCOMPARE(store().subnet(0).timeoutAction, std::string("Hold  Data"));
        });
        check("add node", [&] {
            tree->setCurrentItem(tree->topLevelItem(1));
            m_frame->action(cmd::AddNode)->trigger();
            QCOMPARE(store().subnet(0).nodeCount, 1);
        });
        check("node address", [&] {
            tree->setCurrentItem(tree->topLevelItem(1)->child(0));
            type(0, "5");
            QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("Node-5"));
        });
        check("add command", [&] {
            m_frame->setCommandChooser([] { return 2; });
            tree->setCurrentItem(tree->topLevelItem(1)->child(0));
            m_frame->action(cmd::AddCommand)->trigger();
            QCOMPARE(store().subnet(0).commandCount, 1);
        });
        check("second command", [&] {
            m_frame->setCommandChooser([] { return 12; });
            tree->setCurrentItem(tree->topLevelItem(1)->child(0));
            m_frame->action(cmd::AddCommand)->trigger();
            QCOMPARE(store().subnet(0).commandCount, 2);
        });
        check("paste node", [&] {
            QTreeWidgetItem *node = tree->topLevelItem(1)->child(0);
            tree->setCurrentItem(node);
            m_frame->view()->copyNode();
            whenModalAppears([](QWidget *w) {
                auto *menu = qobject_cast<QMenu *>(w);
                QVERIFY(menu);
                QAction *paste = menu->findChild<QAction *>(QStringLiteral("cmd32791"));
                QVERIFY(paste && paste->isEnabled());
                menu->setActiveAction(paste);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            emit tree->customContextMenuRequested(tree->visualItemRect(node).center());
            QCOMPARE(store().subnet(0).nodeCount, 2);
            QCOMPARE(store().subnet(0).commandCount, 4);
        });
        check("mapping address", [&] {
            whenModalAppears([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
            m_frame->action(cmd::MappingAddress)->trigger();
            QCOMPARE(store().command(0, 2).mappingAddress, std::string("4000"));
        });
        check(
            "delete command",
            [&] {
                m_frame->action(cmd::DeleteCommand)->trigger();
                QCOMPARE(store().subnet(0).commandCount, 3);
            },
            [&] {
                tree->topLevelItem(1)->child(0)->setExpanded(true);
                tree->setCurrentItem(tree->topLevelItem(1)->child(0)->child(0));
            });
        // The selection stays on the first command through undo and redo.
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(0)->child(0));
        check(
            "delete node",
            [&] {
                m_frame->action(cmd::DeleteNode)->trigger();
                QCOMPARE(store().subnet(0).nodeCount, 1);
            },
            [&] { tree->setCurrentItem(tree->topLevelItem(1)->child(0)); });
        check("protocol", [&] {
            tree->setCurrentItem(tree->topLevelItem(1));
            pick(0, "User Config");
            QCOMPARE(tree->topLevelItem(1)->childCount(), 0);
            QVERIFY(!m_frame->action(cmd::MappingAddress)->isEnabled());
        });
        // Redone, the protocol change has switched the mapping commands off again; undone, they
        // are back with the nodes.
        QVERIFY(!m_frame->action(cmd::MappingAddress)->isEnabled());
        QTest::keyClick(tree, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_frame->action(cmd::MappingAddress)->isEnabled());
        QCOMPARE(tree->topLevelItem(1)->childCount(), 1);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
        QVERIFY(m_frame->action(cmd::AddNode)->isEnabled());
    }

    // The saved point: undoing back to it makes the document unmodified (closing does not ask);
    // once an edit follows an undo past it, it is never reached again.
    void theSavedPointFollowsTheHistory()
    {
        QTreeWidget *tree = m_frame->tree();
        QAction *undo = m_frame->action(cmd::EditUndo);
        QAction *redo = m_frame->action(cmd::EditRedo);
        tree->setCurrentItem(tree->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        QVERIFY(m_frame->onFileSave());
        m_frame->action(cmd::AddNode)->trigger();
        QVERIFY(store().configModified);
        undo->trigger();
        QVERIFY(!store().configModified);
        undo->trigger();
        QVERIFY(store().configModified);
        QCOMPARE(store().subnet(0).nodeCount, 0);
        QVERIFY(!undo->isEnabled());
        redo->trigger();
        QVERIFY(!store().configModified);

        undo->trigger();
        m_frame->action(cmd::AddNode)->trigger(); // one node again, but not the saved one
        QCOMPARE(store().subnet(0).nodeCount, 1);
        QVERIFY(!redo->isEnabled());
        QVERIFY(store().configModified);
        undo->trigger();
        QVERIFY(store().configModified);
        redo->trigger();
        QVERIFY(store().configModified);

        // Back at the saved point, closing does not ask.
        undo->trigger();
        redo->trigger();
        QVERIFY(m_frame->onFileSave());
        m_frame->action(cmd::AddNode)->trigger();
        undo->trigger();
        // The watch for a question may outlive this test on a busy machine: it then leaves alone
        // what it finds.
        auto asked = std::make_shared<bool>(false);
        auto watching = std::make_shared<bool>(true);
        whenModalAppears([asked, watching](QWidget *w) {
            if (!*watching)
                return;
            *asked = true;
            w->close();
        }, 20);
        QVERIFY(m_frame->close());
        QTest::qWait(200);
        *watching = false;
        QVERIFY(!*asked);
        m_frame.reset();
    }

    // Ctrl+Z and Ctrl+Y in an open edit box belong to the box; the toolbar's Undo commits what
    // was typed first and takes that back.
    void theEditBoxKeepsItsOwnKeys()
    {
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        tree->setCurrentItem(tree->topLevelItem(1));
        clickCell(grid, 7, 1);
        edit->selectAll();
        QTest::keyClicks(edit, "1234");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(store().subnet(0).responseTimeout, std::string("1234"));

        clickCell(grid, 7, 1);
        QVERIFY(edit->isVisible());
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, "5");
        QCOMPARE(edit->text(), QStringLiteral("12345"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("1234"));
        QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("12345"));
        QVERIFY(edit->isVisible());
        QCOMPARE(store().subnet(0).responseTimeout, std::string("1234"));
        QCOMPARE(m_frame->view()->history().undoCount(), 1u);

        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, "9");
        QWidget *undoButton = m_frame->toolBar()->widgetForAction(m_frame->action(cmd::EditUndo));
        QVERIFY(undoButton);
        QTest::mouseClick(undoButton, Qt::LeftButton);
        QVERIFY(edit->isHidden());
        QCOMPARE(store().subnet(0).responseTimeout, std::string("1234"));
        QCOMPARE(grid->item(7, 1)->text(), QStringLiteral("1234"));
        QWidget *redoButton = m_frame->toolBar()->widgetForAction(m_frame->action(cmd::EditRedo));
        QTest::mouseClick(redoButton, Qt::LeftButton);
        QCOMPARE(store().subnet(0).responseTimeout, std::string("12349"));
    }

    // The selection stays where it still exists, else on the node or subnet it belonged to; open
    // branches stay open.
    void theSelectionIsKeptWhereItExists()
    {
        QTreeWidget *tree = m_frame->tree();
        tree->setCurrentItem(tree->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        m_frame->action(cmd::AddNode)->trigger();
        m_frame->setCommandChooser([] { return 2; });
        tree->setCurrentItem(tree->topLevelItem(1)->child(1));
        m_frame->action(cmd::AddCommand)->trigger();
        QTreeWidgetItem *command = tree->topLevelItem(1)->child(1)->child(0);
        tree->setCurrentItem(command);
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 1}));

        // A value of the fieldbus undone: the command stays selected and shown, its branch open.
        const std::string action = store().subnet(0).timeoutAction;
        tree->setCurrentItem(tree->topLevelItem(0));
        clickCell(m_frame->view()->grid(), 3, 1);
        QComboBox *list = m_frame->view()->inPlaceList();
        list->hidePopup();
        emit list->activated(list->findText(QStringLiteral("Hold  Data")));
        QCOMPARE(store().subnet(0).timeoutAction, std::string("Hold  Data"));
        tree->setCurrentItem(command);
        m_frame->action(cmd::EditUndo)->trigger();
        QCOMPARE(store().subnet(0).timeoutAction, action);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(1)->child(0));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 1}));
        QVERIFY(tree->topLevelItem(1)->isExpanded() && tree->topLevelItem(1)->child(1)->isExpanded());
        QVERIFY(!tree->topLevelItem(1)->child(0)->isExpanded());

        m_frame->action(cmd::EditUndo)->trigger(); // the command goes: its node is selected
        QCOMPARE(store().subnet(0).commandCount, 0);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(1));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Node, 0, 2}));
        QVERIFY(tree->topLevelItem(1)->isExpanded());
        m_frame->action(cmd::EditRedo)->trigger(); // the node stays selected
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(1));
        QCOMPARE(tree->topLevelItem(1)->child(1)->childCount(), 1);
        m_frame->action(cmd::EditUndo)->trigger();
        m_frame->action(cmd::EditUndo)->trigger(); // the node goes: the subnet is selected
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Subnet, 0, 0}));
        QVERIFY(m_frame->action(cmd::AddNode)->isEnabled());
    }

    // New and Open start a fresh history.
    void newAndOpenStartAFreshHistory()
    {
        QTreeWidget *tree = m_frame->tree();
        QAction *undo = m_frame->action(cmd::EditUndo);
        QAction *redo = m_frame->action(cmd::EditRedo);
        tree->setCurrentItem(tree->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        m_frame->action(cmd::AddNode)->trigger();
        QVERIFY(m_frame->onFileSave());
        undo->trigger();
        QVERIFY(undo->isEnabled() && redo->isEnabled());

        whenModalAppears([](QWidget *w) { clickButton(w, QStringLiteral("NO(&N)")); });
        m_frame->onFileNew();
        QCOMPARE(store().subnet(0).nodeCount, 0);
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        QVERIFY(!store().configModified);
        QTest::keyClick(tree, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(store().subnet(0).nodeCount, 0);

        tree->setCurrentItem(tree->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        QVERIFY(undo->isEnabled());
        QVERIFY(m_frame->openProject(m_dir.filePath(QStringLiteral("undo.tqv"))));
        QCOMPARE(store().subnet(0).nodeCount, 2);
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        QTest::keyClick(tree, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(store().subnet(0).nodeCount, 2);
        QVERIFY(!store().configModified);
    }

private:
    ConfigStore &store() { return m_frame->view()->store(); }

    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;
};

int main(int argc, char **argv)
{
    // Keep settings and the file association of the test run away from the user's own.
    QTemporaryDir home;
    testing::isolateGuiTestRun(home);
    QApplication app(argc, argv);
    UndoWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "UndoWindowTest.moc"
