#include "MonitorCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "QtRuntime.h"
#include "ethernet/MessageHeader.h"
#include "io/QtMonitorRun.h"
#include "model/ConfigStore.h"
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
    if (!monitorCommandEnabled(*store)) {
        app.err() << text(StrId::CliMonitorUnavailable) << '\n';
        return kExitProblem;
    }
    const MonitorLine line = monitorLineFor(*store, options.firmware == 5);
    const MonitorLinkKind kind = line.kind;
    if (!line.serial() && options.address.empty()) {
        app.err() << text(StrId::CliMonitorNeedsAddress) << '\n';
        return kExitUsage;
    }
    if (line.serial() && options.port.empty()) {
        app.err() << text(StrId::CliMonitorNeedsPort) << '\n';
        return kExitUsage;
    }
    if (!line.serial() && !ipv4Value(options.address)) {
        app.err() << formatText(StrId::CliBadAddress, {options.address}) << '\n';
        return kExitUsage;
    }
    const FramedMode mode = framedModeFromProtocol(store->subnets[0].protocol);

    QtRuntime runtime;
    QEventLoop loop;
    long shown = 0;
    bool failed = false;
    FramedMonitorRows framedRows(mode);
    std::unique_ptr<QtMonitorRun> run;
    auto onRow = [&](const MonitorRow &row) {
        ++shown;
        if (kind == MonitorLinkKind::Framed) {
            framedRows.add(row);
            printRow(app, framedRows.row(0).cells);
        } else {
            MonitorRow numbered = row;
            if (!numbered.cells.empty())
                numbered.cells[0] = std::to_string(shown);
            printRow(app, numbered.cells);
            if (!options.save.empty() && !failed
                && !writeFile(app, options.save, recordSaveBlock(kind, row), std::ios::app))
                failed = true;
        }
        if (options.count > 0 && shown >= options.count)
            run->stop();
    };
    run = std::make_unique<QtMonitorRun>(line, mode, [&](const MonitorEvent &event) {
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
        case MonitorEventKind::WriteDone:
            app.err() << event.text << '\n';
            break;
        case MonitorEventKind::SendEnabled:
            break;
        }
    });
    // The write's checks are the dialog's of that link; a refused write stops before anything is sent.
    if (!options.write.empty())
        if (const auto refused = run->session().refusal(options.write[0], options.write[1])) {
            app.err() << text(*refused) << '\n';
            return kExitProblem;
        }
    if (!options.save.empty() && kind != MonitorLinkKind::Framed && !writeFile(app, options.save, {}, std::ios::trunc))
        return kExitProblem;

    bool started = false;
    if (line.serial()) {
        started = run->startSerial(options.port);
    } else {
        const EthernetEndpoints endpoints = endpointsFromEnvironment();
        started = run->startUdp(options.address, endpoints.monitorPort, endpoints.localPort);
        if (!started)
            app.err() << formatText(StrId::CliSearchPortUnavailable, {std::to_string(endpoints.localPort)}) << '\n';
    }
    if (!started)
        return kExitProblem;
    if (!options.write.empty())
        run->write(options.write[0], options.write[1]);
    QTimer deadline;
    if (options.seconds > 0) {
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { run->stop(); });
        deadline.start(static_cast<int>(options.seconds * 1000));
    }
    loop.exec();
    run.reset();
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
