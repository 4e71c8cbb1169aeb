// The window with a project of the other language (opened only after the conversion question),
// the Chinese window's texts and dialogs, and both monitors against the gateway simulator, with
// keys and mouse.
#include "support/GatewaySimProcess.h"
#include "support/GuiTestSupport.h"
#include "app/CModbusConfigDoc.h"
#include "app/CommandIds.h"
#include "app/ConflictDialog.h"
#include "app/DifferencesDialog.h"
#include "app/MonitorDialogs.h"
#include "app/QtText.h"
#include "app/TransferDialog.h"
#include "model/ProjectDocument.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

using namespace tqv;
using testing::whenModalAppears;

class LanguageWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(testing::showMainWindow(m_frame)); }
    void cleanup() { testing::closeMainWindow(m_frame); m_sim.reset(); setLanguage(Language::English); }

    void aProjectOfTheOtherLanguageOpensAfterTheQuestion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pump-station.tqv"));
        setLanguage(Language::Chinese);
        auto zh = std::make_unique<ConfigStore>();
        zh->newConfiguration();
        zh->node(0, zh->addNode(0).value()) = NODE{"3", "泵站"};
        setLanguage(Language::English);
        QVERIFY(ProjectDocument::save(path.toStdString(), *zh, CodePage::Gbk).ok());
        ConfigStore &store = m_frame->view()->store();
        store.subnet(0).responseTimeout = "999";
        const auto before = std::make_unique<ConfigStore>(store);
        QString asked;
        whenModalAppears([&asked](QWidget *w) { // Escape is "NO(&N)"
            asked = w->objectName() + qobject_cast<QMessageBox *>(w)->text();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QVERIFY(!m_frame->openProject(path));
        QVERIFY2(asked.startsWith(QStringLiteral("convertLanguageBox")) && asked.contains(QStringLiteral("Chinese")),
                 qPrintable(asked));
        QVERIFY(store == *before);
        whenModalAppears([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); }); // "YES(&Y)"
        QVERIFY(m_frame->openProject(path));
        QCOMPARE(store.subnet(0).protocol, std::string("Modbus master"));
        QCOMPARE(m_frame->tree()->topLevelItem(1)->child(0)->text(0), QStringLiteral("泵站"));
        QVERIFY(store.configModified);
    }

    // The Chinese window: the open dialog's filter, Compare's row labels, the conflict and transfer
    // dialogs' texts, and the record monitor's columns wide enough for their texts, a status on
    // every row, what "Send" did or why not; suspending stops the rows, resuming empties the list.
    void chineseWindowAndRecordMonitor()
    {
        chineseWindow();
        QStringList filters;
        whenModalAppears([&filters](QWidget *w) {
            filters = qobject_cast<QFileDialog *>(w)->nameFilters();
            w->close();
        });
        QTest::keyClick(m_frame.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(filters, QStringList{QStringLiteral("配置文件(*.tqv)")});
        auto other = std::make_unique<ConfigStore>(m_frame->view()->store());
        other->subnet(0).responseTimeout = "500";
        DifferencesDialog differences(compareConfigurations(m_frame->view()->store(), *other, Carried::Everything));
        QCOMPARE(differences.model()->index(0, 0).data().toString(),
                 QStringLiteral("子网 1 > ") + QString::fromStdString(text(StrId::GridResponseTimeout)));
        ConflictDialog conflicts(m_frame->view()->store());
        TransferDialog::Hooks hooks;
        hooks.configuration = [this]() -> ConfigStore & { return m_frame->view()->store(); };
        TransferDialog download(TransferDialog::Kind::Download, hooks);
        QStringList texts{conflicts.windowTitle(), download.windowTitle(), download.startButton()->text(),
                          download.exitButton()->text()};
        for (QLabel *l : conflicts.findChildren<QLabel *>())
            texts << l->text();
        for (const char *shown : {"冲突检测", "下载配置", "下载", "退出", "本地数据交换", "命令列表"})
            QVERIFY2(texts.contains(QString::fromUtf8(shown)), qPrintable(texts.join('|')));

        QVERIFY(startSim(QStringLiteral("record"), {}));
        QStringList said;
        whenModalAppears([&](QWidget *w) {
            auto *d = qobject_cast<CRecordMonitorDlg *>(w);
            QTRY_VERIFY_WITH_TIMEOUT(d->model()->rowCount() >= 6, 10000);
            checkColumns(d->list());
            QCOMPARE(d->windowTitle(), qtext(StrId::MonitorRecordTitle));
            d->addressEdit()->setText(QStringLiteral("4001"));
            for (const QString &data : {QStringLiteral("0a 1b"), QStringLiteral("0a1b")}) {
                d->dataEdit()->selectAll();
                QTest::keyClicks(d->dataEdit(), data);
                if (data.size() == 4) // refused with a message box
                    whenModalAppears([](QWidget *box) { QTest::keyClick(box, Qt::Key_Return); });
                QTest::mouseClick(d->sendButton(), Qt::LeftButton);
                QTRY_VERIFY(!d->sendResult()->text().isEmpty());
                said << d->sendResult()->text();
                d->sendResult()->clear();
            }
            QVERIFY(m_sim->waitForLine("write 4001 0A 1B"));
            d->suspendButton()->click();
            QCOMPARE(d->suspendButton()->text(), qtext(StrId::MonitorContinueShow));
            const int rows = d->model()->rowCount();
            QTest::qWait(500);
            QCOMPARE(d->model()->rowCount(), rows);
            d->suspendButton()->click();
            QVERIFY(d->model()->rowCount() <= 1);
            QTest::mouseClick(d->exitButton(), Qt::LeftButton);
        });
        m_frame->action(cmd::Monitor)->trigger();
        QCOMPARE(said, (QStringList{QStringLiteral("已发送到4001：0A 1B"),
                                    QStringLiteral("未发送：") + QString::fromStdString(text(StrId::MsgMonitorInputFormat)).trimmed()}));
    }

    // The framed monitor (model flag 7, firmware 5.X): newest on top; "Read date" stays on the
    // highlighted row while newer ones come in above it, and follows the arrow keys; the list saved
    // (a save still open when the dialog closes written too); "Stop debug and exit".
    void framedMonitorReadDateFollowsTheHighlight()
    {
        chineseWindow();
        QVERIFY(startSim(QStringLiteral("framed"), {false, false, false, false, false, false, true}));
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("monitor.txt"));
        const QString unfinished = dir.filePath(QStringLiteral("unfinished.txt"));
        QStringList seen;
        QString sent;
        whenModalAppears([&](QWidget *ask) {
            seen << ask->windowTitle();
            whenModalAppears([&](QWidget *w) {
                auto *d = qobject_cast<CFramedMonitorDlg *>(w);
                QTableView *list = d->list();
                QTRY_VERIFY_WITH_TIMEOUT(d->model()->rowCount() >= 7, 10000);
                QVERIFY(d->model()->index(0, 0).data().toInt() > d->model()->index(1, 0).data().toInt());
                checkColumns(list);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(d->model()->index(2, 5)).center());
                const QString chosen = d->model()->index(2, 5).data().toString();
                const QString number = d->model()->index(2, 0).data().toString();
                const int rows = d->model()->rowCount();
                QTRY_VERIFY_WITH_TIMEOUT(d->model()->rowCount() >= rows + 2, 10000);
                QCOMPARE(d->readDate()->toPlainText(), chosen);
                QCOMPARE(d->model()->index(list->currentIndex().row(), 0).data().toString(), number);
                QTest::keyClick(list, Qt::Key_Down);
                QCOMPARE(d->readDate()->toPlainText(), d->model()->index(list->currentIndex().row(), 5).data().toString());
                QTest::mouseClick(d->sendButton(), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(!d->sendResult()->text().isEmpty(), 5000);
                sent = d->sendResult()->text();
                QVERIFY(m_sim->waitForLine("write 4000 00 01 02 03"));
                d->setSavePathProvider([saved] { return saved; });
                d->saveButton()->click();
                seen << d->saveButton()->text();
                d->saveButton()->click();
                d->setSavePathProvider([unfinished] { return unfinished; });
                d->saveButton()->click();
                QTest::mouseClick(d->stopButton(), Qt::LeftButton);
                seen << d->windowTitle();
            });
            QTest::keyClick(ask, Qt::Key_Return); // the first choice, "5.X and up"
        });
        m_frame->action(cmd::Monitor)->trigger();
        QCOMPARE(sent, QStringLiteral("已发送到4000：00 01 02 03"));
        QCOMPARE(seen, (QStringList{qtext(StrId::MonitorSelectFirmware), qtext(StrId::MonitorStopSaving),
                                    qtext(StrId::MonitorSendingExit)}));
        QVERIFY(QFileInfo(saved).size() > 0); // what a saved list holds: MonitorRowsTest
        QFile closing(unfinished);
        QVERIFY(closing.open(QIODevice::ReadOnly));
        QVERIFY(closing.readAll().count('\n') >= 4); // the header and at least the three rows
    }

private:
    void chineseWindow()
    {
        testing::closeMainWindow(m_frame);
        setLanguage(Language::Chinese);
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    // Every column as wide as its header and each cell it holds (the last one stretches); every
    // row has a status (column 1, after the index).
    static void checkColumns(QTableView *list)
    {
        QAbstractItemModel *model = list->model();
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString header = model->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(list->columnWidth(c) >= list->horizontalHeader()->fontMetrics().horizontalAdvance(header), qPrintable(header));
            for (int r = 0; r < model->rowCount(); ++r) {
                const QString cell = model->index(r, c).data().toString();
                QVERIFY2(list->columnWidth(c) >= list->fontMetrics().horizontalAdvance(cell), qPrintable(cell));
                QVERIFY(c != 1 || !cell.isEmpty());
            }
        }
    }

    bool startSim(const QString &link, std::array<bool, 7> flags)
    {
        m_sim = std::make_unique<GatewaySimProcess>(
            QStringList{QStringLiteral("--monitor"), link, QStringLiteral("--monitor-resend"), QStringLiteral("100")});
        QString error;
        if (!m_sim->start(error))
            return false;
        m_frame->view()->store().setTypeAndFlags(3, flags);
        SerialSettings &settings = m_frame->view()->serialSettings();
        settings.portIndex = portIndexForName(settings, m_sim->link().toStdString());
        settings.confirmed = true;
        return true;
    }

    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<GatewaySimProcess> m_sim;
};

TQV_GUI_TEST_MAIN(LanguageWindowTest)

#include "LanguageWindowTest.moc"
