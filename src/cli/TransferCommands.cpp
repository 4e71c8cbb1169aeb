#include "TransferCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "GatewayUpload.h"
#include "QtRuntime.h"
#include "TerminalObserver.h"
#include "io/QtSerialLink.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>

namespace tqv {

namespace {

struct LinkOptions {
    std::string port;
    std::string baud; // empty: the gateway type's default
};

struct UploadOptions : LinkOptions {
    std::string project;
    std::string output;
};

struct DownloadOptions : LinkOptions {
    std::string file;
};

int runUpload(CliApp &app, const UploadOptions &options)
{
    const FileKind outputKind = fileKindOf(options.output);
    if (outputKind == FileKind::Other)
        return refuseExtension(app, options.output);
    auto current = std::make_unique<ConfigStore>();
    current->newConfiguration();
    if (!options.project.empty())
        if (const int code = readForCommand(app, options.project, *current); code != kExitOk)
            return code;

    const GatewayAccess access{options.port, options.baud, {}, StrId::CliVerifyNeedsPort, StrId::SerialUploadRefused};
    GatewayReadBack back = readGateway(app, *current, access);
    if (back.exitCode != kExitOk)
        return back.exitCode;
    // Written even when only the character intervals could not be read: the rest is the gateway's.
    if (const Status written = writeConfiguration(options.output, outputKind, back.read.configuration); !written) {
        return writeFailed(app, written);
    }
    app.err() << formatText(StrId::CliWritten, {options.output}) << '\n';
    return back.read.complete() ? kExitOk : kExitProblem;
}

int runDownload(CliApp &app, const DownloadOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *store); code != kExitOk)
        return code;
    const GatewayAccess access{options.port, options.baud, {}, StrId::CliVerifyNeedsPort, StrId::SerialDownloadRefused};
    int code = kExitOk;
    const auto gateway = openGateway(app, *store, access, app.prompter(), code);
    if (!gateway)
        return code;
    if (!gateway->session->downloadMayOpen(*store, true, app.prompter()))
        return kExitProblem;
    // A fresh run has had no mapping pass, so there is no incomplete-information mark to ask about.
    const GatewayWrite written = gateway->session->write(*store, false);
    reportFailure(app, written.failure);
    return written.complete() ? kExitOk : kExitProblem;
}

void addLinkOptions(CLI::App &command, LinkOptions &options)
{
    command.add_option("--port", options.port, text(StrId::CliHelpPortOption))->required()->type_name("DEV");
    command.add_option("--baud", options.baud, text(StrId::CliHelpBaudOption))->type_name("B");
}

} // namespace

void addTransferCommands(CliApp &app)
{
    auto uploadOptions = std::make_shared<UploadOptions>();
    CLI::App &uploadCommand = app.addCommand("upload", text(StrId::CliHelpUpload));
    addLinkOptions(uploadCommand, *uploadOptions);
    uploadCommand.add_option("--project", uploadOptions->project, text(StrId::CliHelpUploadProject))
        ->type_name(text(StrId::CliHelpFile));
    uploadCommand.add_option("-o", uploadOptions->output, text(StrId::CliHelpUploadOutput))
        ->required()
        ->type_name(text(StrId::CliHelpOut));
    app.setJob(uploadCommand, [&app, uploadOptions] { return runUpload(app, *uploadOptions); });

    auto downloadOptions = std::make_shared<DownloadOptions>();
    CLI::App &downloadCommand = app.addCommand("download", text(StrId::CliHelpDownload));
    downloadCommand.add_option(text(StrId::CliHelpFile), downloadOptions->file, text(StrId::CliHelpDownloadFile))
        ->required()
        ->type_name("");
    addLinkOptions(downloadCommand, *downloadOptions);
    app.setJob(downloadCommand, [&app, downloadOptions] { return runDownload(app, *downloadOptions); });
}

} // namespace tqv
