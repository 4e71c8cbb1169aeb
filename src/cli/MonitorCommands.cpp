#include "MonitorCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "QtRuntime.h"
#include "ethernet/MessageHeader.h"
#include "io/QtSerialLink.h"
#include "io/QtUdpLink.h"
#include "link/Clock.h"
#include "model/ConfigStore.h"
#include "model/ModelProfile.h"
#include "monitor/MonitorLinks.h"
#include "monitor/MonitorRows.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <QEventLoop>
#include <QTimer>

#include <fstream>
#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct MonitorOptions {
    std::string project;
    int firmware = 5;
    std::string port;
    std::string address;
    long count = 0;   // 0: no limit
    double seconds = 0; // 0: no limit
    std::string save;
    std::vector<std::string> write; // ADDR DATA
};

void printRow(CliApp &app, const std::vector<std::string> &cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i)
        app.out() << (i ? "\t" : "") << cells[i];
    app.out() << '\n';
    app.out().flush();
}

bool writeFile(CliApp &app, const std::string &path, const std::string &content, std::ios::openmode mode)
{
    std::ofstream file(path, std::ios::binary | mode);
    file << content;
    if (file.good())
        return true;
    app.err() << formatText(StrId::MsgMonitorSaveFailed, {path}) << '\n';
    return false;
}

int runMonitor(CliApp &app, const MonitorOptions &options)
{
    if (options.firmware != 5 && options.firmware != 4) {
        app.err() << text(StrId::CliMonitorBadFirmware) << '\n';
        return kExitUsage;
    }
    if (!options.write.empty() && options.write.size() != 2) {
        app.err() << text(StrId::CliMonitorBadWrite) << '\n';
        return kExitUsage;
    }
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    if (!options.project.empty())
        if (const int code = readForCommand(app, options.project, *store); code != kExitOk)
            return code;
    const bool available = profileOf(*store).monitorIoData;
    if (!available) {
        app.err() << text(StrId::CliMonitorUnavailable) << '\n';
        return kExitProblem;
    }
    const MonitorLinkKind kind = monitorLinkFor(*store, options.firmware == 5);
    if (kind == MonitorLinkKind::Udp && options.address.empty()) {
        app.err() << text(StrId::CliMonitorNeedsAddress) << '\n';
        return kExitUsage;
    }
    if (kind != MonitorLinkKind::Udp && options.port.empty()) {
        app.err() << text(StrId::CliMonitorNeedsPort) << '\n';
        return kExitUsage;
    }
    if (kind == MonitorLinkKind::Udp && !ipv4Value(options.address)) {
        app.err() << formatText(StrId::CliBadAddress, {options.address}) << '\n';
        return kExitUsage;
    }
    // The write's checks are the dialog's of that link; a refused write stops before anything is sent.
    std::optional<MonitorWrite> write;
    if (!options.write.empty() && kind != MonitorLinkKind::Framed) {
        const WriteCheck check = checkRecordWrite(options.write[0], options.write[1]);
        if (!check.ok()) {
            app.err() << text(*check.error) << '\n';
            return kExitProblem;
        }
        write = check.write;
    }
    const FramedMode mode = framedModeFromProtocol(store->subnets[0].protocol);

    QtRuntime runtime;
    SteadyClock clock;
    QEventLoop loop;
    QTimer timer, deadline;
    long shown = 0;
    bool failed = false;
    bool stopping = false;
    std::function<void()> stop;
    FramedMonitorRows framedRows(mode);
    if (!options.save.empty() && kind != MonitorLinkKind::Framed && !writeFile(app, options.save, {}, std::ios::trunc))
        return kExitProblem;

    auto onRow = [&](const MonitorRow &row) {
        ++shown;
        if (kind == MonitorLinkKind::Framed) {
            framedRows.add(row);
            printRow(app, framedRows.row(0).cells);
        } else {
            printRow(app, row.cells);
            if (!options.save.empty() && !failed
                && !writeFile(app, options.save, recordSaveBlock(kind, row), std::ios::app))
                failed = true;
        }
        if (options.count > 0 && shown >= options.count)
            stop();
    };
    auto sink = [&](const MonitorEvent &event) {
        switch (event.kind) {
        case MonitorEventKind::Row:
            onRow(event.row);
            break;
        case MonitorEventKind::Message:
            app.err() << event.text << (event.text.ends_with('\n') ? "" : "\n");
            failed = true;
            break;
        case MonitorEventKind::TimerStopped:
        case MonitorEventKind::Closed:
            loop.quit();
            break;
        case MonitorEventKind::SendEnabled:
            break;
        }
    };

    QtSerialLink serial;
    QtUdpLink udp;
    std::unique_ptr<FramedMonitorLink> framed;
    std::unique_ptr<RecordMonitorLink> record;
    std::unique_ptr<UdpMonitorLink> network;
    Millis tick{0};
    if (kind == MonitorLinkKind::Udp) {
        const EthernetEndpoints endpoints = endpointsFromEnvironment();
        network = std::make_unique<UdpMonitorLink>(udp, clock, options.address, endpoints.monitorPort, sink);
        if (!network->start(endpoints.localPort)) {
            app.err() << formatText(StrId::CliSearchPortUnavailable, {std::to_string(endpoints.localPort)}) << '\n';
            return kExitProblem;
        }
        udp.setReadyCallback([&] { network->onDatagram(); });
        tick = UdpMonitorLink::tickInterval;
        stop = [&] { if (!stopping) { stopping = true; network->requestStop(); } };
    } else {
        PortParameters parameters;
        parameters.baudRate = monitorLineSettings(kind).baudRate;
        if (const Status opened = serial.open(options.port, parameters); !opened) {
            app.err() << (kind == MonitorLinkKind::Framed ? formatText(StrId::MsgMonitorOpenPortFailed, {options.port})
                                                          : text(StrId::MsgMonitorPortNotOpen))
                      << '\n';
            return kExitProblem;
        }
        if (kind == MonitorLinkKind::Framed) {
            framed = std::make_unique<FramedMonitorLink>(serial, clock, mode, sink);
            if (!options.write.empty())
                framed->requestWrite(options.write[0], options.write[1]);
            tick = FramedMonitorLink::tickInterval;
            stop = [&] { stopping = true; framed->requestStop(); };
        } else {
            record = std::make_unique<RecordMonitorLink>(serial, clock, sink);
            tick = RecordMonitorLink::tickInterval;
            stop = [&] { stopping = true; record->exit(); };
        }
    }
    if (write) {
        if (record)
            record->beginWrite(*write);
        else
            network->beginWrite(*write);
    }
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (framed)
            framed->onTick();
        else if (record)
            record->onTick();
        else
            network->onTick();
    });
    timer.start(static_cast<int>(tick.count()));
    if (options.seconds > 0) {
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { stop(); });
        deadline.start(static_cast<int>(options.seconds * 1000));
    }
    if (framed)
        framed->start();
    if (!(framed && framed->closed()))
        loop.exec();
    timer.stop();
    serial.close();
    udp.close();
    if (kind == MonitorLinkKind::Framed && !options.save.empty()
        && !writeFile(app, options.save, framedRows.saveText(), std::ios::trunc))
        failed = true;
    return failed ? kExitProblem : kExitOk;
}

} // namespace

void addMonitorCommands(CliApp &app)
{
    auto options = std::make_shared<MonitorOptions>();
    CLI::App &command = app.addCommand("monitor", text(StrId::CliHelpMonitor));
    command.add_option("--project", options->project, text(StrId::CliHelpMonitorProject))->type_name(text(StrId::CliHelpFile));
    command.add_option("--firmware", options->firmware, text(StrId::CliHelpMonitorFirmware))->type_name("5|4");
    command.add_option("--port", options->port, text(StrId::CliHelpPortOption))->type_name("DEV");
    command.add_option("--address", options->address, text(StrId::CliHelpAddressOption))->type_name("IP");
    command.add_option("--count", options->count, text(StrId::CliHelpMonitorCount))->type_name("N");
    command.add_option("--seconds", options->seconds, text(StrId::CliHelpMonitorSeconds))->type_name("S");
    command.add_option("--save", options->save, text(StrId::CliHelpMonitorSave))->type_name(text(StrId::CliHelpFile));
    command.add_option("--write", options->write, text(StrId::CliHelpMonitorWrite))->expected(2)->type_name("ADDR DATA");
    app.setJob(command, [&app, options] { return runMonitor(app, *options); });
}

} // namespace tqv
