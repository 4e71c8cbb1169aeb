#include "ExportCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "export/Workbook.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct ExportOptions {
    std::string file;
    std::string output;
};

int runExport(CliApp &app, const ExportOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *store); code != kExitOk)
        return code;
    const std::string target = workbookFileName(options.output);
    if (const Status written = exportWorkbook(*store, target); !written) {
        return writeFailed(app, written);
    }
    app.err() << formatText(StrId::CliWritten, {target}) << '\n';
    return kExitOk;
}

} // namespace

void addExportCommands(CliApp &app)
{
    auto options = std::make_shared<ExportOptions>();
    CLI::App &command = app.addCommand("export", text(StrId::CliHelpExport));
    command.add_option(text(StrId::CliHelpFile), options->file, text(StrId::CliHelpProjectFile))->required()->type_name("");
    command.add_option("OUT", options->output, text(StrId::CliHelpExportOutput))->required()->type_name("");
    app.setJob(command, [&app, options] { return runExport(app, *options); });
}

} // namespace tqv
