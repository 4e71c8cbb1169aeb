#include "ApplyCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "FleetCommands.h"
#include "GatewayUpload.h"
#include "gateway/GatewayApply.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct ApplyCommandOptions {
    std::string file;
    std::string port;
    std::string address;
    std::string baud;
    bool check = false;
    bool json = false;
};

void printResult(CliApp &app, const ApplyResult &result, bool json)
{
    if (json) {
        nlohmann::ordered_json paths = nlohmann::ordered_json::array();
        for (const Difference &d : result.differences)
            paths.push_back(d.path);
        nlohmann::ordered_json error = nullptr;
        if (result.failed())
            error = result.errorText();
        const nlohmann::ordered_json document = {
            {"changed", result.changed}, {"differences", paths}, {"verified", result.verified}, {"error", error}};
        app.out() << document.dump() << '\n';
    } else {
        for (const Difference &d : result.differences)
            app.out() << d.path << '\t' << d.projectText << '\t' << d.otherText << '\n';
    }
    if (result.failed())
        app.err() << result.errorText() << '\n';
    else if (!result.changed)
        app.err() << text(StrId::ApplyUnchanged) << '\n';
    else if (!result.verified)
        app.err() << formatText(StrId::ApplyWouldChange, {std::to_string(result.differences.size())}) << '\n';
    else
        app.err() << text(StrId::ApplyChanged) << '\n';
}

int runApply(CliApp &app, const ApplyCommandOptions &options)
{
    auto project = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *project); code != kExitOk)
        return code;
    int code = kExitOk;
    const auto gateway = openGateway(app, *project, GatewayAccess{options.port, options.baud, options.address},
                                     app.prompter(), code);
    if (!gateway)
        return code;
    ApplyOptions applyOptions;
    applyOptions.checkOnly = options.check;
    // The gateway is not searched for first: the fleet runs many of these at once, and a search
    // binds the one local port. A gateway that forbids remote configuration refuses the write.
    applyOptions.remoteConfigAllowed = true;
    const ApplyResult result = applyConfiguration(*gateway->session, *project, applyOptions, app.prompter());
    printResult(app, result, options.json);
    if (!app.out())
        return kExitProblem;
    return result.failed() ? kExitProblem : kExitOk;
}

} // namespace

void addApplyCommands(CliApp &app)
{
    auto options = std::make_shared<ApplyCommandOptions>();
    CLI::App &apply = app.addCommand("apply", text(StrId::CliHelpApply));
    apply.add_option(text(StrId::CliHelpFile), options->file, text(StrId::CliHelpVerifyFile))->required()->type_name("");
    CLI::Option *port = apply.add_option("--port", options->port, text(StrId::CliHelpVerifyPort))->type_name("DEV");
    CLI::Option *address =
        apply.add_option("--address", options->address, text(StrId::CliHelpVerifyAddress))->type_name("IP");
    port->excludes(address);
    apply.add_option("--baud", options->baud, text(StrId::CliHelpBaudOption))->type_name("B");
    apply.add_flag("--check", options->check, text(StrId::CliHelpApplyCheck))->disable_flag_override();
    apply.add_flag("--json", options->json, text(StrId::CliHelpApplyJson))->disable_flag_override();
    app.setJob(apply, [&app, options] { return runApply(app, *options); });
    addFleetCommand(app);
}

} // namespace tqv
