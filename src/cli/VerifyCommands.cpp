#include "VerifyCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "CompareCommands.h"
#include "GatewayUpload.h"
#include "compare/ConfigDiff.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct VerifyOptions {
    std::string file;
    std::string port;
    std::string address;
    std::string baud;
    bool json = false;
};

int runVerify(CliApp &app, const VerifyOptions &options)
{
    auto project = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *project); code != kExitOk)
        return code;
    // The file's gateway type decides the link, as it decides the transfer in the window.
    const bool ethernet = isEthernetType(project->gatewayType);
    if (ethernet && options.address.empty()) {
        app.err() << text(StrId::CliVerifyNeedsAddress) << '\n';
        return kExitUsage;
    }
    if (!ethernet && options.port.empty()) {
        app.err() << text(StrId::CliVerifyNeedsPort) << '\n';
        return kExitUsage;
    }

    // The upload builds a configuration of its own; the file is only compared with it.
    const GatewayRead read = ethernet ? uploadOverEthernet(app, *project, options.address)
                                      : uploadOverSerial(app, *project, options.port, options.baud);
    if (read.exitCode != kExitOk)
        return read.exitCode;
    const auto differences =
        ethernet ? compareConfigurations(*project, *read.configuration, Carried::Ethernet)
                 : compareConfigurations(*project, *read.configuration, Carried::Serial, read.firmware);
    const int code = reportDifferences(app, differences, options.json, "file", "gateway", text(StrId::VerifyEqual));
    // An upload that could not read its last values has not shown that the gateway holds the file.
    return read.message.empty() ? code : kExitProblem;
}

} // namespace

void addVerifyCommands(CliApp &app)
{
    auto options = std::make_shared<VerifyOptions>();
    CLI::App &verify = app.addCommand("verify", text(StrId::CliHelpVerify));
    verify.add_option(text(StrId::CliHelpFile), options->file, text(StrId::CliHelpVerifyFile))
        ->required()
        ->type_name("");
    CLI::Option *port = verify.add_option("--port", options->port, text(StrId::CliHelpVerifyPort))->type_name("DEV");
    CLI::Option *address =
        verify.add_option("--address", options->address, text(StrId::CliHelpVerifyAddress))->type_name("IP");
    port->excludes(address);
    verify.add_option("--baud", options->baud, text(StrId::CliHelpBaudOption))->type_name("B");
    verify.add_flag("--json", options->json, text(StrId::CliHelpDiffJson))->disable_flag_override();
    app.setJob(verify, [&app, options] { return runVerify(app, *options); });
}

} // namespace tqv
