#include "support/GuiTestSupport.h"
#include "app/AppStartup.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigDoc.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "app/FileAssociation.h"
#include "app/SelectCommandDialog.h"
#include "controls/DockPane.h"
#include "editor/ConfigTree.h"
#include "editor/GridLayout.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QLineEdit>
#include <QTableWidget>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QTranslator>
#include <QScreen>

#include <memory>

using namespace tqv;
using testing::clickButton;
using testing::clickCell;
using testing::describe;
using testing::pickInGrid;
using testing::whenModalAppears;

namespace {

// A real double-click: the press selects the entry, the double-click event follows it.
void doubleClick(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { m_opened.append(url); } // the desktop's file opener

private slots:
    void init()
    {
        m_opened.clear();
        QVERIFY(tqv::testing::showMainWindow(m_frame));
    }
    void cleanup() { tqv::testing::closeMainWindow(m_frame); }

    void windowFitsTheScreen()
    {
        const QSize available = m_frame->screen()->availableGeometry().size();
        QCOMPARE(m_frame->size(), QSize(1034, 640).boundedTo(available));
    }

    // The panes: where they dock, their View toggles with check marks, and the tree pane wide
    // enough for the longest command name, keeping the width it was given when shown again.
    void panesAndTheirToggles()
    {
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
        QTreeWidget *tree = m_frame->tree();
        const int needed = tree->fontMetrics().horizontalAdvance(QStringLiteral("Preset Multiple Registers")) +
                           3 * tree->indentation() + tree->iconSize().width();
        QVERIFY2(m_frame->treePane()->width() >= needed, qPrintable(QString::number(m_frame->treePane()->width())));
        QCOMPARE(m_frame->dockWidgetArea(m_frame->treePane()), Qt::LeftDockWidgetArea);
        QCOMPARE(m_frame->dockWidgetArea(m_frame->promptPane()), Qt::BottomDockWidgetArea);

        m_frame->resizeDocks({m_frame->treePane()}, {333}, Qt::Horizontal);
        QApplication::processEvents();
        const int given = m_frame->treePane()->width();
        QAction *viewTree = m_frame->action(cmd::ViewTree);
        QAction *viewPrompt = m_frame->action(cmd::ViewPrompt);
        QVERIFY(viewTree->isChecked());
        QVERIFY(viewPrompt->isChecked());
        viewTree->trigger();
        QVERIFY(m_frame->treePane()->isHidden());
        QVERIFY(!viewTree->isChecked());
        QVERIFY(viewPrompt->isChecked());
        viewTree->trigger();
        QApplication::processEvents();
        QVERIFY(!m_frame->treePane()->isHidden());
        QVERIFY(viewTree->isChecked());
        QCOMPARE(m_frame->treePane()->width(), given);
        viewPrompt->trigger();
        QVERIFY(m_frame->promptPane()->isHidden());
        QVERIFY(!viewPrompt->isChecked());

        // Every item tells its whole name, however narrow the pane.
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            QCOMPARE((*it)->toolTip(0), (*it)->text(0));
    }

    void qtOwnTextsFollowChinese()
    {
        // The tests run in English: nothing of Qt's is translated until Chinese is asked for.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        QVERIFY(!installQtTranslations(Language::English));
        if (!installQtTranslations(Language::Chinese))
            QSKIP("Qt's Chinese translations are not installed (qt6-translations-l10n)");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>())
            QCoreApplication::removeTranslator(t);
    }

    void menuTextsAndShortcuts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        const struct {
            int id;
            const char *menu, *text, *key;
        } rows[] = {
            {57600, "&File", "New(&N)", "Ctrl+N"},
            {57601, "&File", "Open(&O)...", "Ctrl+O"},
            {57603, "&File", "Save(&S)", "Ctrl+S"},
            {57604, "&File", "Save As(&A)...", ""},
            {57665, "&File", "Exit(&E)", ""},
            {57643, "&Edit", "Undo(&U)", "Ctrl+Z"},
            {57644, "&Edit", "Redo(&R)", "Ctrl+Y"},
            {32771, "&Edit", "Add    Node   (&N)", "Ctrl+Shift+N"},
            {32772, "&Edit", "Delete Node   (&D)", ""},
            {32773, "&Edit", "Add    Command(&I)", "Ctrl+Shift+I"},
            {32774, "&Edit", "Delete Command(&E)", ""},
            {32775, "&Tools", "Serial Connection (&P)", "Ctrl+P"},
            {32789, "&Tools", "Ethernet Connection (&E)", "Ctrl+Q"},
            {32776, "&Tools", "Upload (&U)", "Ctrl+U"},
            {32777, "&Tools", "Download (&D)", "Ctrl+D"},
            {32800, "&Tools", "Compare with Gateway...", ""},
            {32780, "&Tools", "Excel Output  (&L)", "Ctrl+E"},
            {32787, "&Tools", "Monitor I/O Data (&G)", "Ctrl+K"},
            {32792, "&Tools", "Mapping Address (&M)", "Ctrl+M"},
            {32779, "&Tools", "Conflict Detection (&C)", "Ctrl+T"},
            {32793, "&View", "Configuration tree", ""},
            {32794, "&View", "Prompt information", ""},
            {32786, "&Help", "Content(&C)", ""},
            {57664, "&Help", "About  (&A)", ""},
        };
        for (const auto &r : rows)
            QTest::newRow(r.text) << r.id << QString(r.menu) << QString(r.text) << QString(r.key);
    }

    void menuTextsAndShortcuts()
    {
        QFETCH(int, id);
        QFETCH(QString, menu);
        QFETCH(QString, text);
        QFETCH(QString, key);
        QAction *a = m_frame->action(id);
        QVERIFY(a);
        QCOMPARE(a->text(), text);
        QCOMPARE(a->shortcut().toString(), key);
        QCOMPARE(a->data().toInt(), id);
        QMenu *host = nullptr;
        for (QAction *top : m_frame->menuBar()->actions())
            if (top->menu() && top->menu()->actions().contains(a))
                host = top->menu();
        QVERIFY(host);
        QCOMPARE(host->title(), menu);
    }

    void toolbarOrderAndTooltips()
    {
        QList<int> ids;
        QStringList tips;
        for (QAction *a : m_frame->toolBar()->actions()) {
            if (a->isSeparator())
                continue;
            ids << a->data().toInt();
            tips << a->toolTip();
            QVERIFY(!a->icon().isNull());
            // Shown buttons are at least the 45 x 40 of the gateway's tools, whatever the style's frame.
            const QWidget *button = m_frame->toolBar()->widgetForAction(a);
            QVERIFY2(!button->isVisible() || (button->width() >= 45 && button->height() >= 40), qPrintable(a->toolTip()));
        }
        QCOMPARE(ids, (QList<int>{57600, 57603, 57601, 57643, 57644, 32771, 32772, 32773, 32774, 32776, 32777,
                                  32792, 32779, 32780, 32787}));
        const QStringList some{tips.at(0), tips.at(3), tips.at(5), tips.at(9), tips.at(11), tips.at(12)};
        QCOMPARE(some, (QStringList{"New", "Undo", "Add Node", "Upload configuration", "Calculation mapping address",
                                    "Mapping Address Conflict Detection"}));
        QCOMPARE(m_frame->action(57600)->statusTip(), QStringLiteral("New a project"));
        // A new document (type 3): the serial connection, not the Ethernet one.
        QVERIFY(!m_frame->action(32789)->isEnabled());
        for (int id : {32775, 32776, 32777, 32792, 32779, 32780, 32787})
            QVERIFY(m_frame->action(id)->isEnabled());
    }

    // The tree commands from the Edit menu and the context menu reach the store and the tree:
    // the tree follows the store, open branches stay open, the next item is selected. Which item
    // comes next, the enabling and the limits are pinned in EditorSessionTest and TreeEditorTest.
    void treeCommandsReachTheTree()
    {
        QTreeWidget *tree = m_frame->tree();
        ConfigStore &store = m_frame->view()->store();
        QAction *addNode = m_frame->action(cmd::AddNode);
        QAction *addCommand = m_frame->action(cmd::AddCommand);
        QAction *deleteCommand = m_frame->action(cmd::DeleteCommand);
        auto fromContextMenu = [&](QTreeWidgetItem *item, const char *command) {
            whenModalAppears([command](QWidget *w) {
                auto *menu = qobject_cast<QMenu *>(w);
                QVERIFY(menu);
                QStringList texts;
                for (QAction *a : menu->actions())
                    texts << a->text();
                QCOMPARE(texts, (QStringList{"Add    Node", "Delete Node", "Add    Command", "Delete Command",
                                             "Copy   Node", "Paste  Node"}));
                QAction *chosen = menu->findChild<QAction *>(QString::fromLatin1(command));
                QVERIFY(chosen && chosen->isEnabled());
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            emit tree->customContextMenuRequested(tree->visualItemRect(item).center());
        };

        tree->setCurrentItem(tree->topLevelItem(0));
        QVERIFY(!addNode->isEnabled());
        fromContextMenu(tree->topLevelItem(1), "cmd32781");
        addNode->trigger();
        QCOMPARE(store.subnet(0).nodeCount, 2);
        QVERIFY(store.configModified);
        QVERIFY(tree->topLevelItem(1)->isExpanded());

        tree->setCurrentItem(tree->topLevelItem(1)->child(1));
        m_frame->setCommandChooser([] { return 12; });
        addCommand->trigger();
        m_frame->setCommandChooser([] { return 2; });
        tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        addCommand->trigger();
        tree->setCurrentItem(tree->topLevelItem(1)->child(1));
        addCommand->trigger();
        QCOMPARE(store.subnet(0).commandCount, 3);
        QVERIFY(describe(tree) == buildFromStore(store));
        QCOMPARE(tree->topLevelItem(1)->child(1)->child(0)->text(0), QStringLiteral("Force Multiple Coils"));

        tree->topLevelItem(1)->child(0)->setExpanded(true);
        tree->setCurrentItem(tree->topLevelItem(1)->child(1)->child(0));
        deleteCommand->trigger();
        QCOMPARE(store.subnet(0).commandCount, 2);
        QVERIFY(describe(tree) == buildFromStore(store));
        QVERIFY(tree->topLevelItem(1)->child(0)->isExpanded() && tree->topLevelItem(1)->child(1)->isExpanded());
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(1)->child(0));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 2}));

        // A node address typed in the grid renames its item; copied and pasted from the context
        // menu, the new node is selected and shown.
        QTreeWidgetItem *first = tree->topLevelItem(1)->child(0);
        tree->setCurrentItem(first);
        clickCell(m_frame->view()->grid(), 0, 1);
        QTest::keyClicks(m_frame->view()->inPlaceEdit(), "12");
        QTest::keyClick(m_frame->view()->inPlaceEdit(), Qt::Key_Return);
        QCOMPARE(first->text(0), QStringLiteral("Node-12"));
        QCOMPARE(first->toolTip(0), first->text(0));
        QVERIFY(m_frame->view()->canCopySelected());
        m_frame->view()->copyNode();
        fromContextMenu(first, "cmd32791");
        QCOMPARE(store.subnet(0).nodeCount, 3);
        QVERIFY(describe(tree) == buildFromStore(store));
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(2));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Node, 0, 3}));

        // Master -> slave -> master: the nodes leave the tree and come back, Add Node at once.
        for (const char *protocol : {"Modbus slave", "Modbus master"}) {
            tree->setCurrentItem(tree->topLevelItem(1));
            pickInGrid(m_frame->view(), 0, protocol);
            QVERIFY(describe(tree) == buildFromStore(store));
            QCOMPARE(addNode->isEnabled(), tree->topLevelItem(1)->childCount() == 3);
        }
    }

    void selectCommandDialog()
    {
        SelectCommandDialog dialog, keyed, escaped;
        for (SelectCommandDialog *d : {&dialog, &keyed, &escaped}) {
            d->show();
            QVERIFY(QTest::qWaitForWindowExposed(d));
        }
        QListWidget *list = dialog.list();
        int doubleClicks = 0;
        connect(list, &QListWidget::itemDoubleClicked, this, [&doubleClicks] { ++doubleClicks; });
        QCOMPARE(list->count(), 14);
        QCOMPARE(list->item(7)->text(), QStringLiteral("08 Diagnostics"));
        doubleClick(list, 7);
        QCOMPARE(doubleClicks, 1);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.chosenIndex(), -1);
        doubleClick(list, 12);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenIndex(), 12);

        // From the keyboard: arrows to an entry, Return picks it when it can be chosen.
        keyed.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&keyed));
        QVERIFY(keyed.list()->hasFocus());
        QCOMPARE(keyed.list()->item(7)->foreground().color(), keyed.palette().color(QPalette::Disabled, QPalette::Text));
        QVERIFY(keyed.list()->item(12)->foreground().color() != keyed.list()->item(7)->foreground().color());
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(keyed.list(), Qt::Key_Down);
        QTest::keyClick(keyed.list(), Qt::Key_Return);
        QVERIFY(keyed.isVisible()); // 08 Diagnostics cannot be chosen
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(keyed.list(), Qt::Key_Down);
        QTest::keyClick(keyed.list(), Qt::Key_Return);
        QCOMPARE(keyed.result(), int(QDialog::Accepted));
        QCOMPARE(keyed.chosenIndex(), 12);

        QTest::keyClick(&escaped, Qt::Key_Escape);
        QCOMPARE(escaped.result(), int(QDialog::Rejected));
        QCOMPARE(escaped.chosenIndex(), -1);
    }

    // Closing with unsaved edits asks "Save Configuration": Cancel keeps the window, No closes
    // without saving, Yes saves (asking for a name only while untitled) and closes, unless the
    // name dialog is cancelled or the save fails. Without edits, closing does not ask.
    void closePrompt_data()
    {
        QTest::addColumn<QString>("button");     // "" when no question may come
        QTest::addColumn<bool>("titled");        // saved under the path before the edit
        QTest::addColumn<QString>("saveName");   // what the name dialog answers
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("written");       // the edit reached the file
        QTest::newRow("cancel") << "CANCEL" << false << "p.tqv" << false << false;
        QTest::newRow("no") << "NO(&N)" << false << "p.tqv" << true << false;
        QTest::newRow("yes, untitled") << "YES(&Y)" << false << "p.tqv" << true << true;
        QTest::newRow("yes, titled") << "YES(&Y)" << true << "" << true << true;
        QTest::newRow("yes, name cancelled") << "YES(&Y)" << false << "" << false << false;
        QTest::newRow("yes, save fails") << "YES(&Y)" << false << "/nonexistent-dir/x.tqv" << false << false;
        QTest::newRow("unmodified") << "" << false << "p.tqv" << true << false;
    }
    void closePrompt()
    {
        QFETCH(QString, button);
        QFETCH(bool, titled);
        QFETCH(QString, saveName);
        QFETCH(bool, closes);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.tqv"));
        ConfigStore &store = m_frame->view()->store();
        if (titled) {
            m_frame->setFileNameProvider([path](bool) { return path; });
            QVERIFY(m_frame->onFileSaveAs());
        }
        int dialogs = 0;
        const QString answer = saveName.isEmpty() || saveName.startsWith('/') ? saveName : dir.filePath(saveName);
        m_frame->setFileNameProvider([&dialogs, answer](bool) { ++dialogs; return answer; });
        if (!button.isEmpty()) {
            store.gatewayType = 2;
            store.configModified = true;
        }
        bool asked = false, failed = false;
        const bool failing = saveName.startsWith('/');
        whenModalAppears([&](QWidget *w) {
            asked = true;
            QCOMPARE(w->windowTitle(), QStringLiteral("Save Configuration"));
            QCOMPARE(qobject_cast<QMessageBox *>(w)->text(), QStringLiteral("Save the data to harddisk or not"));
            clickButton(w, button);
            if (failing) {
                whenModalAppears([&failed](QWidget *error) {
                    failed = qobject_cast<QMessageBox *>(error)->text().contains("x.tqv");
                    error->close();
                });
            }
        }, button.isEmpty() ? 5 : 500);
        QCOMPARE(m_frame->close(), closes);
        QTest::qWait(100);
        QCOMPARE(asked, !button.isEmpty());
        QCOMPARE(failed, failing);
        QCOMPARE(dialogs, titled || button != QStringLiteral("YES(&Y)") ? 0 : 1);
        if (!closes)
            QVERIFY(store.configModified);
        ConfigStore back;
        QCOMPARE(ProjectDocument::open(path.toStdString(), back, CodePage::Windows1252).ok(), written || titled);
        if (written)
            QCOMPARE(back.gatewayType, 2u);
        if (closes)
            m_frame.reset();
    }

    // The document's path and flags through Save, New and Open (the store's own flags are pinned
    // in ProjectDocumentTest; Save of an untitled document, the title and Open in UndoWindowTest).
    void flagsAfterNewOpenSave()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("flags.tqv");
        ConfigStore &store = m_frame->view()->store();
        m_frame->tree()->setCurrentItem(m_frame->tree()->topLevelItem(1));
        m_frame->action(cmd::AddNode)->trigger();
        m_frame->setFileNameProvider([path](bool) { return path; });
        QVERIFY(m_frame->onFileSave());

        // Unsaved edits are not dropped by New without asking; NO discards them.
        m_frame->action(cmd::AddNode)->trigger();
        whenModalAppears([](QWidget *w) { clickButton(w, QStringLiteral("NO(&N)")); });
        m_frame->onFileNew();
        QCOMPARE(store.subnet(0).nodeCount, 0);
        QVERIFY(!store.configModified);
        QVERIFY(m_frame->document()->path().isEmpty());
        QVERIFY(m_frame->openProject(path));
        QCOMPARE(m_frame->tree()->topLevelItem(1)->childCount(), 1);
    }

    void failedOpenChangesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bad.tqv");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x03\x00\x00\x00\xFF\xFF\x01\x00", 8);
        f.close();
        ConfigStore &store = m_frame->view()->store();
        store.gatewayType = 2;
        m_frame->view()->rebuildTree();
        const ConfigStore before = store;
        whenModalAppears([](QWidget *w) {
            QVERIFY(qobject_cast<QMessageBox *>(w)->text().contains("ends early"));
            w->close();
        });
        QVERIFY(!m_frame->openProject(path));
        QVERIFY(store == before);
        QCOMPARE(m_frame->tree()->topLevelItemCount(), 4);
    }

    // A project path on the command line arrives split at its blanks.
    void commandLineProjectWithBlanks()
    {
        const QString path = QStringLiteral("/my projects/line 7.tqv");
        const StartupOptions options =
            parseStartupArguments(path.split(QLatin1Char(' ')) << QStringLiteral("--lang") << QStringLiteral("en"));
        QCOMPARE(options.projectPath, path);
        QCOMPARE(options.language, QStringLiteral("en"));
        QCOMPARE(parseStartupArguments({}).projectPath, QString());
    }

    void recentFilesMenuOpensProjects()
    {
        QTemporaryDir dir;
        ConfigStore &store = m_frame->view()->store();
        QStringList paths;
        for (unsigned type : {0u, 2u, 4u, 1u, 6u}) {
            const QString path = dir.filePath(QStringLiteral("type%1 & more.tqv").arg(type));
            store.gatewayType = type;
            m_frame->setFileNameProvider([path](bool) { return path; });
            QVERIFY(m_frame->onFileSaveAs());
            paths.prepend(path);
        }
        QStringList shown;
        QList<QAction *> entries;
        for (QAction *a : m_frame->recentFileMenuHost()->actions())
            if (a->data().typeId() == QMetaType::QString) {
                shown << a->data().toString();
                entries << a;
            }
        QCOMPARE(shown, paths.mid(0, 4)); // newest first, four at most
        QVERIFY(entries.at(0)->text().startsWith("&1 "));
        QVERIFY(entries.at(0)->text().contains("&& more"));

        store.gatewayType = 3;
        m_frame->view()->rebuildTree();
        entries.at(2)->trigger(); // type 4
        QCOMPARE(store.gatewayType, 4u);
        QCOMPARE(m_frame->tree()->topLevelItem(0)->text(0), QStringLiteral("Ethernet"));
        QCOMPARE(m_frame->document()->path(), paths.at(2));
    }

    // Help > Content hands the desktop the help file when it is there, else the installed manual
    // of the window's language, else the one in the build tree; with none of them a box names
    // the help file and the installed manual instead.
    void helpOpensTheManualOfTheLanguage_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("opened");
        const QString chm = QStringLiteral("bin/TQV-580_V1.0.1_UM.chm");
        const QString installedEn = QStringLiteral("share/doc/tqv580/manual/en/index.html");
        const QString installedZh = QStringLiteral("share/doc/tqv580/manual/zh/index.html");
        const QString buildEn = QStringLiteral("manual/en/index.html");
        const QString buildZh = QStringLiteral("manual/zh/index.html");
        QTest::newRow("installed") << QStringList{installedEn, buildEn} << false << installedEn;
        QTest::newRow("build tree") << QStringList{buildEn, buildZh} << false << buildEn;
        QTest::newRow("chinese installed") << QStringList{installedEn, installedZh} << true << installedZh;
        QTest::newRow("chinese build tree") << QStringList{installedEn, buildZh} << true << buildZh;
        QTest::newRow("help file first") << QStringList{chm, installedEn} << false << chm;
        QTest::newRow("none") << QStringList{} << false << QString();
    }
    void helpOpensTheManualOfTheLanguage()
    {
        QFETCH(QStringList, present);
        QFETCH(bool, chinese);
        QFETCH(QString, opened);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("bin"))));
        for (const QString &file : present) {
            QVERIFY(QDir().mkpath(QFileInfo(root.filePath(file)).path()));
            QFile page(root.filePath(file));
            QVERIFY(page.open(QIODevice::WriteOnly));
        }
        m_frame->setProgramDirectory(root.filePath(QStringLiteral("bin")));
        setLanguage(chinese ? Language::Chinese : Language::English);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        // A box would block the trigger; where none is expected the few polls all end within the
        // wait below.
        QString said;
        whenModalAppears(
            [&said](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                said = box ? box->text() : QStringLiteral("not a message box");
                w->close();
            },
            opened.isEmpty() ? 500 : 3);
        m_frame->action(cmd::HelpContent)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        setLanguage(Language::English);
        QTest::qWait(100);
        QVERIFY(m_frame->isVisible());
        if (opened.isEmpty()) {
            QVERIFY(m_opened.isEmpty());
            QVERIFY2(said.contains(QStringLiteral("TQV-580_V1.0.1_UM.chm")), qPrintable(said));
            QVERIFY2(said.contains(root.filePath(QStringLiteral("share/doc/tqv580/manual/en/index.html"))),
                     qPrintable(said));
            return;
        }
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(root.filePath(opened))});
        QVERIFY2(said.isEmpty(), qPrintable(said));
    }

    // Ctrl+E writes the workbook under the chosen name (with .xlsx added) and hands it to the
    // desktop; a configuration without a layout says why before any name is asked.
    void excelOutputWritesTheWorkbookAndOpensIt()
    {
        QTemporaryDir dir;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        int asked = 0;
        m_frame->setExportFileNameProvider([&] {
            ++asked;
            return dir.filePath(QStringLiteral("plant"));
        });
        QTest::keyClick(m_frame.get(), Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(m_opened.size(), 1);
        const QString written = dir.filePath(QStringLiteral("plant.xlsx"));
        QCOMPARE(m_opened.first(), QUrl::fromLocalFile(written));
        QVERIFY(QFileInfo(written).size() > 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("plant.xlsx")});

        m_frame->view()->store().subnet(0).protocol = text(StrId::ProtocolSelfDefining);
        QString said;
        whenModalAppears([&said](QWidget *w) {
            said = qobject_cast<QMessageBox *>(w)->text();
            w->close();
        });
        m_frame->action(cmd::ExcelOutput)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY2(said.contains(QStringLiteral("Self-defining protocol")), qPrintable(said));
        QCOMPARE(asked, 1);
        QCOMPARE(m_opened.size(), 1);
    }

    void fileAssociationIsWrittenOnceForTheUser()
    {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QString desktop = data + "/applications/tqv580-user.desktop";
        const QString mime = data + "/mime/packages/tqv580.xml";
        QFile::remove(desktop);
        QFile::remove(mime);
        registerFileAssociation(QStringLiteral("/opt/tqv 580/tqv580"));
        QFile d(desktop);
        QVERIFY(d.open(QIODevice::ReadOnly));
        QVERIFY(d.readAll().contains("Exec=\"/opt/tqv 580/tqv580\" %f"));
        QFile m(mime);
        QVERIFY(m.open(QIODevice::ReadOnly));
        QVERIFY(m.readAll().contains("<glob pattern=\"*.tqv\"/>"));
        // An existing association is left as the user has it.
        registerFileAssociation(QStringLiteral("/elsewhere/tqv580"));
        d.close();
        QVERIFY(d.open(QIODevice::ReadOnly));
        QVERIFY(!d.readAll().contains("elsewhere"));
    }

    void gridShowsTheSelectedItem()
    {
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        // Before the first selection a click changes nothing.
        QVERIFY(!m_frame->view()->gridReady());
        clickCell(grid, 3, 1);
        QVERIFY(m_frame->view()->inPlaceList()->isHidden());
        QCOMPARE(m_frame->promptText()->text(), QString());

        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(grid->rowCount(), 40);
        QCOMPARE(grid->columnCount(), 2);
        // What each row holds is PropertyGridTest's; here the grid shows it, grey where read-only.
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("Profibus"));
        QCOMPARE(grid->item(0, 1)->background().color(), QColor(200, 200, 200));
        QCOMPARE(grid->item(3, 1)->background().color(), QColor(255, 255, 255));
        QCOMPARE(grid->item(3, 1)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
        QVERIFY(qAbs(grid->columnWidth(0) - grid->columnWidth(1)) <= 1); // halves of an odd width may differ by one
        // Grid lines darker than the grey of read-only cells, below a row and between the columns.
        const QImage drawn = grid->viewport()->grab().toImage();
        const int lineY = grid->rowViewportPosition(1) - 1, lineX = grid->columnViewportPosition(1) - 1;
        QCOMPARE(drawn.pixelColor(QPoint(5, lineY) * drawn.devicePixelRatio()), QColor(128, 128, 128));
        QCOMPARE(drawn.pixelColor(QPoint(lineX, 5) * drawn.devicePixelRatio()), QColor(128, 128, 128));

        // A click on a list cell: the list drops down over the cell with its first choice.
        clickCell(grid, 3, 1);
        QComboBox *list = m_frame->view()->inPlaceList();
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentIndex(), 0);
        const QRect cell = grid->visualRect(grid->model()->index(3, 1));
        QCOMPARE(list->geometry(), QRect(cell.left() + 1, cell.top(), cell.width() - 14, cell.height()));
        QVERIFY(m_frame->promptText()->text().startsWith("When a Read Command"));
        list->hidePopup();

        // A free-text cell: the edit box with the whole text selected; the list goes away.
        clickCell(grid, 4, 1);
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        QVERIFY(edit->isVisible());
        QVERIFY(list->isHidden());
        QCOMPARE(edit->text(), QStringLiteral("3"));
        QCOMPARE(edit->selectedText(), QStringLiteral("3"));
        QCOMPARE(edit->geometry().top(), grid->visualRect(grid->model()->index(4, 1)).top());

        // Label and read-only cells open nothing but still explain the row.
        edit->hide();
        clickCell(grid, 1, 0);
        QVERIFY(edit->isHidden() && list->isHidden());
        QCOMPARE(m_frame->promptText()->text(), QStringLiteral("Size of PROFIBUS DP Input buffer"));
        clickCell(grid, 1, 1);
        QVERIFY(edit->isHidden() && list->isHidden());

        // Another selection empties the prompt and refills the grid; editors are hidden.
        clickCell(grid, 3, 1);
        list->hidePopup();
        tree->setCurrentItem(tree->topLevelItem(1));
        QVERIFY(list->isHidden());
        QCOMPARE(m_frame->promptText()->text(), QString());
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("Modbus master"));
        clickCell(grid, 7, 0);
        QVERIFY(m_frame->promptText()->text().startsWith("After the gateway sends request"));
        QVERIFY(!m_frame->promptText()->text().contains('\r'));
    }

    // A value typed into a subnet's edit box and left by a click elsewhere, Return or Escape: taken,
    // put back with a box, or cleared with the reason in the status bar in the window's language
    // until the next action. Which values are refused and how is ValueCommitTest's.
    void typedValues_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("leaveBy"); // a key, or 0: a click elsewhere in the grid
        QTest::addColumn<QString>("shown");  // the cell afterwards
        QTest::addColumn<QString>("stored"); // cleared cells keep the stored value
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("status");
        const int click = 0, ret = Qt::Key_Return, esc = Qt::Key_Escape;
        QTest::newRow("taken on leaving") << false << 7 << "60000" << click << "60000" << "60000" << "" << "";
        QTest::newRow("taken on Return") << false << 7 << "1500" << ret << "1500" << "1500" << "" << "";
        QTest::newRow("Escape keeps") << false << 7 << "999999" << esc << "300" << "300" << "" << "";
        QTest::newRow("illegal characters")
            << false << 20 << "4x" << click << "0" << "0"
            << "\\\"Time Interval between Character(Sending)\\\"contains illegal characters" << "";
        QTest::newRow("out of range") << false << 7 << "100" << ret << "" << "300" << ""
                                      << "\"100\" was not taken: allowed are 300 to 60000.";
        QTest::newRow("out of range, Chinese") << true << 8 << "9999" << ret << "" << "0" << ""
                                               << "“9999”未被接受：允许的范围是0到2500。";
    }
    void typedValues()
    {
        QFETCH(bool, chinese);
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(int, leaveBy);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        QFETCH(QString, box);
        QFETCH(QString, status);
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        ConfigStore &store = m_frame->view()->store();
        if (chinese) { // a configuration of Chinese values
            setLanguage(Language::Chinese);
            store.newConfiguration();
            m_frame->view()->rebuildTree();
        }
        tree->setCurrentItem(tree->topLevelItem(1));
        const ItemRef item = m_frame->view()->shownItem();
        QString said;
        whenModalAppears([&said](QWidget *w) {
            said = qobject_cast<QMessageBox *>(w)->text();
            w->close();
        }, box.isEmpty() ? 5 : 500);
        clickCell(grid, row, 1);
        QVERIFY(edit->isVisible() && edit->hasFocus());
        QTest::keyClicks(edit, typed);
        if (leaveBy)
            QTest::keyClick(edit, Qt::Key(leaveBy));
        else
            clickCell(grid, 0, 0);
        QTest::qWait(100);
        const QString message = m_frame->statusBar()->currentMessage();
        const QString kept = QString::fromStdString(describeCell(store, item, row, false).value);
        setLanguage(Language::English);
        QCOMPARE(said, box);
        QVERIFY(edit->isHidden());
        if (leaveBy == Qt::Key_Return)
            QVERIFY(grid->hasFocus()); // the grid has the keys back
        QCOMPARE(grid->item(row, 1)->text(), shown);
        QCOMPARE(kept, stored);
        QCOMPARE(message, status.isEmpty() ? QStringLiteral("Ready") : status);
        clickCell(grid, row + 1, 0); // the next action
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
    }

private:
    std::unique_ptr<CMainFrame> m_frame;
    QList<QUrl> m_opened;
};

TQV_GUI_TEST_MAIN(MainWindowTest)

#include "MainWindowTest.moc"
