#include "CompareCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct DiffOptions {
    std::string first;
    std::string second;
    std::string carried; // empty: everything
    bool json = false;
    std::string take;   // "all" or paths separated by commas; empty: only compare
    std::string output; // where the first configuration goes with what it took
};

// The differences `take` names, in the order of the comparison; nothing when a path names none
// (it is printed).
std::optional<std::vector<Difference>> chosenDifferences(CliApp &app, const std::vector<Difference> &differences,
                                                         const std::string &take)
{
    if (take == "all")
        return differences;
    std::vector<std::string> paths;
    for (std::size_t from = 0; from <= take.size();) {
        const std::size_t comma = std::min(take.find(',', from), take.size());
        std::string path = take.substr(from, comma - from);
        path.erase(0, path.find_first_not_of(' '));
        path.erase(path.find_last_not_of(' ') + 1);
        paths.push_back(path);
        from = comma + 1;
    }
    for (const std::string &path : paths) {
        if (std::none_of(differences.begin(), differences.end(), [&](const Difference &d) { return d.path == path; })) {
            app.err() << formatText(StrId::CliDiffTakeNoSuchPath, {path}) << '\n';
            return std::nullopt;
        }
    }
    std::vector<Difference> chosen;
    for (const Difference &d : differences)
        if (std::find(paths.begin(), paths.end(), d.path) != paths.end())
            chosen.push_back(d);
    return chosen;
}

// Takes the chosen differences from `second` into `first` the way the window's comparison takes
// them, and writes the result.
int takeAndWrite(CliApp &app, const DiffOptions &options, ConfigStore &first, const ConfigStore &second,
                 const std::vector<Difference> &differences)
{
    const auto chosen = chosenDifferences(app, differences, options.take);
    if (!chosen)
        return kExitUsage;
    for (const Difference &d : *chosen)
        takeDifference(first, second, d);
    if (const Status written = writeConfiguration(options.output, fileKindOf(options.output), first); !written) {
        return writeFailed(app, written);
    }
    app.err() << formatText(StrId::CliDiffTook, {std::to_string(chosen->size())}) << '\n'
              << formatText(StrId::CliWritten, {options.output}) << '\n';
    return kExitOk;
}

const char *kindWord(DifferenceKind kind)
{
    switch (kind) {
    case DifferenceKind::Added:
        return "added";
    case DifferenceKind::Removed:
        return "removed";
    case DifferenceKind::Changed:
        break;
    }
    return "changed";
}

int runDiff(CliApp &app, const DiffOptions &options)
{
    Carried carried = Carried::Everything;
    if (!options.carried.empty()) {
        const auto chosen = carriedFromWord(options.carried);
        if (!chosen) {
            app.err() << text(StrId::CliDiffBadCarried) << '\n';
            return kExitUsage;
        }
        carried = *chosen;
    }
    if (options.take.empty() != options.output.empty()) {
        app.err() << text(StrId::CliDiffTakeNeedsOutput) << '\n';
        return kExitUsage;
    }
    if (!options.output.empty() && fileKindOf(options.output) == FileKind::Other)
        return refuseExtension(app, options.output);
    auto first = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.first, *first); code != kExitOk)
        return code;
    auto second = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.second, *second); code != kExitOk)
        return code;
    const std::vector<Difference> differences = compareConfigurations(*first, *second, carried);
    if (!options.take.empty())
        return takeAndWrite(app, options, *first, *second, differences);
    return reportDifferences(app, differences, options.json, "first", "second", text(StrId::DiffEqual));
}

} // namespace

std::optional<Carried> carriedFromWord(const std::string &word)
{
    if (word == "serial")
        return Carried::Serial;
    if (word == "ethernet")
        return Carried::Ethernet;
    return std::nullopt;
}

int reportDifferences(CliApp &app, const std::vector<Difference> &differences, bool json, const char *firstName,
                      const char *secondName, const std::string &equalText)
{
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Difference &d : differences)
            list.push_back({{"kind", kindWord(d.kind)}, {"path", d.path}, {firstName, d.projectText},
                            {secondName, d.otherText}});
        const nlohmann::ordered_json document = {{"equal", differences.empty()}, {"differences", list}};
        app.out() << document.dump() << '\n';
    } else {
        for (const Difference &d : differences)
            app.out() << d.path << '\t' << d.projectText << '\t' << d.otherText << '\n';
    }
    if (!app.out())
        return kExitProblem;
    if (differences.empty()) {
        app.err() << equalText << '\n';
        return kExitOk;
    }
    app.err() << (differences.size() == 1 ? text(StrId::DiffOne)
                                          : formatText(StrId::DiffCount, {std::to_string(differences.size())}))
              << '\n';
    return kExitProblem;
}

void addCompareCommands(CliApp &app)
{
    auto options = std::make_shared<DiffOptions>();
    CLI::App &diff = app.addCommand("diff", text(StrId::CliHelpDiff));
    diff.add_option("A", options->first, text(StrId::CliHelpDiffFirst))->required()->type_name("");
    diff.add_option("B", options->second, text(StrId::CliHelpDiffSecond))->required()->type_name("");
    diff.add_option("--carried", options->carried, text(StrId::CliHelpDiffCarried))->type_name("serial|ethernet");
    diff.add_flag("--json", options->json, text(StrId::CliHelpDiffJson))->disable_flag_override();
    diff.add_option("--take", options->take, text(StrId::CliDiffTakeHelp))->type_name("all|PATH[,PATH...]");
    diff.add_option("-o", options->output, text(StrId::CliDiffTakeOutputHelp))->type_name(text(StrId::CliHelpFile));
    app.setJob(diff, [&app, options] { return runDiff(app, *options); });
}

} // namespace tqv
