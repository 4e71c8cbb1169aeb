// Takes the window's screenshots for reviews and the manual: a small project (the fieldbus, subnet
// and command grids with their in-place editors open, every dialog of the window, transfers and
// monitors against the gateway simulator).
// Usage: tqv580-screenshots OUTPUT_DIRECTORY [--lang en|zh]
//        tqv580-screenshots --list
// With --lang the whole tour runs in that language and the images carry the same names in both,
// so that the manual's pages can share them; without it the tour runs in English and a few
// Chinese shots follow (named *-zh.png).

#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"
#include "app/ConflictDialog.h"
#include "app/SelectCommandDialog.h"
#include "controls/BitPopup.h"
#include "controls/ColourGridView.h"
#include "app/SerialSettingsDialog.h"
#include "app/CSearchDeviceDlg.h"
#include "app/DifferencesDialog.h"
#include "export/Workbook.h"
#include "app/MonitorDialogs.h"
#include "app/TransferDialog.h"
#include "ethernet/MessageHeader.h"
#include "model/ProjectDocument.h"
#include "model/SessionState.h"
#include "support/GatewaySimProcess.h"
#include "controls/DockPane.h"
#include "resources/Strings.h"

#include "app/AppStartup.h"
#include "app/CommandIds.h"

#include <QApplication>
#include <QTemporaryDir>
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
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace tqv;

namespace {

void clickCell(QTableWidget *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

// The images of the tour in one language, in the order they are taken; the manual refers to them.
const char *const kTourShots[] = {
    "main-window.png",        "grid-fieldbus.png",       "grid-subnet.png",
    "grid-command.png",       "select-command.png",      "mapping-address.png",
    "conflict-detection.png", "conflict-bits.png",       "conflict-detection-keyboard.png",
    "serial-settings.png",    "download.png",            "upload.png",
    "search-device.png",      "ethernet-configuration.png", "ethernet-download.png",
    "monitor-record.png",     "monitor-framed.png",      "select-firmware.png",
    "excel-output.png",       "new-model.png",           "about.png",               "edit-menu.png",
    "demo.png",               "compare-with-gateway.png", "mapping-done.png",
    "conflict-question.png",  "download-failed-box.png", "download-failed.png",
    "convert-language.png",   "import.png",
};

QStringList g_written; // names saved by this run, checked against kTourShots at the end

bool save(QWidget *widget, const QString &dir, const char *name)
{
    g_written.append(QString::fromLatin1(name));
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    const bool ok = widget->grab().save(path);
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

// Opens a modal dialog through `open` (which runs its event loop), shoots it once it shows and
// closes it again; false when none appeared.
bool shootModal(const QString &dir, const char *name, const std::function<void()> &open)
{
    bool shot = false;
    bool done = false;
    std::function<void(int)> poll = [&](int attempts) {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            QTest::qWait(100);
            shot = save(w, dir, name);
            w->close();
            done = true;
        } else if (attempts > 0) {
            QTimer::singleShot(20, [&poll, attempts] { poll(attempts - 1); });
        } else {
            done = true;
        }
    };
    QTimer::singleShot(20, [&poll] { poll(250); });
    open();
    // The poll must not outlive this frame when `open` came back without a dialog.
    if (!QTest::qWaitFor([&done] { return done; }, 10000))
        std::fprintf(stderr, "still waiting for %s\n", name);
    if (!shot)
        std::fprintf(stderr, "no dialog for %s\n", name);
    return shot;
}

// A command in the active language's values (data format, check and scan texts are stored as
// the language's texts).
COMMAND command(const char *slave, const char *function, const char *start, const char *quantity,
                const char *mapping, const char *bit, const char *bytes, int node)
{
    return COMMAND{slave, function, start, quantity, mapping, bit, bytes, text(StrId::FormatFullword),
                   text(StrId::CheckCrc), text(StrId::ScanQuick), node};
}

// The serial settings dialog over the window, with a few ports listed.
// Starts the simulator; says why on stderr when it does not start.
bool started(GatewaySimProcess &sim)
{
    QString error;
    if (sim.start(error))
        return true;
    std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
    return false;
}

// The window's serial settings, pointed at the simulator's line.
SerialSettings &settingsOnLink(CMainFrame *frame, const GatewaySimProcess &sim)
{
    SerialSettings &settings = frame->view()->serialSettings();
    settings.portIndex = portIndexForName(settings, sim.link().toStdString());
    return settings;
}

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
    if (!started(sim))
        return false;
    SerialSettings &settings = settingsOnLink(frame, sim);
    bool ok = true;
    for (const auto &[kind, name] : {std::pair{TransferDialog::Kind::Download, "download.png"},
                                     std::pair{TransferDialog::Kind::Upload, "upload.png"}}) {
        TransferDialog::Hooks hooks;
        hooks.configuration = [frame]() -> ConfigStore & { return frame->view()->store(); };
        TransferDialog dialog(kind, hooks, frame);
        if (!dialog.openSession(settings))
            return false;
        dialog.show();
        QSignalSpy ended(&dialog, &TransferDialog::transferEnded);
        dialog.startButton()->click();
        ok = QTest::qWaitForWindowExposed(&dialog) && ended.wait(20000) && save(&dialog, dir, name) && ok;
        dialog.reject();
    }
    return ok;
}

// A download from the window's store against a gateway that never answers a command write: with
// overlaps in the store its conflict question is shot (and answered No), else the error box of
// the failed step and the dialog after it.
bool failedDownloadShots(CMainFrame *frame, const QString &dir, bool overlaps)
{
    GatewaySimProcess sim({QStringLiteral("--fail"), QStringLiteral("timeout:10")});
    if (!started(sim))
        return false;
    SerialSettings &settings = settingsOnLink(frame, sim);
    TransferDialog::Hooks hooks;
    hooks.configuration = [frame]() -> ConfigStore & { return frame->view()->store(); };
    TransferDialog dialog(TransferDialog::Kind::Download, hooks, frame);
    if (!dialog.openSession(settings))
        return false;
    dialog.show();
    QSignalSpy ended(&dialog, &TransferDialog::transferEnded);
    bool ok = QTest::qWaitForWindowExposed(&dialog) &&
              shootModal(dir, overlaps ? "conflict-question.png" : "download-failed-box.png", [&] {
                  dialog.startButton()->click();
                  ended.wait(20000);
              });
    if (!overlaps)
        ok = save(&dialog, dir, "download-failed.png") && ok;
    dialog.reject();
    return ok;
}

// The Ethernet gateway's dialogs against the simulator on loopback: the search with its find,
// the Ethernet configuration, and a finished Ethernet download.
bool ethernetShots(CMainFrame *frame, const QString &dir)
{
    qputenv("TQV580_SEARCH_ADDRESS", "127.0.0.1");
    qputenv("TQV580_GATEWAY_PORT", QByteArray::number(freeLoopbackPort()));
    qputenv("TQV580_LOCAL_PORT", QByteArray::number(freeLoopbackPort()));
    GatewaySimProcess sim({QStringLiteral("--ethernet")});
    if (!started(sim))
        return false;
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
    // The Ethernet gateway's configuration takes the dialog over the network.
    ConfigStore ethernet;
    ethernet.newConfiguration();
    ethernet.setTypeAndFlags(4, std::array<bool, 7>{});
    TransferDialog::Hooks hooks;
    hooks.configuration = [&ethernet]() -> ConfigStore & { return ethernet; };
    hooks.targetAddress = "127.0.0.1";
    hooks.targetPort = endpointsFromEnvironment().gatewayPort;
    TransferDialog download(TransferDialog::Kind::Download, hooks, frame);
    if (!download.openSession(frame->view()->serialSettings()))
        return false;
    download.show();
    QSignalSpy ended(&download, &TransferDialog::transferEnded);
    download.startButton()->click();
    ok = ended.wait(10000) && save(&download, dir, "ethernet-download.png") && ok;
    return ok;
}

// A row highlighted and a write sent, so that "Read date" and the line under the boxes show.
template <typename Dialog> bool highlightAndSend(Dialog &dialog, int row)
{
    QTableView *list = dialog.list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(dialog.model()->index(row, 0)).center());
    QTest::mouseClick(dialog.sendButton(), Qt::LeftButton);
    return QTest::qWaitFor([&dialog] { return !dialog.sendResult()->text().isEmpty(); }, 5000);
}

// The two monitors against the simulator, once a few records have come in; `suffix` goes before
// the images' ".png".
bool monitorShots(CMainFrame *frame, const QString &dir, const char *suffix = "")
{
    bool ok = true;
    const std::string record = std::string("monitor-record") + suffix + ".png";
    const std::string framed = std::string("monitor-framed") + suffix + ".png";
    for (const char *link : {"record", "framed"}) {
        GatewaySimProcess sim({QStringLiteral("--monitor"), QString::fromLatin1(link), QStringLiteral("--monitor-resend"),
                               QStringLiteral("100")});
        if (!started(sim))
            return false;
        if (std::string_view(link) == "record") {
            CRecordMonitorDlg dialog(monitorLine(MonitorLinkKind::RecordSerial), frame);
            if (!dialog.startSerial(sim.link().toStdString()))
                return false;
            dialog.show();
            ok = QTest::qWaitFor([&dialog] { return dialog.model()->rowCount() >= 8; }, 10000) && ok;
            ok = highlightAndSend(dialog, 2) && save(&dialog, dir, record.c_str()) && ok;
            dialog.reject();
        } else {
            CFramedMonitorDlg dialog(monitorLine(MonitorLinkKind::Framed), FramedMode::Master, frame);
            if (!dialog.start(sim.link().toStdString()))
                return false;
            dialog.show();
            ok = QTest::qWaitFor([&dialog] { return dialog.model()->rowCount() >= 8; }, 10000) && ok;
            // Newer records come in above the highlighted one, which "Read date" keeps showing.
            ok = highlightAndSend(dialog, 2) &&
                 QTest::qWaitFor([&dialog] { return dialog.model()->rowCount() >= 11; }, 5000) &&
                 save(&dialog, dir, framed.c_str()) && ok;
            dialog.exitButton()->click();
        }
    }
    return ok;
}

// The question a project whose values are in the other language asks before it opens (answered No).
bool convertLanguageShot(CMainFrame *frame, const QString &dir, const char *name)
{
    const Language active = currentLanguage();
    setLanguage(active == Language::English ? Language::Chinese : Language::English);
    ConfigStore other;
    other.newConfiguration();
    setLanguage(active);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("pump-station.tqv"));
    const CodePage page = codePageFor(active == Language::English ? Language::Chinese : Language::English);
    if (!ProjectDocument::save(path.toStdString(), other, page).ok())
        return false;
    return shootModal(dir, name, [frame, &path] { frame->openProject(path); });
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
    g_written.append(QString::fromLatin1(name));
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    const bool ok = picture.save(path);
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

// The whole tour in the active language.
bool tourShots(const QString &dir)
{
    CMainFrame frame;
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame))
        return false;
    ConfigStore &store = frame.view()->store();
    const std::string node = text(StrId::NodeNamePrefix);
    store.subnet(0).nodeCount = 2;
    store.subnet(0).nodes[0] = NODE{"1", node + "1"};
    store.subnet(0).nodes[1] = NODE{"2", node + "2"};
    store.subnet(0).commandCount = 3;
    store.subnet(0).commands[0] = command("1", "3", "0", "10", "0", "", "20", 1);
    store.subnet(0).commands[1] = command("1", "16", "100", "4", "4000", "", "8", 1);
    store.subnet(0).commands[2] = command("2", "1", "0", "8", "14", "0", "1", 2);
    frame.view()->rebuildTree();
    frame.treePane()->show();
    frame.promptPane()->show();
    frame.tree()->expandAll();
    frame.tree()->setCurrentItem(frame.tree()->topLevelItem(1)->child(0));
    QTest::qWait(50);
    bool ok = save(&frame, dir, "main-window.png");
    QTreeWidget *tree = frame.tree();
    QTableWidget *grid = frame.view()->grid();
    const struct {
        QTreeWidgetItem *item;
        int row;
        const char *name;
    } shots[] = {{tree->topLevelItem(0), 3, "grid-fieldbus.png"},
                 {tree->topLevelItem(1), 7, "grid-subnet.png"},
                 {tree->topLevelItem(1)->child(0)->child(1), 7, "grid-command.png"}};
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
    // Mapping Address asks first; the question is shot and answered No.
    ok = shootModal(dir, "mapping-address.png", [&frame] { frame.action(cmd::MappingAddress)->trigger(); }) && ok;
    // Answered Yes in a titled document: the tree keeps its place, the status bar says what the
    // pass did and the title carries the file name and the unsaved marker.
    {
        QTemporaryDir project;
        frame.setFileNameProvider([&project](bool) { return project.filePath(QStringLiteral("tour.tqv")); });
        ok = frame.onFileSaveAs() && ok;
        tree->setCurrentItem(tree->topLevelItem(1)->child(0)->child(1));
        QTimer::singleShot(100, [] {
            if (QWidget *question = QApplication::activeModalWidget())
                QTest::keyClick(question, Qt::Key_Return);
        });
        frame.action(cmd::MappingAddress)->trigger();
        QTest::qWait(50);
        std::printf("title: %s\n", qPrintable(frame.windowTitle()));
        ok = save(&frame, dir, "mapping-done.png") && ok;
    }

    // Conflict detection: an overlap, a write into the input buffer, the status bytes.
    store.subnet(0).commandStatus = "2Bytes";
    store.subnet(0).commandCount = 6;
    store.subnet(0).commands[0] = command("1", "3", "0", "4", "2", "0", "8", 1);
    store.subnet(0).commands[3] = command("2", "1", "0", "12", "8", "4", "2", 2);
    store.subnet(0).commands[4] = command("2", "6", "0", "1", "20", "0", "2", 2);
    store.subnet(0).commands[5] = command("2", "15", "0", "20", "4002", "0", "3", 2);
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
    ok = failedDownloadShots(&frame, dir, true) && ok;
    ok = serialSettingsShot(&frame, dir, "serial-settings.png") && ok;
    // The transfers with the small project again, which has no conflicts to ask about.
    store.subnet(0).commandStatus = text(StrId::Disable);
    store.subnet(0).commandCount = 3;
    store.subnet(0).commands[0] = command("1", "3", "0", "10", "0", "", "20", 1);
    store.subnet(0).commands[2] = command("2", "1", "0", "8", "14", "0", "1", 2);
    ok = transferShots(&frame, dir) && ok;
    ok = failedDownloadShots(&frame, dir, false) && ok;
    store.setTypeAndFlags(4, std::array<bool, 7>{});
    store.subnet(0).commandCount = 3;
    ok = ethernetShots(&frame, dir) && ok;
    ok = monitorShots(&frame, dir) && ok;
    // A gateway with model flag 7 asks for the firmware before it monitors; the question is
    // shot and cancelled.
    std::array<bool, 7> flag7{};
    flag7[6] = true;
    store.setTypeAndFlags(3, flag7);
    frame.view()->serialSettings().confirmed = true;
    ok = shootModal(dir, "select-firmware.png", [&frame] { frame.action(cmd::Monitor)->trigger(); }) && ok;
    store.setTypeAndFlags(3, std::array<bool, 7>{});
    store.subnet(0).commandCount = 3;
    ok = shootModal(dir, "excel-output.png", [&frame] { frame.onExcelOutput(); }) && ok;
    {
        // File > Import of this configuration's workbook after a spreadsheet changed the first
        // command's quantity and gave the second a slave address out of range.
        store.subnet(0).nodeCount = 2;
        for (int n = 1; n <= 2; ++n)
            store.node(0, n) = NODE{std::to_string(n), text(StrId::NodeNamePrefix) + std::to_string(n)};
        store.subnet(0).commandCount = 3;
        store.subnet(0).commands[0] = command("1", "3", "0", "10", "0", "", "20", 1);
        store.subnet(0).commands[1] = command("1", "3", "20", "4", "14", "", "8", 1);
        store.subnet(0).commands[2] = command("2", "1", "0", "8", "18", "0", "1", 2);
        ConfigStore edited = store;
        edited.subnet(0).commands[0].quantity = "4";
        std::vector<Cell> cells = workbookCells(edited);
        for (Cell &cell : cells)
            if (cell.sheet == Sheet::CommandList && cell.row == 3 && cell.column == 2)
                cell.text = "300";
        QTemporaryDir books;
        const QString book = books.filePath(QStringLiteral("plant.xlsx"));
        ok = writeWorkbook(cells, book.toStdString()).ok() && ok;
        frame.setImportFileNameProvider([book] { return book; });
        ok = shootModal(dir, "import.png", [&frame] { frame.onImport(); }) && ok;
    }
    ok = shootModal(dir, "new-model.png", [&frame] { frame.onNewProject(); }) && ok;
    ok = shootModal(dir, "about.png", [&frame] { frame.onAbout(); }) && ok;
    ok = convertLanguageShot(&frame, dir, "convert-language.png") && ok;
    store.configModified = false;
    {
        // Compare with Gateway as the read of a gateway that holds another baud rate and quantity
        // would show it.
        ConfigStore gateway = store;
        gateway.setTypeAndFlags(3, std::array<bool, 7>{});
        ConfigStore project = gateway;
        project.subnet(0).commandCount = 1;
        project.subnet(0).commands[0] = COMMAND{"1", "3", "0", "10", "0", "", "20", project.newCommandDataFormat(), "", text(StrId::ScanQuick), 1};
        gateway.subnet(0).commandCount = 1;
        gateway.subnet(0).commands[0] = project.subnet(0).commands[0];
        gateway.subnet(0).commands[0].quantity = "4";
        gateway.subnet(0).masterBaud = "4800";
        DifferencesDialog::Resolver resolver;
        resolver.compare = [&project, &gateway] { return compareConfigurations(project, gateway, Carried::Everything); };
        resolver.take = [](const Difference &) {};
        DifferencesDialog compare(std::move(resolver), &frame);
        compare.show();
        ok = QTest::qWaitForWindowExposed(&compare) && ok;
        compare.table()->selectRow(1);
        QTest::qWait(50);
        ok = save(&compare, dir, "compare-with-gateway.png") && ok;
        compare.close();
    }
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
    ok = convertLanguageShot(&zh, dir, "convert-language-zh.png") && ok;
    ok = monitorShots(&zh, dir, "-zh") && ok;
    zs.configModified = false;
    return ok;
}

} // namespace

bool listedInTour(const QString &name)
{
    return std::any_of(std::begin(kTourShots), std::end(kTourShots),
                       [&name](const char *shot) { return name == QLatin1String(shot); });
}

// The tour in one language must write exactly the listed images, else the manual's pages point
// at pictures that are not there (or the list misses new ones).
bool writtenAsListed()
{
    bool ok = true;
    for (const char *shot : kTourShots)
        if (!g_written.contains(QLatin1String(shot))) {
            std::fprintf(stderr, "not written: %s\n", shot);
            ok = false;
        }
    for (const QString &name : std::as_const(g_written))
        if (!listedInTour(name)) {
            std::fprintf(stderr, "written but not listed: %s\n", qPrintable(name));
            ok = false;
        }
    return ok;
}

int usage()
{
    std::fprintf(stderr, "usage: tqv580-screenshots OUTPUT_DIRECTORY [--lang en|zh]\n"
                         "       tqv580-screenshots --list\n");
    return 2;
}

int main(int argc, char **argv)
{
    // Settings and the file association of this run stay away from the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args == std::vector<std::string>{"--list"}) {
        for (const char *shot : kTourShots)
            std::printf("%s\n", shot);
        return 0;
    }
    std::string dirArg;
    std::string lang;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang" && i + 1 < args.size())
            lang = args[++i];
        else if (dirArg.empty() && !args[i].starts_with("-"))
            dirArg = args[i];
        else
            return usage();
    }
    if (dirArg.empty() || !(lang.empty() || lang == "en" || lang == "zh"))
        return usage();
    QApplication app(argc, argv);
    const QString dir = QDir(QString::fromLocal8Bit(dirArg.c_str())).absolutePath();
    QDir().mkpath(dir);
    // File dialogs open in the working folder: an empty one of this run's own, not the caller's.
    const QString documents = home.filePath(QStringLiteral("Documents"));
    QDir().mkpath(documents);
    QDir::setCurrent(documents);
    if (!lang.empty()) {
        const Language language = lang == "zh" ? Language::Chinese : Language::English;
        setLanguage(language);
        installQtTranslations(language);
        const bool ok = tourShots(dir);
        return ok && writtenAsListed() ? 0 : 1;
    }
    setLanguage(Language::English);
    const bool english = tourShots(dir) && writtenAsListed();
    const bool chinese = chineseShots(dir);
    return english && chinese ? 0 : 1;
}
