// Takes the window's screenshots for reviews and the manual: a small project in English (the
// fieldbus, subnet and command grids with their in-place editors open, the "Select Command",
// "Serial Port Configuration" and "Conflict detection" dialogs, a download and an upload against
// the gateway simulator) and the same window in Chinese.
// Usage: tqv580-screenshots OUTPUT_DIRECTORY

#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"
#include "app/ConflictDialog.h"
#include "app/SelectCommandDialog.h"
#include "controls/BitPopup.h"
#include "controls/ColourGridView.h"
#include "app/SerialSettingsDialog.h"
#include "app/CSearchDeviceDlg.h"
#include "app/MonitorDialogs.h"
#include "app/TransferDialog.h"
#include "ethernet/MessageHeader.h"
#include "model/SessionState.h"
#include "support/GatewaySimProcess.h"
#include "controls/DockPane.h"
#include "resources/Strings.h"

#include "app/AppStartup.h"

#include <QApplication>
#include <functional>
#include <QTimer>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTableWidget>
#include <QUdpSocket>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>

using namespace tqv;

namespace {

void clickCell(QTableWidget *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

bool save(QWidget *widget, const QString &dir, const char *name)
{
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    const bool ok = widget->grab().save(path);
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

// The serial settings dialog over the window, with a few ports listed.
bool serialSettingsShot(CMainFrame *frame, const QString &dir, const char *name)
{
    SerialSettings &settings = frame->view()->serialSettings();
    rebuildPortList(settings, {"ttyS0", "ttyUSB0", "ttyACM0"}, frame->view()->store().gatewayType);
    SerialSettingsDialog dialog(settings, frame->view()->store().gatewayType, frame);
    dialog.show();
    const bool ok = QTest::qWaitForWindowExposed(&dialog) && save(&dialog, dir, name);
    dialog.close();
    return ok;
}

// A download and an upload against the gateway simulator, shot when each has finished.
bool transferShots(CMainFrame *frame, const QString &dir)
{
    GatewaySimProcess sim({});
    QString error;
    if (!sim.start(error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return false;
    }
    SerialSettings &settings = frame->view()->serialSettings();
    settings.portIndex = portIndexForName(settings, sim.link().toStdString());
    bool ok = true;
    for (const auto &[kind, name] : {std::pair{TransferDialog::Kind::Download, "download.png"},
                                     std::pair{TransferDialog::Kind::Upload, "upload.png"}}) {
        TransferDialog::Hooks hooks;
        hooks.configuration = [frame]() -> const ConfigStore & { return frame->view()->store(); };
        TransferDialog dialog(kind, hooks, frame);
        if (!dialog.openPort(settings))
            return false;
        dialog.show();
        QSignalSpy ended(&dialog, &TransferDialog::transferEnded);
        dialog.startButton()->click();
        ok = QTest::qWaitForWindowExposed(&dialog) && ended.wait(20000) && save(&dialog, dir, name) && ok;
        dialog.reject();
    }
    return ok;
}

quint16 freePort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : 0;
}

// The Ethernet gateway's dialogs against the simulator on loopback: the search with its find,
// the Ethernet configuration, and a finished Ethernet download.
bool ethernetShots(CMainFrame *frame, const QString &dir)
{
    qputenv("TQV580_SEARCH_ADDRESS", "127.0.0.1");
    qputenv("TQV580_GATEWAY_PORT", QByteArray::number(freePort()));
    qputenv("TQV580_LOCAL_PORT", QByteArray::number(freePort()));
    GatewaySimProcess sim({QStringLiteral("--ethernet"), QStringLiteral("--permission"), QStringLiteral("2")});
    QString error;
    if (!sim.start(error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return false;
    }
    SessionState &session = frame->view()->session();
    bool ok = true;
    {
        CSearchDeviceDlg search(session, endpointsFromEnvironment(), frame);
        search.show();
        ok = QTest::qWaitFor([&search] { return search.search().finished(); }, 5000) && ok;
        search.deviceList()->setCurrentCell(0, 0);
        QTest::qWait(50);
        ok = save(&search, dir, "search-device.png") && ok;
    }
    {
        CEthernetConfigDlg config(session, frame);
        config.show();
        config.useSearchBox()->setChecked(false);
        config.addressEdit()->setText(QStringLiteral("192.168.0.10"));
        QTest::qWait(50);
        ok = save(&config, dir, "ethernet-configuration.png") && ok;
        config.close();
    }
    TransferDialog::Hooks hooks;
    hooks.configuration = [frame]() -> const ConfigStore & { return frame->view()->store(); };
    hooks.targetAddress = "127.0.0.1";
    hooks.targetPort = endpointsFromEnvironment().gatewayPort;
    TransferDialog download(TransferDialog::Kind::EthernetDownload, hooks, frame);
    download.show();
    QSignalSpy ended(&download, &TransferDialog::transferEnded);
    download.startButton()->click();
    ok = ended.wait(10000) && save(&download, dir, "ethernet-download.png") && ok;
    return ok;
}

// The two monitors against the simulator, once a few records have come in.
bool monitorShots(CMainFrame *frame, const QString &dir)
{
    bool ok = true;
    for (const char *link : {"record", "framed"}) {
        GatewaySimProcess sim({QStringLiteral("--monitor"), QString::fromLatin1(link), QStringLiteral("--monitor-resend"),
                               QStringLiteral("100")});
        QString error;
        if (!sim.start(error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return false;
        }
        SerialSettings &settings = frame->view()->serialSettings();
        settings.portIndex = portIndexForName(settings, sim.link().toStdString());
        if (std::string_view(link) == "record") {
            CRecordMonitorDlg dialog(MonitorLinkKind::RecordSerial, frame);
            if (!dialog.startSerial(settings))
                return false;
            dialog.show();
            ok = QTest::qWaitFor([&dialog] { return dialog.model()->rowCount() >= 8; }, 10000) &&
                 save(&dialog, dir, "monitor-record.png") && ok;
            dialog.reject();
        } else {
            CFramedMonitorDlg dialog(FramedMode::Master, frame);
            if (!dialog.start(settings))
                return false;
            dialog.show();
            ok = QTest::qWaitFor([&dialog] { return dialog.model()->rowCount() >= 8; }, 10000) &&
                 save(&dialog, dir, "monitor-framed.png") && ok;
            dialog.exitButton()->click();
        }
    }
    return ok;
}

// The window with its Edit menu open after an edit, so that Undo is offered. The menu is a window
// of its own: it is painted over the window's picture where it stands on the screen.
bool editMenuShot(CMainFrame *frame, const QString &dir, const char *name)
{
    frame->tree()->setCurrentItem(frame->tree()->topLevelItem(1));
    clickCell(frame->view()->grid(), 7, 1);
    frame->view()->inPlaceEdit()->selectAll();
    QTest::keyClicks(frame->view()->inPlaceEdit(), QStringLiteral("1000"));
    QTest::keyClick(frame->view()->inPlaceEdit(), Qt::Key_Return);
    QMenu *edit = frame->menuBar()->findChild<QMenu *>(QStringLiteral("menuEdit"));
    if (!edit)
        return false;
    QAction *title = edit->menuAction();
    frame->menuBar()->setActiveAction(title);
    if (!QTest::qWaitForWindowExposed(edit))
        return false;
    QTest::qWait(50);
    QPixmap picture = frame->grab();
    QPainter painter(&picture);
    painter.drawPixmap(frame->mapFromGlobal(edit->mapToGlobal(QPoint(0, 0))), edit->grab());
    painter.end();
    edit->hide();
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    const bool ok = picture.save(path);
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

bool englishShots(const QString &dir)
{
    CMainFrame frame;
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame))
        return false;
    ConfigStore &store = frame.view()->store();
    store.subnet(0).nodeCount = 2;
    store.subnet(0).nodes[0] = NODE{"1", "Node-1"};
    store.subnet(0).nodes[1] = NODE{"2", "Node-2"};
    store.subnet(0).commandCount = 3;
    store.subnet(0).commands[0] = COMMAND{"1", "3", "0", "10", "0", "", "20", "Fullword", "CRC", "Quick-scan", 1};
    store.subnet(0).commands[1] = COMMAND{"1", "16", "100", "4", "4000", "", "8", "Fullword", "CRC", "Quick-scan", 1};
    store.subnet(0).commands[2] = COMMAND{"2", "1", "0", "8", "14", "0", "1", "Fullword", "CRC", "Quick-scan", 2};
    frame.view()->rebuildTree();
    frame.treePane()->show();
    frame.promptPane()->show();
    frame.promptText()->setText(QStringLiteral("Prompt information appears here."));
    frame.tree()->expandAll();
    QTreeWidget *tree = frame.tree();
    QTableWidget *grid = frame.view()->grid();
    const struct {
        QTreeWidgetItem *item;
        int row;
        const char *name;
    } shots[] = {{tree->topLevelItem(0), 3, "grid-fieldbus.png"},
                 {tree->topLevelItem(1), 7, "grid-subnet.png"},
                 {tree->topLevelItem(1)->child(0)->child(1), 7, "grid-command.png"}};
    bool ok = true;
    for (const auto &shot : shots) {
        tree->setCurrentItem(shot.item);
        clickCell(grid, shot.row, 1);
        QTest::qWait(50);
        ok = save(&frame, dir, shot.name) && ok;
        frame.view()->inPlaceList()->hidePopup();
    }

    ok = editMenuShot(&frame, dir, "edit-menu.png") && ok;

    SelectCommandDialog select(&frame);
    select.show();
    if (QTest::qWaitForWindowExposed(&select))
        ok = save(&select, dir, "select-command.png") && ok;
    select.close();

    // Conflict detection: an overlap, a write into the input buffer, the status bytes.
    store.subnet(0).commandStatus = "2Bytes";
    store.subnet(0).commandCount = 6;
    store.subnet(0).commands[0] = COMMAND{"1", "3", "0", "4", "2", "0", "8", "Fullword", "CRC", "Quick-scan", 1};
    store.subnet(0).commands[3] = COMMAND{"2", "1", "0", "12", "8", "4", "2", "Fullword", "CRC", "Quick-scan", 2};
    store.subnet(0).commands[4] = COMMAND{"2", "6", "0", "1", "20", "0", "2", "Fullword", "CRC", "Quick-scan", 2};
    store.subnet(0).commands[5] = COMMAND{"2", "15", "0", "20", "4002", "0", "3", "Fullword", "CRC", "Quick-scan", 2};
    ConflictDialog conflicts(store, &frame);
    conflicts.show();
    if (QTest::qWaitForWindowExposed(&conflicts)) {
        ColourGridView *grid = conflicts.inputView();
        const QModelIndex byte = conflicts.inputModel()->indexOfOffset(9);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(byte).center());
        QTest::qWait(50);
        ok = save(&conflicts, dir, "conflict-detection.png") && ok;
        if (conflicts.bitPopup()) {
            ok = save(conflicts.bitPopup(), dir, "conflict-bits.png") && ok;
            conflicts.bitPopup()->close();
        }
        // From the keyboard: the current cell of the focused grid is framed.
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::qWait(50);
        ok = save(&conflicts, dir, "conflict-detection-keyboard.png") && ok;
    }
    conflicts.close();
    ok = serialSettingsShot(&frame, dir, "serial-settings.png") && ok;
    // The transfers with the small project again, which has no conflicts to ask about.
    store.subnet(0).commandStatus = "Disable";
    store.subnet(0).commandCount = 3;
    store.subnet(0).commands[0] = COMMAND{"1", "3", "0", "10", "0", "", "20", "Fullword", "CRC", "Quick-scan", 1};
    store.subnet(0).commands[2] = COMMAND{"2", "1", "0", "8", "14", "0", "1", "Fullword", "CRC", "Quick-scan", 2};
    ok = transferShots(&frame, dir) && ok;
    store.setTypeAndFlags(4, std::array<bool, 7>{});
    store.subnet(0).commandCount = 3;
    ok = ethernetShots(&frame, dir) && ok;
    ok = monitorShots(&frame, dir) && ok;
    store.configModified = false;
    {
        // A newcomer's first look: tqv580 --demo with its simulated gateway named in the status bar.
        CMainFrame demo;
        demo.show();
        ok = QTest::qWaitForWindowExposed(&demo) && demo.startDemo(QStringLiteral(TQV_GATEWAY_SIM_BINARY)) && ok;
        QTest::qWait(50);
        ok = save(&demo, dir, "demo.png") && ok;
    }
    return ok;
}

// The same window in Chinese, with a command's explanation in the prompt pane.
bool chineseShots(const QString &dir)
{
    setLanguage(Language::Chinese);
    CMainFrame zh;
    zh.show();
    if (!QTest::qWaitForWindowExposed(&zh))
        return false;
    ConfigStore &zs = zh.view()->store();
    zs.newConfiguration();
    zs.subnet(0).nodeCount = 1;
    zs.subnet(0).nodes[0] = NODE{"1", text(StrId::NodeNamePrefix) + "1"};
    zs.subnet(0).commandCount = 1;
    zs.subnet(0).commands[0] =
        COMMAND{"1", "3", "0", "10", "0", "", "20", zs.newCommandDataFormat(), "", text(StrId::ScanQuick), 1};
    zh.view()->rebuildTree();
    zh.tree()->expandAll();
    zh.tree()->setCurrentItem(zh.tree()->topLevelItem(1)->child(0)->child(0));
    clickCell(zh.view()->grid(), 3, 1);
    QTest::qWait(50);
    bool ok = save(&zh, dir, "grid-command-zh.png");
    ok = serialSettingsShot(&zh, dir, "serial-settings-zh.png") && ok;
    // Excel Output's save dialog: Qt's own texts in Chinese too.
    installQtTranslations(Language::Chinese);
    bool exportShot = false;
    std::function<void(int)> shootDialog = [&](int attempts) {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            QTest::qWait(100);
            exportShot = save(w, dir, "excel-output-zh.png");
            w->close();
        } else if (attempts > 0) {
            QTimer::singleShot(20, [&, attempts] { shootDialog(attempts - 1); });
        }
    };
    QTimer::singleShot(20, [&] { shootDialog(250); });
    zh.onExcelOutput();
    ok = exportShot && ok;
    zs.configModified = false;
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    // Settings and the file association of this run stay away from the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tqv580-screenshots OUTPUT_DIRECTORY\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    setLanguage(Language::English);
    const bool english = englishShots(dir);
    const bool chinese = chineseShots(dir);
    return english && chinese ? 0 : 1;
}
