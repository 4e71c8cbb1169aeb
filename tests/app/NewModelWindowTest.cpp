// File > New's gateway models, dialog widths, unused grid rows, About's version, Help from the
// build tree, and the demo of every type taking a download that verifies.

#include "app/AboutDialog.h"
#include "app/CModbusConfigDoc.h"
#include "app/CommandIds.h"
#include "app/NewModelDialog.h"
#include "app/QtText.h"
#include "app/TitleWidth.h"
#include "support/GuiTestSupport.h"
#include "support/StoreHelpers.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTableWidget>
#include <QtTest>

using namespace tqv;
using namespace tqv::testing;

static const char *const kEndpoints[] = {"TQV580_SEARCH_ADDRESS", "TQV580_GATEWAY_PORT", "TQV580_LOCAL_PORT",
                                         "TQV580_MONITOR_PORT"};

class NewModelWindowTest : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { m_opened.append(url); }

private slots:
    void init() { QVERIFY(showMainWindow(m_frame)); }
    void cleanup()
    {
        closeMainWindow(m_frame);
        for (const char *name : kEndpoints) // the Ethernet demo's
            qunsetenv(name);
    }

    // Ctrl+N, Return: a new document's model; Down: the Ethernet gateway; Escape: nothing; Tab
    // reaches the variants. The dialog is at least as wide as its title, and speaks Chinese too.
    void newAsksForTheModelByKeyboard()
    {
        const ConfigStore &store = m_frame->view()->store();
        m_frame->document()->newDocument(0, ModelFlags{});
        const auto newByKeys = [this](std::function<void(NewModelDialog *)> keys) {
            whenModalAppears([keys](QWidget *w) {
                w->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(w));
                keys(qobject_cast<NewModelDialog *>(w));
                w->close(); // after a failed check; the keys closed it otherwise
            });
            m_frame->activateWindow(); // as the desktop does when the last dialog closed
            QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
            QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::ControlModifier);
        };
        newByKeys([](NewModelDialog *d) {
            QVERIFY(d->width() >= titleBarWidth(d));
            QTest::keyClick(d->focusWidget(), Qt::Key_Return);
        });
        ConfigStore fresh;
        fresh.newConfiguration();
        QVERIFY(historyContent(store) == historyContent(fresh));
        newByKeys([](NewModelDialog *d) {
            QTest::keyClick(d->focusWidget(), Qt::Key_Down);
            QCOMPARE(d->summary()->text(), QStringLiteral("Type 4, Hardware configuration (model flag 7, standard): "
                                                          "fieldbus EtherNet/IP, 2 subnet(s), subnet 1 Modbus master."));
            QTest::keyClick(d->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(store.gatewayType, 4u);
        QCOMPARE(m_frame->tree()->topLevelItem(0)->text(0), qtext(StrId::TreeEthernet));
        newByKeys([](NewModelDialog *d) { QTest::keyClick(d->focusWidget(), Qt::Key_Escape); });
        QCOMPARE(m_frame->tree()->topLevelItem(0)->text(0), qtext(StrId::TreeEthernet));
        newByKeys([](NewModelDialog *d) { // type 5 under the User Config model
            QTest::keyClick(d->focusWidget(), Qt::Key_Down);
            QTest::keyClick(d->focusWidget(), Qt::Key_Down);
            QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
            QCOMPARE(d->focusWidget(), d->variantBox());
            for (int i = 0; i < 4; ++i)
                QTest::keyClick(d->variantBox(), Qt::Key_Down);
            QCOMPARE(d->typeList()->currentItem()->text(3), QStringLiteral("User Config"));
            QTest::keyClick(d->variantBox(), Qt::Key_Return);
        });
        QVERIFY(store.gatewayType == 5 && store.modelFlag3 && !store.modelFlag7 && !store.configModified);
        QCOMPARE(store.subnet(0).protocol, text(StrId::ProtocolUserConfig));

        setLanguage(Language::Chinese);
        NewModelDialog chinese;
        setLanguage(Language::English);
        QStringList texts{chinese.windowTitle(), chinese.typeList()->topLevelItem(2)->text(1)};
        for (QAbstractButton *b : chinese.findChildren<QAbstractButton *>())
            texts << b->text();
        QCOMPARE(texts, (QStringList{"新建配置：网关型号", "无", "确定", "取消"}));
    }

    // A message box and About, shown at least as wide as their titles; About's version is the one
    // tqv580 --version prints, and it has the link.
    void dialogsFitTheirTitlesAndAboutSaysTheVersion()
    {
        QList<int> missing;
        const auto measure = [&missing](QWidget *w) {
            missing << titleBarWidth(w) - w->width();
            w->close();
        };
        whenModalAppears(measure);
        QMessageBox::information(m_frame.get(), QString(40, QLatin1Char('W')), QStringLiteral("x"));
        whenModalAppears(measure);
        m_frame->action(cmd::AppAbout)->trigger();
        QCOMPARE(missing.size(), 2);
        QVERIFY2(missing[0] <= 0 && missing[1] <= 0, qPrintable(QString("%1, %2 short").arg(missing[0]).arg(missing[1])));

        QProcess program;
        program.start(QStringLiteral(TQV580_BINARY), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished());
        const QString version = QString::fromUtf8(program.readAll()).trimmed().section(QLatin1Char(' '), 1);
        AboutDialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About gateway configuration software"));
        QCOMPARE(about.findChild<QLabel *>("aboutVersion")->text(), QStringLiteral("Version ") + version);
        QVERIFY(about.findChild<QLabel *>("aboutLink"));
    }

    // Rows the item does not use have no field look, cannot be selected, and open no editor.
    void unusedGridRowsAreInert()
    {
        auto *grid = m_frame->findChild<QTableWidget *>(QStringLiteral("propertyGrid"));
        m_frame->tree()->setCurrentItem(m_frame->tree()->topLevelItem(0));
        int used = 0;
        while (!grid->item(used, 0)->text().isEmpty())
            ++used;
        for (int row = 0; row < grid->rowCount(); ++row) {
            const QColor look = grid->item(row, 1)->background().color();
            QCOMPARE(grid->item(row, 1)->flags().testFlag(Qt::ItemIsSelectable), row < used);
            QCOMPARE(look == Qt::white || look == QColor(200, 200, 200), row < used);
        }
        grid->setFocus();
        grid->setCurrentCell(used, 1);
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(m_frame->view()->inPlaceEdit()->isHidden() && m_frame->view()->inPlaceList()->isHidden());
    }

    // Run from the build tree, Help > Content opens the manual the build put beside the program.
    void helpContentFindsTheManualOfTheBuildTree()
    {
        const QString page = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../manual/en/index.html");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        m_frame->action(cmd::HelpContent)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(page)});
    }

    // tqv580 --demo of every type: tqv580-cli maps the project, writes it into the demo's gateway
    // and reads it back equal.
    void demoOfEveryTypeTakesADownload_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<int>("variant");
        for (uint type = 0; type < kGatewayTypeCount; ++type)
            QTest::addRow("type %u", type) << type << 0;
        QTest::addRow("type 1, fault reset") << 1u << 5; // reports the Ethernet type on the serial line
    }
    void demoOfEveryTypeTakesADownload()
    {
        QFETCH(uint, type);
        QFETCH(int, variant);
        m_frame->document()->newDocument(type, modelVariants().at(static_cast<std::size_t>(variant)).flags);
        ConfigStore &store = m_frame->view()->store();
        if (store.subnet(0).protocol == text(StrId::ProtocolModbusMaster)) {
            store.node(0, store.addNode(0).value()) = NODE{"7", "Node-7"};
            COMMAND &c = store.command(0, store.addCommand(0, 1, "3").value());
            c = COMMAND{"7", "3", "100", "2", "", "", "", c.dataFormat, "", c.scanType, 1};
        }
        for (const char *name : kEndpoints)
            qunsetenv(name);
        QVERIFY(m_frame->startDemo(QStringLiteral(TQV_GATEWAY_SIM_BINARY)));
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("demo.tqv"));
        QVERIFY(m_frame->document()->saveTo(project).ok());
        const QString demo = m_frame->findChild<QLabel *>(QStringLiteral("demoLabel"))->text();
        if (type == 4) { // on loopback ports of its own, which the window's search and tqv580-cli then use
            const QByteArray port = qgetenv("TQV580_GATEWAY_PORT");
            QVERIFY(port.toInt() > 0 && port != "18801");
            QCOMPARE(qgetenv("TQV580_SEARCH_ADDRESS"), QByteArray("127.0.0.1"));
            QCOMPARE(demo, QStringLiteral("Demo: simulated Ethernet gateway on 127.0.0.1, port ") + QString::fromLatin1(port));
        }
        const QStringList gateway{type == 4 ? "--address" : "--port",
                                  type == 4 ? "127.0.0.1" : demo.section(" on ", 1).section(',', 0, 0)};
        for (const QStringList &job : {QStringList{"map", project},
                                       QStringList{"--yes", type == 4 ? "eth-download" : "download", project} + gateway,
                                       QStringList{"verify", project} + gateway}) {
            QProcess cli;
            cli.setProcessChannelMode(QProcess::MergedChannels);
            cli.start(QStringLiteral(TQV_CLI_BINARY), QStringList{"--lang", "en"} + job);
            QVERIFY(cli.waitForFinished(30000));
            const QString said = QString::fromUtf8(cli.readAll());
            QVERIFY2(cli.exitCode() == 0, qPrintable(job.join(' ') + ": " + said));
            if (job.first() == "verify")
                QVERIFY2(said.contains(qtext(StrId::VerifyEqual)), qPrintable(said));
        }
    }

private:
    std::unique_ptr<CMainFrame> m_frame;
    QList<QUrl> m_opened;
};

TQV_GUI_TEST_MAIN(NewModelWindowTest)

#include "NewModelWindowTest.moc"
