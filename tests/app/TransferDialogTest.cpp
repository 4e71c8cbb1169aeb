// The upload and download dialogs in the window against the gateway simulator: the session on
// its worker thread, progress and messages on the window's thread, the document replaced only by
// a successful upload, Exit during a transfer, the keyboard and the language. What a transfer
// carries and what a read-back proves are the core's (tests/gateway).
#include "support/GatewaySimProcess.h"
#include "support/GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigDoc.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "app/CSearchDeviceDlg.h"
#include "app/DifferencesDialog.h"
#include "app/MonitorDialogs.h"
#include "app/TransferDialog.h"
#include "model/ProjectDocument.h"
#include "model/SessionState.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QInputDialog>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTableView>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace tqv;
using testing::whenModalAppears;

namespace {

// Accepts every message box while it lives, keeping their texts. Its polling timer belongs to it,
// so nothing polls on behalf of a collector that has gone.
class MessageCollector : public QObject {
public:
    // `answer`: the text of the button to press where a box has one (else OK).
    explicit MessageCollector(QString answer = {}) : m_answer(std::move(answer)) { poll(); }
    QStringList texts;
    QStringList names;

private:
    void poll()
    {
        QTimer::singleShot(10, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); box && box->isVisible()) {
                texts << box->text();
                names << box->objectName();
                QAbstractButton *chosen = box->button(QMessageBox::Ok);
                for (QAbstractButton *b : box->buttons())
                    if (!m_answer.isEmpty() && b->text() == m_answer)
                        chosen = b;
                chosen ? chosen->click() : box->reject();
            }
            poll();
        });
    }
    QString m_answer;
};

} // namespace

class TransferDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(tqv::testing::showMainWindow(m_frame)); }
    void cleanup()
    {
        tqv::testing::closeMainWindow(m_frame);
        m_sim.reset();
    }

    void downloadThenUploadFromTheWindow()
    {
        QVERIFY(startSim({}));
        ConfigStore &store = m_frame->view()->store();
        addCommands(store, 9);
        ConfigStore original = store;

        // "Verify" is on at first: the gateway is read back and found to hold the document (the
        // node's name is the document's only); unchecking it is remembered for the next dialog.
        store.node(0, 1).name = "Only in the project";
        original = store;
        QString status;
        QString verified;
        QList<int> lineStates;
        runDialog(cmd::Download, [&](TransferDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Download configuration"));
            QCOMPARE(d->startButton()->text(), QStringLiteral("Download"));
            QCOMPARE(d->exitButton()->text(), QStringLiteral("Exit"));
            QVERIFY(d->startButton()->isEnabled());
            QVERIFY(d->verifyCheck()->isChecked());
            QVERIFY(finishes(d, [d] { QTest::keyClick(d, Qt::Key_Return); })); // the start button is the default
            status = d->statusLine()->text();
            verified = d->verifyLine()->text();
            QVERIFY(!d->differencesButton()->isVisible());
            for (int i = 0; i < 3; ++i)
                lineStates << d->lineIcon(i)->property("lineState").toInt();
            QCOMPARE(d->progressBar()->value(), d->progressBar()->maximum());
            d->verifyCheck()->setFocus();
            QTest::keyClick(d->verifyCheck(), Qt::Key_Space);
        });
        QCOMPARE(status, QStringLiteral("Finish download!"));
        QCOMPARE(verified, QStringLiteral("Verified: the gateway holds this configuration"));
        QCOMPARE(lineStates, (QList<int>{2, 2, 2}));
        bool reopenedChecked = true;
        runDialog(cmd::Download, [&](TransferDialog *d) {
            reopenedChecked = d->verifyCheck()->isChecked();
            d->verifyCheck()->setChecked(true);
        });
        QVERIFY(!reopenedChecked);
        // The download never changes the document (opening its dialog counts the commands' bytes).
        for (int i = 1; i <= store.subnet(0).commandCount; ++i)
            original.command(0, i).byteCount = store.command(0, i).byteCount;
        QCOMPARE(store, original);

        // Edits the user has not saved: the upload asks first, as New does.
        store.subnet(0).commandCount = 0;
        store.configModified = true;
        QString question;
        runDialog(cmd::Upload, [&](TransferDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Upload Configuration "));
            MessageCollector saveQuestion(QString::fromStdString(text(StrId::ButtonNo)));
            QVERIFY(finishes(d));
            question = saveQuestion.names.join(QLatin1Char(','));
            status = d->statusLine()->text();
            QTest::keyClick(d, Qt::Key_Escape);
        });
        QCOMPARE(question, QStringLiteral("saveConfigurationBox"));
        QCOMPARE(status, QStringLiteral("Finish uploading!"));
        QCOMPARE(store.subnet(0).commandCount, 9);
        QCOMPARE(store.command(0, 9).mappingAddress, original.command(0, 9).mappingAddress);
        QVERIFY(!store.configModified);
        QVERIFY(m_frame->document()->path().isEmpty());
        // The tree shows the uploaded commands.
        QVERIFY(m_frame->tree()->findItems(QString::fromStdString(functionName("3")),
                                           Qt::MatchRecursive | Qt::MatchStartsWith).size() >= 3);
    }

    void aFailedUploadLeavesTheDocumentAsItWas()
    {
        QVERIFY(startSim({QStringLiteral("--fail"), QStringLiteral("sum:16")}));
        ConfigStore &store = m_frame->view()->store();
        addCommands(store, 2);
        store.fieldbus.profibusConfigData = "marker";
        const ConfigStore before = store;
        MessageCollector messages;
        runDialog(cmd::Upload, [&](TransferDialog *d) {
            QVERIFY(finishes(d));
            // After a failed command read the lines are cleared.
            QVERIFY(d->titleLine()->text().isEmpty());
            QVERIFY(d->lineText(0)->isHidden());
        });
        QCOMPARE(messages.texts, QStringList{QStringLiteral("Read Modbus command list0unsuccessfully")});
        QCOMPARE(store, before);
    }

    void exitDuringATransferStopsItAndTheWindowKeepsPainting()
    {
        // Every reply comes 300 ms late: 20 commands would take several seconds.
        QVERIFY(startSim({QStringLiteral("--fail"), QStringLiteral("slow:all:250")}));
        addCommands(m_frame->view()->store(), 20);
        int ticks = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
        heartbeat.start(20);
        QElapsedTimer clock;
        qint64 stoppedAfter = -1;
        runDialog(cmd::Download, [&](TransferDialog *d) {
            d->startButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(d->progressBar()->value() >= 2, 10000);
            QVERIFY(d->busy());
            ticks = 0;
            QTest::qWait(400);
            // A 20 ms timer: 20 ticks in 400 ms on an idle machine; a stalled loop gives none.
            QVERIFY2(ticks >= 5, "the window's event loop stalled during the transfer");
            clock.start();
            QTest::keyClick(d, Qt::Key_Escape);
            QCOMPARE(d->statusLine()->text(), QStringLiteral("Stopping the transfer..."));
        });
        stoppedAfter = clock.elapsed();
        QVERIFY2(stoppedAfter < 2000, qPrintable(QString::number(stoppedAfter)));
    }

    // The Ethernet gateway: "Seach Device" finds the simulator on loopback, the write is
    // acknowledged, "Exit" offers the restart and sends it, and a read replaces the configuration
    // and marks it modified.
    void ethernetSearchDownloadRestartAndUpload()
    {
        const quint16 gatewayPort = freeLoopbackPort();
        const quint16 localPort = freeLoopbackPort();
        QVERIFY(gatewayPort && localPort && gatewayPort != localPort);
        qputenv("TQV580_SEARCH_ADDRESS", "127.0.0.1");
        qputenv("TQV580_GATEWAY_PORT", QByteArray::number(gatewayPort));
        qputenv("TQV580_LOCAL_PORT", QByteArray::number(localPort));
        m_sim = std::make_unique<GatewaySimProcess>(QStringList{QStringLiteral("--ethernet")});
        QString error;
        QVERIFY2(m_sim->start(error), qPrintable(error));

        ConfigStore &store = m_frame->view()->store();
        store.setTypeAndFlags(4, std::array<bool, 7>{});
        addCommands(store, 4);
        const ConfigStore written = store;
        QVERIFY(m_frame->action(cmd::Download)->isEnabled());

        QString searchStatus;
        QString status;
        QString verified;
        MessageCollector restartQuestion; // answers OK
        whenDialog<CSearchDeviceDlg>([&](CSearchDeviceDlg *search) {
            QTRY_VERIFY_WITH_TIMEOUT(search->deviceList()->rowCount() == 1, 5000);
            searchStatus = search->statusLabel()->text();
            QCOMPARE(search->deviceList()->item(0, 2)->text(), QStringLiteral("127.0.0.1"));
            QVERIFY(!search->logInButton()->isEnabled());
            search->deviceList()->setFocus();
            QTest::keyClick(search->deviceList(), Qt::Key_Down); // the keyboard picks the row
            QVERIFY(search->logInButton()->isEnabled());
            whenDialog<TransferDialog>([&](TransferDialog *d) {
                QCOMPARE(d->statusLine()->text(), QStringLiteral("Please click button download configuration"));
                QVERIFY(finishes(d));
                status = d->statusLine()->text();
                verified = d->verifyLine()->text();
                d->exitButton()->click();
            });
            search->logInButton()->click();
        });
        m_frame->action(cmd::Download)->trigger();
        // "Verify" read the image back on a connection of its own before the restart.
        QCOMPARE(verified, QStringLiteral("Verified: the gateway holds this configuration"));
        QCOMPARE(searchStatus, QStringLiteral("Finish searching"));
        QCOMPARE(status, QStringLiteral("Finish download!"));
        QTRY_COMPARE_WITH_TIMEOUT(restartQuestion.texts.size(), 1, 5000);
        QCOMPARE(restartQuestion.texts.front(), QString::fromStdString(text(StrId::MsgRestartQuestion)));
        QVERIFY(m_sim->waitForLine("restart"));
        QCOMPARE(QString::fromStdString(m_frame->view()->session().targetAddress), QStringLiteral("127.0.0.1"));

        // Read back into a changed document: the gateway's configuration replaces it.
        store.subnet(0).commandCount = 1;
        store.configModified = false;
        whenDialog<CSearchDeviceDlg>([&](CSearchDeviceDlg *search) {
            QTRY_VERIFY_WITH_TIMEOUT(search->deviceList()->rowCount() == 1, 5000);
            search->deviceList()->setCurrentCell(0, 0);
            whenDialog<TransferDialog>([&](TransferDialog *d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("Upload configuration"));
                QVERIFY(finishes(d));
                status = d->statusLine()->text();
                d->exitButton()->click();
            });
            search->logInButton()->click();
        });
        m_frame->action(cmd::Upload)->trigger();
        QCOMPARE(status, QStringLiteral("Finish uploading!"));
        QCOMPARE(store.subnet(0).commandCount, 4);
        QCOMPARE(store.command(0, 4).startAddress, written.command(0, 4).startAddress);
        QVERIFY(store.configModified);
        store.configModified = false;
    }

    // Tools > Compare with Gateway against a gateway that holds another quantity, another baud
    // rate and a third command: one row taken by the keyboard, one kept, the rest taken at once.
    void compareWithGatewayTakesAndKeepsRows()
    {
        ConfigStore &store = m_frame->view()->store();
        addCommands(store, 2);
        ConfigStore held = store;
        held.command(0, 2).quantity = "4";
        held.subnet(0).masterBaud = "4800";
        COMMAND &third = held.command(0, held.addCommand(0, 1, "3").value());
        third = held.command(0, 1);
        third.startAddress = "77";
        third.mappingAddress = "30";
        QTemporaryDir dir;
        const std::string state = dir.filePath(QStringLiteral("held.tqv")).toStdString();
        QVERIFY(ProjectDocument::save(state, held, codePageFor(Language::English)).ok());
        QVERIFY(startSim({QStringLiteral("--state"), QString::fromStdString(state)}));
        const std::string baud = store.subnet(0).masterBaud;
        store.configModified = false;

        int before = -1;
        QStringList afterTake;
        QStringList afterKeep;
        int afterAll = -1;
        auto paths = [](DifferencesDialog *d) {
            QStringList out;
            for (int r = 0; r < d->model()->rowCount(); ++r)
                out << d->model()->index(r, 0).data().toString();
            return out;
        };
        whenDialog<TransferDialog>([](TransferDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Compare with Gateway"));
            d->startButton()->click(); // the dialog closes itself once the gateway has been read
        });
        whenDialog<DifferencesDialog>(
            [&](DifferencesDialog *d) {
                before = d->model()->rowCount(); // which differences: ConfigDiffTest
                // The keyboard: down to the quantity, Tab to "Take gateway values", Space.
                d->activateWindow();
                d->table()->setFocus();
                QTest::keyClick(d->table(), Qt::Key_Down);
                QTest::keyClick(d->table(), Qt::Key_Tab);
                const bool tabbed = d->focusWidget() == d->takeButton();
                if (!tabbed)
                    d->reject(); // leaves the dialog before the check below fails
                QVERIFY(tabbed);
                QTest::keyClick(d->takeButton(), Qt::Key_Space);
                afterTake = paths(d);
                d->table()->selectRow(0);
                d->keepButton()->click();
                afterKeep = paths(d);
                d->takeAllButton()->click();
                afterAll = d->model()->rowCount();
                QVERIFY(!d->takeButton()->isEnabled());
                QTest::keyClick(d, Qt::Key_Escape);
            },
            3000);
        m_frame->action(cmd::CompareWithGateway)->trigger();
        QCOMPARE(before, 3);
        QCOMPARE(afterTake,
                 (QStringList{QStringLiteral("subnet 1 › Band rate"),
                              QStringLiteral("subnet 1 › command 3 added")}));
        QCOMPARE(afterKeep, QStringList{QStringLiteral("subnet 1 › command 3 added")});
        QCOMPARE(afterAll, 0);
        QCOMPARE(store.command(0, 2).quantity, std::string("4"));
        QCOMPARE(store.subnet(0).masterBaud, baud);
        QCOMPARE(store.subnet(0).commandCount, 3);
        QCOMPARE(store.command(0, 3).startAddress, std::string("77"));
        QVERIFY(store.configModified);
        // The tree shows the taken command.
        QCOMPARE(m_frame->tree()->findItems(QString::fromStdString(functionName("3")),
                                            Qt::MatchRecursive | Qt::MatchStartsWith).size(), 2);
        // Each take is an edit that Undo takes back, the last first.
        m_frame->action(cmd::EditUndo)->trigger();
        QCOMPARE(store.subnet(0).commandCount, 2);
        QCOMPARE(store.command(0, 2).quantity, std::string("4"));
        m_frame->action(cmd::EditUndo)->trigger();
        QCOMPARE(store.command(0, 2).quantity, std::string("1"));
    }

    // The Ethernet gateway is reached over the network: its connection command instead of the
    // serial one, and both transfers. "Ethernet Connection" hands its boxes to the session (which
    // addresses count as fixed: DeviceSearchTest's EthernetConfigRules).
    void ethernetConnectionCommandAndDialog()
    {
        SessionState &session = m_frame->view()->session();
        m_frame->view()->store().setTypeAndFlags(4, std::array<bool, 7>{});
        m_frame->view()->initialUpdate();
        QVERIFY(!m_frame->action(cmd::SerialConnection)->isEnabled());
        QVERIFY(m_frame->action(cmd::EthernetConnection)->isEnabled());
        QVERIFY(m_frame->action(cmd::Upload)->isEnabled());
        QVERIFY(m_frame->action(cmd::Download)->isEnabled());
        whenDialog<CEthernetConfigDlg>([](CEthernetConfigDlg *d) {
            QVERIFY(d->useSearchBox()->isChecked());
            QVERIFY(!d->addressEdit()->isEnabled());
            QTest::keyClick(d->useSearchBox(), Qt::Key_Space);
            QVERIFY(d->addressEdit()->isEnabled());
            d->addressEdit()->setText(QStringLiteral("127.0.0.1"));
            d->accept();
        });
        m_frame->action(cmd::EthernetConnection)->trigger();
        QVERIFY(session.useFixedAddress);
        QCOMPARE(QString::fromStdString(session.targetAddress), QStringLiteral("127.0.0.1"));
    }

    // tqv580 --demo: the simulated gateway is chosen and says so in the status bar, the framed
    // monitor works at once (a download into every type's demo: NewModelWindowTest), and the
    // gateways end with the window.
    void demoGatewayServesTransfersAndMonitoring()
    {
        {
            MessageCollector refused;
            QVERIFY(!m_frame->startDemo(QStringLiteral("/nonexistent/tqv580-gateway-sim")));
            QTRY_COMPARE(refused.texts.size(), 1);
            QVERIFY(refused.texts.first().startsWith(QStringLiteral("The demo gateway (/nonexistent/")));
        }
        QVERIFY(m_frame->startDemo(QStringLiteral(TQV_GATEWAY_SIM_BINARY)));
        auto *label = m_frame->findChild<QLabel *>(QStringLiteral("demoLabel"));
        QVERIFY(label && label->isVisible());
        const QStringList links = label->text().split(QStringLiteral(" on ")).mid(1);
        QVERIFY2(label->text().startsWith(QStringLiteral("Demo: simulated gateway on /")) &&
                     label->text().contains(QStringLiteral(", its monitoring on /")),
                 qPrintable(label->text()));
        const QString link = links.first().section(QLatin1Char(','), 0, 0);
        QVERIFY(QFileInfo::exists(link));

        int rows = 0;
        whenDialog<QInputDialog>([&](QInputDialog *ask) {
            whenDialog<CFramedMonitorDlg>([&](CFramedMonitorDlg *d) {
                QTRY_VERIFY_WITH_TIMEOUT(d->model()->rowCount() >= 2, 10000);
                rows = d->model()->rowCount();
                d->reject();
            });
            ask->accept();
        });
        m_frame->action(cmd::Monitor)->trigger();
        QVERIFY(rows >= 2);

        m_frame->view()->store().configModified = false;
        m_frame->close();
        m_frame.reset();
        QTRY_VERIFY(!QFileInfo::exists(link));
    }

private:
    // Starts the transfer (the start button unless `start` says otherwise) and waits for its end.
    static bool finishes(TransferDialog *d, const std::function<void()> &start = {})
    {
        QSignalSpy ended(d, &TransferDialog::transferEnded);
        start ? start() : d->startButton()->click();
        return ended.wait(20000);
    }

    // Runs `act` once a modal dialog of type T is up (a dialog of another type is left alone).
    template <typename T> static void whenDialog(std::function<void(T *)> act, int attempts = 1000)
    {
        QTimer::singleShot(10, [act = std::move(act), attempts]() mutable {
            if (auto *d = qobject_cast<T *>(QApplication::activeModalWidget()); d && d->isVisible())
                act(d);
            else if (attempts > 0)
                whenDialog<T>(std::move(act), attempts - 1);
        });
    }

    bool startSim(QStringList arguments)
    {
        m_sim = std::make_unique<GatewaySimProcess>(std::move(arguments));
        QString error;
        if (!m_sim->start(error)) {
            qWarning() << error;
            return false;
        }
        SerialSettings &settings = m_frame->view()->serialSettings();
        settings.portIndex = portIndexForName(settings, m_sim->link().toStdString());
        settings.confirmed = true;
        return true;
    }

    // `count` read and write commands on one node of subnet 1, mapped apart.
    static void addCommands(ConfigStore &store, int count)
    {
        const int node = store.addNode(0).value();
        store.node(0, node).address = "3";
        for (int i = 0; i < count; ++i) {
            const bool write = i % 2 == 1;
            COMMAND &c = store.command(0, store.addCommand(0, node, write ? "16" : "3").value());
            c.slaveAddress = "3";
            c.startAddress = std::to_string(10 * i);
            c.quantity = "1";
            c.mappingAddress = hexOf((write ? 0x4000 : 0x10) + 2 * i);
            c.mappingBit = "0";
        }
    }
    static std::string hexOf(int value) { return QString::number(value, 16).toStdString(); }

    // Triggers the command and runs `act` on its dialog; returns once the dialog has closed.
    void runDialog(int command, std::function<void(TransferDialog *)> act)
    {
        bool seen = false;
        whenModalAppears([&](QWidget *w) {
            auto *d = qobject_cast<TransferDialog *>(w);
            if (!d)
                return;
            seen = true;
            act(d);
            // Whatever the act left (a failed check returns early), the dialog goes: a running
            // transfer is stopped first.
            if (d->isVisible())
                d->reject();
        });
        m_frame->action(command)->trigger();
        QVERIFY(seen);
    }

    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<GatewaySimProcess> m_sim;
};

TQV_GUI_TEST_MAIN(TransferDialogTest)

#include "TransferDialogTest.moc"
