// Undo and redo in the window: the keyboard, the Edit menu and the toolbar, the title and the place
// in the tree kept through undo, redo, Open and Compare. The rules of the session itself are
// pinned in EditorSessionTest.
#include "support/GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigDoc.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "editor/ConfigTree.h"
#include "compare/ConfigDiff.h"
#include "app/DifferencesDialog.h"
#include "app/ImportDialog.h"
#include "export/Workbook.h"
#include "support/StoreHelpers.h"
#include "resources/Strings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace tqv;
using testing::clickButton;
using testing::clickCell;
using testing::whenModalAppears;

class UndoWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(tqv::testing::showMainWindow(m_frame));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_frame->setFileNameProvider([this](bool) { return m_dir.filePath(QStringLiteral("undo.tqv")); });
    }
    void cleanup() { tqv::testing::closeMainWindow(m_frame); }

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

    // The keyboard's undo and redo of a grid value, with the title telling whether the document
    // differs from its file: the name and the marker after Save, an edit, Undo and Open. The rules
    // of the saved point (same text, refused value, undo back to it) are pinned in
    // EditorSessionTest; that closing unmodified does not ask, in MainWindowTest's closePrompt.
    void theTitleTellsTheTruth()
    {
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        const QString title = QStringLiteral("Gateway configuration software TQV-580");
        QCOMPARE(m_frame->windowTitle(), title + QStringLiteral("[*]"));
        QVERIFY(!m_frame->isWindowModified());
        QVERIFY(m_frame->windowFilePath().isEmpty());

        tree->setCurrentItem(tree->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        QVERIFY(m_frame->isWindowModified());
        QVERIFY(m_frame->onFileSave());
        const QString named = QStringLiteral("undo.tqv[*] \u2014 ") + title;
        QCOMPARE(m_frame->windowTitle(), named);
        QCOMPARE(m_frame->windowFilePath(), m_dir.filePath(QStringLiteral("undo.tqv")));
        QVERIFY(!m_frame->isWindowModified());

        // A new value marks the title until it is undone.
        tree->setCurrentItem(tree->topLevelItem(1));
        clickCell(grid, 7, 1);
        QVERIFY(edit->isVisible());
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("2500"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(m_frame->isWindowModified());
        QTest::keyClick(tree, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!m_frame->isWindowModified());
        QVERIFY(!store().configModified);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
        QCOMPARE(grid->item(7, 1)->text(), QString::fromStdString(store().subnet(0).responseTimeout));
        QTest::keyClick(tree, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(m_frame->isWindowModified());
        QCOMPARE(grid->item(7, 1)->text(), QStringLiteral("2500"));
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("Redone: 0 more steps to redo"));

        // Open of the same file: a fresh history, unmodified, the name in the title, the place kept.
        whenModalAppears([](QWidget *w) { clickButton(w, QStringLiteral("NO(&N)")); });
        m_frame->onFileOpen();
        QCOMPARE(m_frame->windowTitle(), named);
        QVERIFY(!m_frame->isWindowModified());
        QVERIFY(!m_frame->action(cmd::EditUndo)->isEnabled());
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
        QVERIFY(tree->topLevelItem(1)->isExpanded());
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
        testing::pickInGrid(m_frame->view(), 3, QStringLiteral("Hold  Data"));
        QCOMPARE(store().subnet(0).timeoutAction, std::string("Hold  Data"));
        // The pick refreshed the grid: the dependent row is greyed.
        QCOMPARE(m_frame->view()->grid()->item(4, 1)->background().color(), QColor(200, 200, 200));
        tree->setCurrentItem(command);
        m_frame->action(cmd::EditUndo)->trigger();
        QCOMPARE(store().subnet(0).timeoutAction, action);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(1)->child(0));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 1}));
        QVERIFY(tree->topLevelItem(1)->isExpanded() && tree->topLevelItem(1)->child(1)->isExpanded());
        QVERIFY(!tree->topLevelItem(1)->child(0)->isExpanded());

        // Where the selection is gone, it lands by the rules pinned in EditorSessionTest.
        m_frame->action(cmd::EditUndo)->trigger();
        QCOMPARE(store().subnet(0).commandCount, 0);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(1));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Node, 0, 2}));
        QVERIFY(tree->topLevelItem(1)->isExpanded());
    }

    // Closing Compare keeps the place and says how many values were taken.
    void compareKeepsThePlace()
    {
        QTreeWidget *tree = m_frame->tree();
        tree->setCurrentItem(tree->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        m_frame->setCommandChooser([] { return 2; });
        tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        m_frame->action(cmd::AddCommand)->trigger();
        QTreeWidgetItem *command = tree->topLevelItem(1)->child(0)->child(0);
        tree->setCurrentItem(command);
        ConfigStore gateway = store();
        gateway.subnet(0).responseTimeout = "4321";
        whenModalAppears([](QWidget *w) { w->close(); });
        m_frame->resolveDifferences(gateway, Carried::Serial, kAnyFirmware);
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("No values taken from the gateway"));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 1}));
        QVERIFY(tree->topLevelItem(1)->isExpanded() && tree->topLevelItem(1)->child(0)->isExpanded());
        QVERIFY(m_frame->view()->gridReady());
    }

    // File > Import of a workbook with a new quantity and a refused slave address: the dialog
    // lists both; Escape changes nothing; "Apply accepted rows" is one undo step that keeps the place.
    void importIsOneUndoStep()
    {
        ConfigStore &s = store();
        s.node(0, s.addNode(0).value()) = NODE{"7", "Pump"};
        for (const char *function : {"3", "16"})
            s.command(0, s.addCommand(0, 1, function).value()) =
                COMMAND{"7", function, "10", "2", function[0] == '3' ? "0" : "4000", "0", "4", s.newCommandDataFormat(),
                        "", text(StrId::ScanQuick), 1};
        m_frame->view()->storeReplaced(QString());
        m_frame->tree()->setCurrentItem(m_frame->tree()->topLevelItem(1)->child(0)->child(0));
        const ConfigStore before = s;
        ConfigStore edited = s;
        edited.command(0, 1).quantity = "5";
        std::vector<Cell> cells = workbookCells(edited);
        std::find(cells.begin(), cells.end(), Cell{Sheet::CommandList, 3, 2, "7"})->text = "300";
        const QString book = m_dir.filePath(QStringLiteral("plan.xlsx"));
        QVERIFY(writeWorkbook(cells, book.toStdString()).ok());
        m_frame->setImportFileNameProvider([book] { return book; });
        for (const bool apply : {false, true}) {
            whenModalAppears([apply](QWidget *w) {
                auto *dialog = qobject_cast<ImportDialog *>(w);
                QVERIFY(dialog && !dialog->applyButton()->isEnabled() && dialog->cancelButton()->isDefault());
                const std::vector<Difference> &listed = dialog->differencesModel()->differences();
                QVERIFY(std::any_of(listed.begin(), listed.end(), [](const Difference &d) {
                    return d.at == DifferenceAt{DifferenceAt::Scope::Command, 0, 0, "quantity"} && d.otherText == "5";
                }));
                QCOMPARE(dialog->refusedTable()->rowCount(), 1);
                QCOMPARE(dialog->refusedTable()->item(0, 1)->text() + dialog->refusedTable()->item(0, 3)->text(),
                         QStringLiteral("3300"));
                if (apply)
                    QTest::mouseClick(dialog->applyAcceptedButton(), Qt::LeftButton);
                else
                    QTest::keyClick(dialog, Qt::Key_Escape);
            });
            m_frame->action(cmd::FileImport)->trigger();
            QCOMPARE(store().command(0, 1).quantity, std::string(apply ? "5" : "2"));
        }
        QCOMPARE(store().command(0, 1).byteCount, std::string("10"));
        QCOMPARE(store().subnet(0).commandCount, 1); // the refused row's command is left out
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 1}));
        QCOMPARE(m_frame->statusBar()->currentMessage(),
                 QStringLiteral("Imported the accepted rows of plan.xlsx: 3 value(s) changed, 1 cell(s) refused"));
        m_frame->action(cmd::EditUndo)->trigger();
        QVERIFY(testing::historyContent(store()) == testing::historyContent(before));
        QVERIFY(!m_frame->action(cmd::EditUndo)->isEnabled());
    }

private:
    ConfigStore &store() { return m_frame->view()->store(); }

    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;
};

TQV_GUI_TEST_MAIN(UndoWindowTest)

#include "UndoWindowTest.moc"
