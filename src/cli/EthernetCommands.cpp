#include "EthernetCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "GatewayUpload.h"
#include "QtRuntime.h"
#include "TerminalObserver.h"
#include "TerminalPrompter.h"
#include "ethernet/DeviceSearch.h"
#include "io/QtUdpLink.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct SearchOptions {
    std::string address; // empty: broadcast
};

struct EthDownloadOptions {
    std::string file;
    std::string address;
    bool restart = false;
};

struct EthUploadOptions {
    std::string address;
    std::string project;
    std::string output;
};

// The device search as the dialog runs it, on an event loop of its own: the timer's ticks (or the
// fixed-address time limit) and the socket's arrivals, until it has finished. Returns the rows.
std::vector<DeviceInfo> runSearch(CliApp &app, SessionState &session, const EthernetEndpoints &endpoints)
{
    QtUdpLink link;
    DeviceSearch search(link, session, endpoints);
    QEventLoop loop;
    QTimer timer;
    search.setChangedCallback([&] {
        if (search.finished())
            loop.quit();
    });
    search.start();
    if (!search.bound())
        app.err() << formatText(StrId::CliSearchPortUnavailable, {std::to_string(endpoints.localPort)}) << '\n';
    if (search.mode() == SearchMode::Broadcast) {
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            search.tick();
            if (search.finished())
                loop.quit();
        });
        timer.start(static_cast<int>(DeviceSearch::tickInterval.count()));
    } else {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] { search.fixedQueryExpired(); });
        timer.start(static_cast<int>(DeviceSearch::fixedReplyLimit.count()));
    }
    if (!search.finished())
        loop.exec();
    return search.rows();
}

int runSearchCommand(CliApp &app, const SearchOptions &options)
{
    if (!options.address.empty() && !checkAddress(app, options.address))
        return kExitUsage;
    QtRuntime runtime;
    SessionState session;
    session.useFixedAddress = !options.address.empty();
    session.targetAddress = options.address;
    const std::vector<DeviceInfo> rows = runSearch(app, session, endpointsFromEnvironment());
    for (const DeviceInfo &device : rows) {
        const auto columns = device.columns();
        for (std::size_t i = 0; i < columns.size(); ++i)
            app.out() << (i ? "\t" : "") << columns[i];
        app.out() << '\n';
    }
    if (rows.empty()) {
        app.err() << text(StrId::CliSearchNothingFound) << '\n';
        return kExitProblem;
    }
    return kExitOk;
}

// The write's questions go to the command line's prompter (--yes); the restart question alone is
// answered by --restart.
class EthDownloadPrompter : public Prompter {
public:
    EthDownloadPrompter(Prompter &general, std::ostream &err, bool restart)
        : m_general(general), m_restart(err, restart)
    {
    }
    void info(const std::string &text) override { m_general.info(text); }
    void error(const std::string &text) override { m_general.error(text); }
    bool askYesNo(const std::string &text) override { return m_general.askYesNo(text); }
    bool askYesNoDefaultNo(const std::string &text) override { return m_general.askYesNoDefaultNo(text); }
    bool askOkCancel(const std::string &text) override { return m_restart.askOkCancel(text); }
    Answer askYesNoCancel(const std::string &text) override { return m_general.askYesNoCancel(text); }

private:
    Prompter &m_general;
    TerminalPrompter m_restart;
};

int runEthDownload(CliApp &app, const EthDownloadOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *store); code != kExitOk)
        return code;
    if (gatewayRouteOf(*store) != GatewayRoute::Ethernet) {
        app.err() << formatText(StrId::CliNotEthernetType, {options.file}) << '\n';
        return kExitUsage;
    }
    if (!checkAddress(app, options.address))
        return kExitUsage;

    QtRuntime runtime;
    // The gateway is asked first, as the search dialog in fixed-address mode asks it: whether it
    // answers and whether it allows remote configuration.
    SessionState state;
    state.useFixedAddress = true;
    state.targetAddress = options.address;
    if (runSearch(app, state, endpointsFromEnvironment()).empty()) {
        app.err() << formatText(StrId::CliNoGatewayAt, {options.address}) << '\n';
        return kExitProblem;
    }
    EthDownloadPrompter prompter(app.prompter(), app.err(), options.restart);
    int code = kExitOk;
    const auto gateway = openGateway(app, *store, GatewayAccess{{}, {}, options.address}, prompter, code);
    if (!gateway)
        return code;
    GatewaySession &session = *gateway->session;
    // A fresh run has had no mapping pass, so there is no incomplete-information mark.
    if (!session.downloadMayOpen(*store, state.remoteConfigAllowed, prompter) ||
        !session.downloadPressChecks(*store, false, prompter))
        return kExitProblem;
    const GatewayWrite written = session.write(*store, false);
    reportFailure(app, written.failure);
    if (!written.complete())
        return kExitProblem;
    switch (session.offerRestart()) {
    case RestartOutcome::Sent:
        app.err() << text(StrId::CliRestartSent) << '\n';
        return kExitOk;
    case RestartOutcome::SendFailed:
        return kExitProblem;
    case RestartOutcome::Declined:
    case RestartOutcome::NotDownloaded:
        break;
    }
    return kExitOk;
}

int runEthUpload(CliApp &app, const EthUploadOptions &options)
{
    const FileKind outputKind = fileKindOf(options.output);
    if (outputKind == FileKind::Other)
        return refuseExtension(app, options.output);
    auto current = std::make_unique<ConfigStore>();
    current->newConfiguration();
    if (!options.project.empty()) {
        if (const int code = readForCommand(app, options.project, *current); code != kExitOk)
            return code;
        if (gatewayRouteOf(*current) != GatewayRoute::Ethernet) {
            app.err() << formatText(StrId::CliNotEthernetType, {options.project}) << '\n';
            return kExitUsage;
        }
    } else {
        // Without a project the fields the image does not carry take an Ethernet gateway's defaults.
        std::array<bool, 7> flags{};
        for (int n = 1; n <= 7; ++n)
            flags[static_cast<std::size_t>(n - 1)] = current->modelFlag(n);
        current->setTypeAndFlags(code(GatewayType::Ethernet), flags);
    }
    const GatewayAccess access{{}, {}, options.address};
    GatewayReadBack back = readGateway(app, *current, access);
    if (back.exitCode != kExitOk)
        return back.exitCode;
    if (const Status saved = writeConfiguration(options.output, outputKind, back.read.configuration); !saved) {
        return writeFailed(app, saved);
    }
    app.err() << formatText(StrId::CliWritten, {options.output}) << '\n';
    return kExitOk;
}

void addAddressOption(CLI::App &command, std::string &address, StrId help, bool required)
{
    CLI::Option *option = command.add_option("--address", address, text(help))->type_name("IP");
    if (required)
        option->required();
}

} // namespace

void addEthernetCommands(CliApp &app)
{
    auto searchOptions = std::make_shared<SearchOptions>();
    CLI::App &searchCommand = app.addCommand("search", text(StrId::CliHelpSearch));
    addAddressOption(searchCommand, searchOptions->address, StrId::CliHelpSearchAddress, false);
    app.setJob(searchCommand, [&app, searchOptions] { return runSearchCommand(app, *searchOptions); });

    auto downloadOptions = std::make_shared<EthDownloadOptions>();
    CLI::App &downloadCommand = app.addCommand("eth-download", text(StrId::CliHelpEthDownload));
    downloadCommand.add_option(text(StrId::CliHelpFile), downloadOptions->file, text(StrId::CliHelpDownloadFile))
        ->required()
        ->type_name("");
    addAddressOption(downloadCommand, downloadOptions->address, StrId::CliHelpAddressOption, true);
    downloadCommand.add_flag("--restart", downloadOptions->restart, text(StrId::CliHelpRestart));
    app.setJob(downloadCommand, [&app, downloadOptions] { return runEthDownload(app, *downloadOptions); });

    auto uploadOptions = std::make_shared<EthUploadOptions>();
    CLI::App &uploadCommand = app.addCommand("eth-upload", text(StrId::CliHelpEthUpload));
    addAddressOption(uploadCommand, uploadOptions->address, StrId::CliHelpAddressOption, true);
    uploadCommand.add_option("--project", uploadOptions->project, text(StrId::CliHelpEthUploadProject))
        ->type_name(text(StrId::CliHelpFile));
    uploadCommand.add_option("-o", uploadOptions->output, text(StrId::CliHelpUploadOutput))
        ->required()
        ->type_name(text(StrId::CliHelpOut));
    app.setJob(uploadCommand, [&app, uploadOptions] { return runEthUpload(app, *uploadOptions); });
}

} // namespace tqv
