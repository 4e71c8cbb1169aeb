#include "CompareCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>

namespace tqv {

namespace {

struct DiffOptions {
    std::string first;
    std::string second;
    std::string carried; // empty: everything
    bool json = false;
};

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
    auto first = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.first, *first); code != kExitOk)
        return code;
    auto second = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.second, *second); code != kExitOk)
        return code;
    return reportDifferences(app, compareConfigurations(*first, *second, carried), options.json, "first", "second",
                             text(StrId::DiffEqual));
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
    app.setJob(diff, [&app, options] { return runDiff(app, *options); });
}

} // namespace tqv
