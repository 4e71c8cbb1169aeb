// The window as engineers drive it: grid and tree from the keyboard, the reason of a refused value
// at its cell, failed downloads against the gateway simulator, the conflict question, the status line.
#include "support/GatewaySimProcess.h"
#include "support/GuiTestSupport.h"
#include "app/CommandIds.h"
#include "controls/DockPane.h"
#include "app/SelectCommandDialog.h"
#include "app/TransferDialog.h"
#include "editor/GridLayout.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolTip>

using namespace tqv;

class KeyboardWorkTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(testing::showMainWindow(m_frame));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void cleanup() { testing::closeMainWindow(m_frame); }

    void gridTypingReturnArrowsTabAndRefusals()
    {
        ConfigStore &store = m_frame->view()->store();
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        QComboBox *list = m_frame->view()->inPlaceList();
        store.subnet(0).masterBaud = "2400";
        tree->setFocus();
        tree->setCurrentItem(tree->topLevelItem(1));

        // Tab from the tree passes the prompt pane and reaches the grid; arrows pick the row; F2
        // opens its editor.
        QTest::keyClick(tree, Qt::Key_Tab);
        QVERIFY(m_frame->promptPane()->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(grid->hasFocus());
        QCOMPARE(grid->currentRow(), 0);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 1);
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY(list->isVisible());
        QVERIFY(!m_frame->promptText()->text().isEmpty());
        // Escape closes the list without a pick: the cell shows the stored value, not "300".
        QTest::keyClick(list->view(), Qt::Key_Escape);
        QTRY_VERIFY(list->isHidden());
        QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("2400"));
        QCOMPARE(store.subnet(0).masterBaud, std::string("2400"));
        QVERIFY(grid->hasFocus());
        // Return or Space on a text row opens the edit box (how it is left: MainWindowTest's typedValues).
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 7);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            QTest::keyClick(grid, key);
            QVERIFY(edit->isVisible() && edit->hasFocus());
            QTest::keyClick(edit, Qt::Key_Escape);
            QVERIFY(edit->isHidden());
            grid->setFocus();
        }

        // A digit typed on a command's row opens the box with it; Return stores and steps down.
        addCommands(1);
        tree->setCurrentItem(tree->topLevelItem(1)->child(0)->child(0));
        grid->setFocus();
        grid->setCurrentCell(2, 1);
        QTest::keyClick(grid, Qt::Key_1);
        QTest::keyClick(edit, Qt::Key_2);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(store.command(0, 1).startAddress, std::string("12"));
        QCOMPARE(grid->currentRow(), 3);
        QCOMPARE(m_frame->promptText()->text(), promptOf(3));
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(m_frame->promptText()->text(), promptOf(grid->currentRow()));
        // A value put back says why beside its cell as well as in the status bar; Tab leaves.
        grid->setCurrentCell(2, 1);
        QTest::keyClick(grid, Qt::Key_7);
        QTest::keyClicks(edit, QStringLiteral("0000"));
        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(tree->hasFocus());
        QCOMPARE(store.command(0, 1).startAddress, std::string("12"));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), m_frame->statusBar()->currentMessage());
        QVERIFY(QToolTip::text().contains(QStringLiteral("65535")));
        // A status line too long for the window is shortened, the whole of it in the tooltip.
        const QString message = QStringLiteral("a long reason ").repeated(20);
        m_frame->statusBar()->showMessage(message);
        QVERIFY(m_frame->statusBar()->fontMetrics().horizontalAdvance(m_frame->statusBar()->currentMessage()) <
                m_frame->statusBar()->width());
        QCOMPARE(m_frame->statusBar()->toolTip(), message);
    }

    void treeKeysAndSelectCommandButtons()
    {
        ConfigStore &store = addCommands(2);
        QTreeWidget *tree = m_frame->tree();
        tree->setFocus();
        const auto key = [tree](QTreeWidgetItem *item, Qt::Key k, Qt::KeyboardModifiers m = {}) {
            tree->setCurrentItem(item);
            QTest::keyClick(tree, k, m);
        };
        m_frame->setCommandChooser([] {
            SelectCommandDialog dialog;
            dialog.findChild<QListWidget *>()->setCurrentRow(12);
            dialog.findChild<QPushButton *>(QStringLiteral("okButton"))->click();
            return dialog.result() == QDialog::Accepted ? dialog.chosenIndex() : -1;
        });
        key(tree->topLevelItem(1), Qt::Key_Insert); // a node on the subnet
        key(tree->topLevelItem(1)->child(0), Qt::Key_Insert); // a command on the node
        QCOMPARE(store.command(0, 3).functionCode, std::string("15"));
        key(tree->topLevelItem(1)->child(0), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(store.subnet(0).nodeCount, 3);
        QCOMPARE(store.subnet(0).commandCount, 6);
        key(tree->topLevelItem(1)->child(2)->child(0), Qt::Key_Delete);
        QCOMPARE(store.subnet(0).commandCount, 5);
        key(tree->topLevelItem(1)->child(2), Qt::Key_Delete);
        QCOMPARE(store.subnet(0).nodeCount, 2);
        QCOMPARE(store.subnet(0).commandCount, 3);
    }

    // Which step failed and why, for every kind of failure, is ExchangeTest's; here the dialog
    // shows it with the port, and "Download" is the default again.
    void aFailedDownloadSaysWhereAndWhy()
    {
        addCommands(1);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        download({QStringLiteral("--fail"), QStringLiteral("timeout:10")}, [&](QMessageBox *box) { icon = box->icon(); },
                 [&](TransferDialog *d) {
            QCOMPARE(icon, QMessageBox::Critical);
            QCOMPARE(d->statusLine()->text(), QStringLiteral("Failed: Write command 1 of subnet 1 (0x10)"));
            QCOMPARE(d->failureLine()->text().split(QLatin1Char('\n')).mid(0, 2),
                     (QStringList{QStringLiteral("Port: ") + m_sim->link(),
                                  QStringLiteral("Reason: no answer within 300 ms")}));
            QVERIFY(d->failureLine()->text().contains(QStringLiteral("\"Download\" to try again")));
            QVERIFY(d->startButton()->isDefault() && d->startButton()->isEnabled());
        });
    }

    void conflictQuestionDefaultsToNoAndExitAfterADownload()
    {
        addCommands(2).command(0, 2).mappingAddress = "10"; // over the first command's bytes
        QString question;
        download({}, [&](QMessageBox *box) { question = box->text(); }, [&](TransferDialog *d) {
            QVERIFY(question.contains(QStringLiteral("subnet 1, command 1 (Read Holding Registers) 0010H.0 to "
                                                     "0011H.7\n    overlaps subnet 1, command 2")));
            QVERIFY(d->statusLine()->text() != QStringLiteral("Finish download!")); // Return said No
            m_frame->view()->store().command(0, 2).mappingAddress = "20";
            QSignalSpy ended(d, &TransferDialog::transferEnded);
            d->startButton()->click();
            QVERIFY(ended.wait(20000));
            QCOMPARE(d->statusLine()->text(), QStringLiteral("Finish download!"));
            QVERIFY(d->exitButton()->isDefault() && !d->startButton()->isDefault());
        });
    }

private:
    QString promptOf(int row) const
    {
        const CModbusConfigView *view = m_frame->view();
        return QString::fromStdString(text(describeCell(view->store(), view->shownItem(), row, false).prompt.text))
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }

    // `count` holding-register reads of a node at address 3, two bytes apart from 0010.
    ConfigStore &addCommands(int count)
    {
        ConfigStore &store = m_frame->view()->store();
        const int node = store.addNode(0).value();
        store.node(0, node) = NODE{"3", "Node-3"};
        for (int i = 0; i < count; ++i)
            store.command(0, store.addCommand(0, node, "3").value()) =
                COMMAND{"3", "3", "0", "1", std::to_string(10 + 2 * i), "0", "", store.newCommandDataFormat(), "",
                        text(StrId::ScanQuick), node};
        m_frame->view()->rebuildTree();
        return store;
    }

    // A download against the simulator run with `sim`: Return presses "Download", `box` sees the
    // first message box (answered by its default button), `after` the dialog once the press ended.
    void download(const QStringList &sim, std::function<void(QMessageBox *)> box, std::function<void(TransferDialog *)> after)
    {
        m_sim = std::make_unique<GatewaySimProcess>(sim);
        QString error;
        QVERIFY2(m_sim->start(error), qPrintable(error));
        SerialSettings &settings = m_frame->view()->serialSettings();
        settings.portIndex = portIndexForName(settings, m_sim->link().toStdString());
        settings.confirmed = true;
        testing::whenModalAppears([&](QWidget *w) {
            auto *d = qobject_cast<TransferDialog *>(w);
            QVERIFY(d);
            QTimer poll;
            connect(&poll, &QTimer::timeout, [&] {
                if (auto *b = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); b && b->isVisible()) {
                    box(b);
                    QTest::keyClick(b, Qt::Key_Return);
                }
            });
            poll.start(10);
            QSignalSpy ended(d, &TransferDialog::transferEnded);
            QTest::keyClick(d, Qt::Key_Return);
            QVERIFY(ended.wait(20000));
            poll.stop();
            after(d);
            d->reject();
        });
        m_frame->action(cmd::Download)->trigger();
        m_sim.reset();
    }

    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<GatewaySimProcess> m_sim;
};

TQV_GUI_TEST_MAIN(KeyboardWorkTest)
#include "KeyboardWorkTest.moc"
