// The window as engineers drive it: the grid and the tree from the keyboard, the reason of a
// refused value at its cell, a failed download against the gateway simulator, the conflict
// question and the status line at the default width.
#include "support/GatewaySimProcess.h"
#include "support/GuiTestSupport.h"
#include "app/CommandIds.h"
#include "app/SelectCommandDialog.h"
#include "app/TransferDialog.h"
#include "editor/GridLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
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
    void cleanup()
    {
        testing::closeMainWindow(m_frame);
        m_sim.reset();
    }

    void gridTypingReturnArrowsTabAndRefusals()
    {
        ConfigStore &store = addCommands(1);
        QTreeWidget *tree = m_frame->tree();
        tree->setCurrentItem(tree->topLevelItem(1)->child(0)->child(0));
        QTableWidget *grid = m_frame->view()->grid();
        QLineEdit *edit = m_frame->view()->inPlaceEdit();
        grid->setFocus();
        grid->setCurrentCell(2, 1);
        QTest::keyClick(grid, Qt::Key_1);
        QTest::keyClicks(edit, QStringLiteral("2"));
        QCOMPARE(edit->text(), QStringLiteral("12"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(store.command(0, 1).startAddress, std::string("12"));
        QCOMPARE(grid->currentRow(), 3);
        QCOMPARE(m_frame->promptText()->text(), promptOf(3));
        QVERIFY(m_frame->action(cmd::EditUndo)->isEnabled());
        QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(store.command(0, 1).startAddress, std::string("0"));
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(m_frame->promptText()->text(), promptOf(grid->currentRow()));

        // A value put back says why beside its cell as well as in the status bar.
        grid->setCurrentCell(2, 1);
        QTest::keyClick(grid, Qt::Key_7);
        QTest::keyClicks(edit, QStringLiteral("0000"));
        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(tree->hasFocus());
        QCOMPARE(store.command(0, 1).startAddress, std::string("0"));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), m_frame->statusBar()->currentMessage());
        QVERIFY(QToolTip::text().contains(QStringLiteral("65535")));
    }

    void treeKeysAndSelectCommandButtons()
    {
        ConfigStore &store = addCommands(2);
        QTreeWidget *tree = m_frame->tree();
        tree->setFocus();
        // Insert: a node on the subnet, a command (through "Select Command") on a node.
        tree->setCurrentItem(tree->topLevelItem(1));
        QTest::keyClick(tree, Qt::Key_Insert);
        QCOMPARE(store.subnet(0).nodeCount, 2);
        m_frame->setCommandChooser([] {
            SelectCommandDialog dialog;
            auto *list = dialog.findChild<QListWidget *>();
            list->setCurrentRow(12);
            dialog.findChild<QPushButton *>(QStringLiteral("okButton"))->click();
            return dialog.result() == QDialog::Accepted ? dialog.chosenIndex() : -1;
        });
        tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        QTest::keyClick(tree, Qt::Key_Insert);
        QCOMPARE(store.subnet(0).commandCount, 3);
        QCOMPARE(store.command(0, 3).functionCode, std::string("15"));
        // Copy and paste a node with its commands; Delete a command, then a node.
        tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(store.subnet(0).nodeCount, 3);
        QCOMPARE(store.subnet(0).commandCount, 6);
        tree->setCurrentItem(tree->topLevelItem(1)->child(2)->child(0));
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(store.subnet(0).commandCount, 5);
        tree->setCurrentItem(tree->topLevelItem(1)->child(2));
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(store.subnet(0).nodeCount, 2);
        QCOMPARE(store.subnet(0).commandCount, 3);

        // No two commands share a key (the Edit menu's are listed with the others in MainWindowTest).
        QList<QKeySequence> keys;
        for (QAction *a : m_frame->findChildren<QAction *>())
            for (const QKeySequence &k : a->shortcuts())
                if (a->parent() == m_frame.get())
                    keys << k;
        QCOMPARE(QSet<QKeySequence>(keys.begin(), keys.end()).size(), keys.size());
        SelectCommandDialog cancelled;
        cancelled.findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    // Each row: how the gateway misbehaves and what the dialog says of it, below the step.
    void aFailedDownloadSaysWhereAndWhy_data()
    {
        QTest::addColumn<QString>("fail");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("reason");
        QTest::newRow("timeout") << "timeout:10" << "Failed: Write command 1 of subnet 1 (0x10)"
                                 << "Reason: no answer within 300 ms";
        QTest::newRow("sum") << "sum:1" << "Failed: Read the gateway type (0x01)"
                             << "Reason: the reply's checksum is wrong";
        QTest::newRow("error") << "error:10:3" << "Failed: Write command 1 of subnet 1 (0x10)"
                               << "Reason: the gateway refused the request with error code 3: it accepts commands "
                                  "for one Modbus slave only";
    }
    void aFailedDownloadSaysWhereAndWhy()
    {
        QFETCH(QString, fail);
        QVERIFY(startSim({QStringLiteral("--fail"), fail}));
        addCommands(1);
        runDownload([&](TransferDialog *d) {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            answerBox([&](QMessageBox *box) { icon = box->icon(); }, QMessageBox::Ok);
            QSignalSpy ended(d, &TransferDialog::transferEnded);
            QTest::keyClick(d, Qt::Key_Return);
            QVERIFY(ended.wait(20000));
            QCOMPARE(icon, QMessageBox::Critical);
            QFETCH(QString, step);
            QFETCH(QString, reason);
            QCOMPARE(d->statusLine()->text(), step);
            const QStringList details = d->failureLine()->text().split(QLatin1Char('\n'));
            QCOMPARE(details.value(0), QStringLiteral("Port: ") + m_sim->link());
            QCOMPARE(details.value(1), reason);
            QVERIFY(details.value(2).contains(QStringLiteral("\"Download\" to try again")));
            QVERIFY(d->startButton()->isDefault() && d->startButton()->isEnabled());
        });
    }

    void conflictQuestionDefaultsToNoAndExitAfterADownload()
    {
        QVERIFY(startSim({}));
        ConfigStore &store = addCommands(2);
        store.command(0, 2).mappingAddress = "10"; // over the first command's bytes
        runDownload([&](TransferDialog *d) {
            QString question;
            answerBox([&](QMessageBox *box) { question = box->text(); }, QMessageBox::NoButton);
            QSignalSpy ended(d, &TransferDialog::transferEnded);
            QTest::keyClick(d, Qt::Key_Return);
            QVERIFY(ended.wait(20000));
            QVERIFY(question.contains(QStringLiteral("subnet 1, command 1 (Read Holding Registers) 0010H.0 to "
                                                     "0011H.7 overlaps subnet 1, command 2")));
            QVERIFY(d->failureLine()->isHidden());
            QVERIFY(d->statusLine()->text() != QStringLiteral("Finish download!")); // Return said No
            m_frame->view()->store().command(0, 2).mappingAddress = "20";
            QVERIFY(finished(d));
            QCOMPARE(d->statusLine()->text(), QStringLiteral("Finish download!"));
            QVERIFY(d->exitButton()->isDefault() && !d->startButton()->isDefault());
        });
    }

    void aLongStatusLineIsShortenedWithTheWholeOfItAtHand()
    {
        const QString message = QString(QStringLiteral("a long reason ")).repeated(20);
        m_frame->statusBar()->showMessage(message);
        const QString shown = m_frame->statusBar()->currentMessage();
        QVERIFY(shown.size() < message.size());
        QVERIFY(m_frame->statusBar()->fontMetrics().horizontalAdvance(shown) < m_frame->statusBar()->width());
        QCOMPARE(m_frame->statusBar()->toolTip(), message);
    }

private:
    QString promptOf(int row) const
    {
        const CModbusConfigView *view = m_frame->view();
        return QString::fromStdString(describeCell(view->store(), view->shownItem(), row, false).prompt.text)
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }

    // `count` holding-register reads of a node at address 3, two bytes apart from 0010.
    ConfigStore &addCommands(int count)
    {
        ConfigStore &store = m_frame->view()->store();
        const int node = store.addNode(0).value();
        store.node(0, node).address = "3";
        store.node(0, node).name = "Node-3";
        for (int i = 0; i < count; ++i) {
            COMMAND &c = store.command(0, store.addCommand(0, node, "3").value());
            c.slaveAddress = "3";
            c.startAddress = "0";
            c.quantity = "1";
            c.mappingAddress = std::to_string(10 + 2 * i);
            c.mappingBit = "0";
        }
        m_frame->view()->rebuildTree();
        return store;
    }

    // The next message box: `look` sees it, then `button` answers (NoButton: a bare Return).
    static void answerBox(std::function<void(QMessageBox *)> look, QMessageBox::StandardButton button,
                          int attempts = 1000)
    {
        QTimer::singleShot(10, [look = std::move(look), button, attempts]() mutable {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); box && box->isVisible()) {
                look(box);
                button == QMessageBox::NoButton ? QTest::keyClick(box, Qt::Key_Return) : box->button(button)->click();
            } else if (attempts > 0) {
                answerBox(std::move(look), button, attempts - 1);
            }
        });
    }

    static bool finished(TransferDialog *d)
    {
        QSignalSpy ended(d, &TransferDialog::transferEnded);
        d->startButton()->click();
        return ended.wait(20000);
    }

    void runDownload(const std::function<void(TransferDialog *)> &act)
    {
        testing::whenModalAppears([&act](QWidget *w) {
            auto *d = qobject_cast<TransferDialog *>(w);
            QVERIFY(d);
            act(d);
            d->reject();
        });
        m_frame->action(cmd::Download)->trigger();
    }

    bool startSim(QStringList arguments)
    {
        m_sim = std::make_unique<GatewaySimProcess>(std::move(arguments));
        QString error;
        if (!m_sim->start(error))
            return false;
        SerialSettings &settings = m_frame->view()->serialSettings();
        settings.portIndex = portIndexForName(settings, m_sim->link().toStdString());
        settings.confirmed = true;
        return true;
    }

    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<GatewaySimProcess> m_sim;
};

QTEST_MAIN(KeyboardWorkTest)
#include "KeyboardWorkTest.moc"
