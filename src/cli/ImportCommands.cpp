#include "ImportCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "export/WorkbookImport.h"
#include "export/WorkbookReader.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct ImportCommandOptions {
    std::string book;
    std::string project; // empty: a new configuration of the workbook's type
    std::string output;
    bool partial = false;
    bool json = false;
};

void printRefusals(CliApp &app, const ImportOutcome &outcome, bool json, const std::string &written)
{
    if (json) {
        nlohmann::ordered_json refused = nlohmann::ordered_json::array();
        for (const RefusedCell &cell : outcome.refused)
            refused.push_back({{"sheet", cell.sheet}, {"row", cell.row}, {"column", cell.column},
                               {"value", cell.value}, {"reason", cell.reason}});
        nlohmann::ordered_json file = nullptr;
        if (!written.empty())
            file = written;
        const nlohmann::ordered_json document = {{"applied", outcome.applied()}, {"rowsApplied", outcome.rowsApplied},
                                                 {"refused", refused}, {"written", file}};
        app.out() << document.dump() << '\n';
    } else {
        for (const RefusedCell &cell : outcome.refused)
            app.err() << describeRefusal(cell) << '\n';
    }
}

int runImport(CliApp &app, const ImportCommandOptions &options)
{
    // Everything that can be refused without work is refused before the book is read.
    const FileKind outputKind = fileKindOf(options.output);
    if (outputKind == FileKind::Other)
        return refuseExtension(app, options.output);
    std::unique_ptr<ConfigStore> base;
    if (!options.project.empty()) {
        base = std::make_unique<ConfigStore>();
        if (const int code = readForCommand(app, options.project, *base); code != kExitOk)
            return code;
    }
    const Result<ReadBook> book = readImportFile(options.book);
    if (!book) {
        app.err() << book.message() << '\n';
        return kExitUsage;
    }
    ImportOptions importOptions;
    importOptions.partial = options.partial;
    Result<ImportOutcome> imported = importBook(book.value(), base.get(), importOptions);
    if (!imported) {
        app.err() << imported.message() << '\n';
        return kExitUsage;
    }
    ImportOutcome &outcome = imported.value();
    const bool refused = !outcome.refused.empty();
    // Refused cells keep the output untouched unless the accepted rows were asked for.
    std::string written;
    if (!refused || options.partial) {
        if (const Status status = writeConfiguration(options.output, outputKind, *outcome.store); !status) {
            printRefusals(app, outcome, options.json, written);
            return writeFailed(app, status);
        }
        written = options.output;
    }
    printRefusals(app, outcome, options.json, written);
    const std::string count = std::to_string(outcome.refused.size());
    if (refused)
        app.err() << formatText(options.partial ? StrId::CliImportPartial : StrId::CliImportRefused, {count}) << '\n';
    else
        app.err() << formatText(StrId::CliImportApplied, {std::to_string(outcome.rowsApplied)}) << '\n';
    if (!written.empty())
        app.err() << formatText(StrId::CliWritten, {written}) << '\n';
    if (!app.out())
        return kExitProblem;
    return refused ? kExitProblem : kExitOk;
}

} // namespace

void addImportCommands(CliApp &app)
{
    auto options = std::make_shared<ImportCommandOptions>();
    CLI::App &command = app.addCommand("import", text(StrId::CliHelpImport));
    command.add_option("BOOK", options->book, text(StrId::CliHelpImportFile))->required()->type_name("");
    command.add_option("--project", options->project, text(StrId::CliHelpImportProject))->type_name("BASE");
    command.add_flag("--partial", options->partial, text(StrId::CliHelpImportPartial))->disable_flag_override();
    command.add_flag("--json", options->json, text(StrId::CliHelpImportJson))->disable_flag_override();
    command.add_option("-o", options->output, text(StrId::CliHelpImportOutput))->required()->type_name("OUT");
    app.setJob(command, [&app, options] { return runImport(app, *options); });
}

} // namespace tqv
