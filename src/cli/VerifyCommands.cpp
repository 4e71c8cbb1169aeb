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
    // The file's configuration decides the route, as it decides the transfer in the window.
    int code = kExitOk;
    const auto gateway =
        openGateway(app, *project, GatewayAccess{options.port, options.baud, options.address}, app.prompter(), code);
    if (!gateway)
        return code;
    const Verification verification = gateway->session->verify(*project);
    if (verification.verdict == Verification::Verdict::NotVerified) {
        app.err() << verification.summary() << '\n';
        return kExitProblem;
    }
    return reportDifferences(app, verification.differences, options.json, "file", "gateway", text(StrId::VerifyEqual));
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
