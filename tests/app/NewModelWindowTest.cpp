// File > New's gateway models, dialogs as wide as their titles, inert empty grid rows, About's
// version, Help > Content from the build tree, and the demo of every gateway type taking a
// download that verifies.

#include "app/AboutDialog.h"
#include "app/CModbusConfigDoc.h"
#include "app/CommandIds.h"
#include "app/NewModelDialog.h"
#include "app/QtText.h"
#include "app/TitleWidth.h"
#include "support/GuiTestSupport.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace tqv;
using namespace tqv::testing;

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

// Runs a program to its end; its exit code, and stdout and stderr together in `output`.
int run(const QString &program, const QStringList &arguments, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class NewModelWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(showMainWindow(m_frame)); }
    void cleanup()
    {
        setLanguage(Language::English);
        closeMainWindow(m_frame);
    }

    // Ctrl+N, Return: the model of a new document. Ctrl+N, Down, Return: the Ethernet gateway in
    // the tree. Escape changes nothing; a variant is picked by its mnemonic.
    void newAsksForTheModelByKeyboard()
    {
        const ConfigStore &store = m_frame->view()->store();
        m_frame->document()->newDocument(0, ModelFlags{});
        const auto newByKeys = [this](const std::function<void(NewModelDialog *)> &keys) {
            whenModalAppears([keys](QWidget *w) {
                auto *d = qobject_cast<NewModelDialog *>(w);
                QVERIFY(d);
                keys(d);
            });
            QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::ControlModifier);
        };
        newByKeys([](NewModelDialog *d) { QTest::keyClick(d->focusWidget(), Qt::Key_Return); });
        QCOMPARE(store.gatewayType, 3u);
        QCOMPARE(modelFlagsOf(store), modelVariants().front().flags);
        QCOMPARE(m_frame->tree()->topLevelItem(0)->text(0), qtext(StrId::TreeFieldbus));

        newByKeys([](NewModelDialog *d) {
            QTest::keyClick(d->focusWidget(), Qt::Key_Down);
            QCOMPARE(d->summary()->text(), QStringLiteral("Type 4, Hardware configuration (model flag 7, standard): "
                                                          "fieldbus EtherNet/IP, 2 subnet(s), subnet 1 Modbus master."));
            QTest::keyClick(d->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(store.gatewayType, 4u);
        QCOMPARE(describe(m_frame->tree()).size(), std::size_t{3});
        QCOMPARE(m_frame->tree()->topLevelItem(0)->text(0), qtext(StrId::TreeEthernet));
        QCOMPARE(QString::fromStdString(store.fieldbus.fieldbusType), QStringLiteral("EtherNet/IP"));

        newByKeys([](NewModelDialog *d) { QTest::keyClick(d->focusWidget(), Qt::Key_Escape); });
        QCOMPARE(store.gatewayType, 4u);

        // Type 5 under the User Config model: the variant's preset wins on subnet 1.
        newByKeys([](NewModelDialog *d) {
            QTest::keyClick(d->focusWidget(), Qt::Key_Down);
            QTest::keyClick(d->focusWidget(), Qt::Key_Down);
            QTest::keyClick(d, Qt::Key_M, Qt::AltModifier);
            QCOMPARE(d->focusWidget(), d->variantBox());
            for (int i = 0; i < 4; ++i)
                QTest::keyClick(d->variantBox(), Qt::Key_Down);
            QCOMPARE(d->typeList()->currentItem()->text(3), QStringLiteral("User Config"));
            QTest::keyClick(d->variantBox(), Qt::Key_Return);
        });
        QCOMPARE(store.gatewayType, 5u);
        QVERIFY(store.modelFlag3 && !store.modelFlag7);
        QCOMPARE(store.subnet(0).protocol, text(StrId::ProtocolUserConfig));
        QVERIFY(!store.configModified);
    }

    // The dialog in Chinese, its own buttons included.
    void newDialogFollowsTheLanguage()
    {
        setLanguage(Language::Chinese);
        NewModelDialog d(m_frame.get());
        QCOMPARE(d.windowTitle(), QStringLiteral("新建配置：网关型号"));
        QStringList buttons;
        for (QAbstractButton *b : d.findChild<QDialogButtonBox *>()->buttons())
            buttons << b->text();
        QCOMPARE(buttons, (QStringList{"确定", "取消"}));
        QCOMPARE(d.typeList()->headerItem()->text(1), QStringLiteral("现场总线"));
        QCOMPARE(d.typeList()->topLevelItem(2)->text(1), QStringLiteral("无"));
    }

    // A message box, About and File > New shown at least as wide as their titles need.
    void dialogsAreAsWideAsTheirTitles()
    {
        const QString longTitle(120, QLatin1Char('W'));
        QList<int> short_;
        const auto measure = [&short_](QWidget *w) {
            QTest::qWait(20); // the widening after a box has sized itself
            short_ << titleBarWidth(w) - w->width();
            w->close();
        };
        whenModalAppears(measure);
        QMessageBox::information(m_frame.get(), longTitle, QStringLiteral("x"));
        whenModalAppears(measure);
        m_frame->action(cmd::AppAbout)->trigger();
        whenModalAppears(measure);
        m_frame->onNewProject();
        QCOMPARE(short_.size(), 3);
        for (int missing : short_)
            QVERIFY2(missing <= 0, qPrintable(QString::number(missing)));
    }

    // Rows an item does not use take no focus and look like no field; Down stops at the last row
    // in use; a row that comes into use looks like one again.
    void emptyGridRowsAreInert()
    {
        auto *grid = m_frame->findChild<QTableWidget *>(QStringLiteral("propertyGrid"));
        m_frame->tree()->setCurrentItem(m_frame->tree()->topLevelItem(0));
        int used = 0;
        while (!grid->item(used, 0)->text().isEmpty())
            ++used;
        QVERIFY(used > 0 && used < grid->rowCount());
        for (int row = 0; row < grid->rowCount(); ++row) {
            const bool inUse = row < used;
            QCOMPARE(grid->item(row, 1)->flags().testFlag(Qt::ItemIsEnabled), inUse);
            QCOMPARE(grid->item(row, 1)->background().color() == QColor(255, 255, 255) ||
                         grid->item(row, 1)->background().color() == QColor(200, 200, 200),
                     inUse);
        }
        grid->setFocus();
        grid->setCurrentCell(used - 1, 1);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), used - 1);
        m_frame->tree()->setCurrentItem(m_frame->tree()->topLevelItem(1));
        int subnetRows = 0;
        while (!grid->item(subnetRows, 0)->text().isEmpty())
            ++subnetRows;
        QCOMPARE(grid->item(subnetRows - 1, 1)->flags().testFlag(Qt::ItemIsEnabled), true);
    }

    // About says the version --version prints.
    void aboutShowsTheProgramsVersion()
    {
        QString printed;
        QCOMPARE(run(QStringLiteral(TQV580_BINARY), {QStringLiteral("--version")}, &printed), 0);
        const QString version = printed.trimmed().section(QLatin1Char(' '), 1);
        QCOMPARE(version, QStringLiteral(TQV580_VERSION));
        AboutDialog about(m_frame.get());
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("aboutVersion"))->text(), QStringLiteral("Version ") + version);
    }

    // Run from the build tree, Help > Content opens the manual the build put beside the program.
    void helpContentFindsTheManualOfTheBuildTree()
    {
        const QString page = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../manual/en/index.html");
        QVERIFY2(QFileInfo(page).isFile(), qPrintable(page));
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        m_frame->action(cmd::HelpContent)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(page)});
    }

    // tqv580 --demo for every type: the project is written into the simulated gateway and reads
    // back equal, over the pty or the loopback the demo chose.
    void demoOfEveryTypeTakesADownload_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<int>("variant");
        for (uint type = 0; type < kGatewayTypeCount; ++type)
            QTest::addRow("type %u", type) << type << 0;
        // The fault-reset gateway reports the Ethernet type on the serial line.
        QTest::addRow("type 1, fault reset") << 1u << 5;
    }
    void demoOfEveryTypeTakesADownload()
    {
        QFETCH(uint, type);
        QFETCH(int, variant);
        m_frame->document()->newDocument(type, modelVariants().at(static_cast<std::size_t>(variant)).flags);
        ConfigStore &store = m_frame->view()->store();
        if (store.subnet(0).protocol == text(StrId::ProtocolModbusMaster)) {
            const int node = store.addNode(0).value();
            store.node(0, node).address = "7";
            COMMAND &c = store.command(0, store.addCommand(0, node, "3").value());
            c.slaveAddress = "7";
            c.startAddress = "100";
            c.quantity = "2";
        }
        QVERIFY(m_frame->startDemo(QStringLiteral(TQV_GATEWAY_SIM_BINARY)));
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("demo.tqv"));
        QVERIFY(m_frame->document()->saveTo(project).ok());

        const QString cli = QStringLiteral(TQV_CLI_BINARY);
        const QString port = m_frame->findChild<QLabel *>(QStringLiteral("demoLabel"))
                                 ->text()
                                 .section(QStringLiteral(" on "), 1)
                                 .section(QLatin1Char(','), 0, 0);
        const QStringList gateway = type == 4 ? QStringList{"--address", "127.0.0.1"} : QStringList{"--port", port};
        QString said;
        QCOMPARE(run(cli, {"--lang", "en", "map", project}, &said), 0);
        const QString download = type == 4 ? QStringLiteral("eth-download") : QStringLiteral("download");
        QVERIFY2(run(cli, QStringList{"--lang", "en", "--yes", download, project} + gateway, &said) == 0, qPrintable(said));
        QVERIFY2(run(cli, QStringList{"--lang", "en", "verify", project} + gateway, &said) == 0, qPrintable(said));
        QVERIFY2(said.contains(QString::fromStdString(text(StrId::VerifyEqual))), qPrintable(said));
    }

private:
    std::unique_ptr<CMainFrame> m_frame;
};

int main(int argc, char **argv)
{
    QTemporaryDir home;
    testing::isolateGuiTestRun(home);
    QApplication app(argc, argv);
    NewModelWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "NewModelWindowTest.moc"
