#include "MappingCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "mapping/ConflictMap.h"
#include "mapping/MappingPass.h"
#include "mapping/MappingTest.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

namespace tqv {

namespace {

struct MapOptions {
    std::string file;
    std::string output;
};

int runMap(CliApp &app, const MapOptions &options)
{
    const std::string target = options.output.empty() ? options.file : options.output;
    if (fileKindOf(target) == FileKind::Other)
        return refuseExtension(app, target);
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *store); code != kExitOk)
        return code;
    const MappingOutcome outcome = MappingPass::run(*store, app.prompter());
    if (const Status written = writeConfiguration(target, fileKindOf(target), *store); !written) {
        return writeFailed(app, written);
    }
    app.err() << formatText(StrId::CliWritten, {target}) << '\n';
    return outcome.incomplete ? kExitProblem : kExitOk;
}

std::string itemName(const MappedItem &item)
{
    if (item.position == 0)
        return text(StrId::CliStatusBytes);
    return formatText(StrId::CliSubnetCommand, {std::to_string(item.subnet + 1), std::to_string(item.position)});
}

int runCheck(CliApp &app, const std::string &file)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, file, *store); code != kExitOk)
        return code;
    const DownloadCheckResult result = checkBeforeDownload(*store);
    if (result.passed) {
        app.err() << text(StrId::CliCheckPassed) << '\n';
        return kExitOk;
    }
    if (!result.complete) {
        for (const std::string &message : result.messages)
            app.err() << message << '\n';
        return kExitProblem;
    }
    // The download would ask whether to go on; here the conflict is named instead.
    const MappingTestResult &m = result.mapping;
    if (m.conflict == MappingConflict::NoAddress)
        app.err() << formatText(StrId::CliMappingNoAddress, {itemName(m.first)}) << '\n';
    else
        app.err() << formatText(StrId::CliMappingOverlap, {itemName(m.second), itemName(m.first)}) << '\n';
    return kExitProblem;
}

struct ConflictOptions {
    std::string file;
    std::string exclude;
    bool json = false;
};

// "3,7" -> {3, 7}; each number must name an entry of the command list.
std::optional<std::vector<int>> parseEntries(const std::string &word, int count)
{
    std::vector<int> entries;
    if (word.empty())
        return entries;
    for (std::size_t start = 0;;) {
        const std::size_t comma = word.find(',', start);
        const std::string item = word.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty() || item.size() > 6 || item.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int entry = std::stoi(item);
        if (entry >= count)
            return std::nullopt;
        entries.push_back(entry);
        if (comma == std::string::npos)
            return entries;
        start = comma + 1;
    }
}

// Ascending addresses as hexadecimal ranges: "0000-0003 0008".
std::string ranges(const std::vector<int> &addresses)
{
    std::string out;
    char buffer[16];
    for (std::size_t i = 0; i < addresses.size();) {
        std::size_t j = i;
        while (j + 1 < addresses.size() && addresses[j + 1] == addresses[j] + 1)
            ++j;
        if (j == i)
            std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(addresses[i]));
        else
            std::snprintf(buffer, sizeof buffer, "%04X-%04X", static_cast<unsigned>(addresses[i]),
                          static_cast<unsigned>(addresses[j]));
        out += (out.empty() ? "" : " ") + std::string(buffer);
        i = j + 1;
    }
    return out.empty() ? "-" : out;
}

int runConflicts(CliApp &app, const ConflictOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *store); code != kExitOk)
        return code;
    const int count = ConflictMap(*store).entryCount();
    const std::optional<std::vector<int>> excluded = parseEntries(options.exclude, count);
    if (!excluded) {
        app.err() << formatText(StrId::CliBadEntries, {options.exclude, std::to_string(count - 1)}) << '\n';
        return kExitUsage;
    }
    const ConflictSummary s = summarizeConflicts(*store, *excluded);
    if (options.json) {
        const nlohmann::ordered_json document = {
            {"input", {{"red", s.inputRed}, {"yellow", s.inputYellow}, {"green", s.inputGreen}}},
            {"output", {{"red", s.outputRed}, {"blue", s.outputBlue}}},
        };
        app.out() << document.dump() << '\n';
    } else {
        const std::pair<StrId, const std::vector<int> *> lines[] = {
            {StrId::CliInputRed, &s.inputRed},   {StrId::CliInputYellow, &s.inputYellow},
            {StrId::CliInputGreen, &s.inputGreen}, {StrId::CliOutputRed, &s.outputRed},
            {StrId::CliOutputBlue, &s.outputBlue},
        };
        for (const auto &[label, addresses] : lines)
            app.out() << text(label) << ' ' << ranges(*addresses) << '\n';
    }
    if (!app.out())
        return kExitProblem;
    return s.inputRed.empty() && s.outputRed.empty() ? kExitOk : kExitProblem;
}

} // namespace

void addMappingCommands(CliApp &app)
{
    auto mapOptions = std::make_shared<MapOptions>();
    CLI::App &map = app.addCommand("map", text(StrId::CliHelpMap));
    map.add_option(text(StrId::CliHelpFile), mapOptions->file, text(StrId::CliHelpProjectFile))->required()->type_name("");
    map.add_option("-o", mapOptions->output, text(StrId::CliHelpSetOutput))->type_name(text(StrId::CliHelpFile));
    app.setJob(map, [&app, mapOptions] { return runMap(app, *mapOptions); });

    auto checkFile = std::make_shared<std::string>();
    CLI::App &check = app.addCommand("check", text(StrId::CliHelpCheck));
    check.add_option(text(StrId::CliHelpFile), *checkFile, text(StrId::CliHelpProjectFile))->required()->type_name("");
    app.setJob(check, [&app, checkFile] { return runCheck(app, *checkFile); });

    auto conflictOptions = std::make_shared<ConflictOptions>();
    CLI::App &conflicts = app.addCommand("conflicts", text(StrId::CliHelpConflicts));
    conflicts.add_option(text(StrId::CliHelpFile), conflictOptions->file, text(StrId::CliHelpProjectFile))
        ->required()
        ->type_name("");
    conflicts.add_option("--exclude", conflictOptions->exclude, text(StrId::CliHelpExclude))->type_name("I,J");
    conflicts.add_flag("--json", conflictOptions->json, text(StrId::CliHelpConflictsJson))->disable_flag_override();
    app.setJob(conflicts, [&app, conflictOptions] { return runConflicts(app, *conflictOptions); });
}

} // namespace tqv
