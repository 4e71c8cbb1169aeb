#include "ProjectCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "ProjectListing.h"
#include "model/ConfigStore.h"
#include "model/JsonForm.h"
#include "model/ModelProfile.h"
#include "model/ProjectDocument.h"
#include "model/ProjectLanguage.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <ostream>

namespace tqv {

namespace {

// "0".."6", leading zeros allowed; signs, blanks and fractions are not.
std::optional<std::uint32_t> parseType(const std::string &word)
{
    if (word.empty() || !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const auto first = word.find_first_not_of('0');
    if (first == std::string::npos)
        return 0u;
    if (word.size() - first > 1 || word[first] > '6')
        return std::nullopt;
    return static_cast<std::uint32_t>(word[first] - '0');
}

// "1,4,7" -> flags 1, 4 and 7; "" -> none.
std::optional<std::array<bool, 7>> parseFlags(const std::string &word)
{
    std::array<bool, 7> flags{};
    if (word.empty())
        return flags;
    for (std::size_t start = 0;;) {
        const std::size_t comma = word.find(',', start);
        const std::string item = word.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.size() != 1 || item[0] < '1' || item[0] > '7')
            return std::nullopt;
        flags[static_cast<std::size_t>(item[0] - '1')] = true;
        if (comma == std::string::npos)
            return flags;
        start = comma + 1;
    }
}

int write(CliApp &app, const std::string &path, FileKind kind, ConfigStore &store,
          std::optional<Language> language = std::nullopt)
{
    if (const Status written = writeConfiguration(path, kind, store, language); !written)
        return writeFailed(app, written);
    app.err() << formatText(StrId::CliWritten, {path}) << '\n';
    return kExitOk;
}

struct NewOptions {
    std::string output;
    std::string type;
    std::string flags;
    CLI::Option *typeOption = nullptr;
    CLI::Option *flagsOption = nullptr;
};

int runNew(CliApp &app, const NewOptions &options)
{
    const bool typeGiven = options.typeOption->count() > 0;
    const bool flagsGiven = options.flagsOption->count() > 0;
    const std::optional<std::uint32_t> type = parseType(options.type);
    if (typeGiven && !type) {
        app.err() << formatText(StrId::CliBadType, {options.type}) << '\n';
        return kExitUsage;
    }
    const std::optional<std::array<bool, 7>> flags = parseFlags(options.flags);
    if (flagsGiven && !flags) {
        app.err() << formatText(StrId::CliBadFlags, {options.flags}) << '\n';
        return kExitUsage;
    }

    auto store = std::make_unique<ConfigStore>();
    ProjectDocument::newDocument(*store);
    if (typeGiven || flagsGiven) {
        // What is not given stays as the new document has it; the defaults follow both.
        std::array<bool, 7> keptFlags{};
        for (int n = 1; n <= 7; ++n)
            keptFlags[static_cast<std::size_t>(n - 1)] = store->modelFlag(n);
        store->setTypeAndFlags(typeGiven ? *type : store->gatewayType, flagsGiven ? *flags : keptFlags);
    }
    // Anything not named .json is written as a project, whatever its name.
    const FileKind kind = fileKindOf(options.output) == FileKind::Json ? FileKind::Json : FileKind::Project;
    return write(app, options.output, kind, *store);
}

struct ShowOptions {
    std::string file;
    bool json = false;
};

int runShow(CliApp &app, const ShowOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForCommand(app, options.file, *store); code != kExitOk)
        return code;
    if (options.json)
        app.out() << storeToJson(*store);
    else
        printProject(*store, app.out());
    return app.out() ? kExitOk : kExitProblem;
}

struct ConvertOptions {
    std::string input;
    std::string output;
};

// Both names' extensions checked, then the input read and checked completely before the output
// is touched.
int readForRewrite(CliApp &app, const std::string &input, const std::string &output, ConfigStore &store)
{
    for (const std::string *path : {&input, &output})
        if (fileKindOf(*path) == FileKind::Other)
            return refuseExtension(app, *path);
    return readForCommand(app, input, store);
}

int runConvert(CliApp &app, const ConvertOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForRewrite(app, options.input, options.output, *store); code != kExitOk)
        return code;
    return write(app, options.output, fileKindOf(options.output), *store);
}

struct TranslateOptions {
    std::string input;
    std::string to;
    std::string output;
};

int runTranslate(CliApp &app, const TranslateOptions &options)
{
    if (options.to != "en" && options.to != "zh") {
        app.err() << text(StrId::CliTranslateBadLanguage) << '\n';
        return kExitUsage;
    }
    const Language target = options.to == "en" ? Language::English : Language::Chinese;
    // Read in its own language (unless --lang says otherwise), then turned into the target's.
    auto store = std::make_unique<ConfigStore>();
    if (const int code = readForRewrite(app, options.input, options.output, *store); code != kExitOk)
        return code;
    convertValuesLanguage(*store, currentLanguage(), target);
    return write(app, options.output, fileKindOf(options.output), *store, target);
}

// The --type and --flags help: every type and variant, with what it has, from the model profile.
std::string typeHelp()
{
    std::string help = text(StrId::CliHelpNewType) + "\n" + text(StrId::CliHelpNewTypes);
    const ModelFlags &standard = modelVariants().front().flags;
    for (std::uint32_t type = 0; type < kGatewayTypeCount; ++type) {
        const ModelFacts facts = modelFacts(profileOf(type, standard));
        help += "\n" + formatText(StrId::CliNewTypeLine, {std::to_string(type), facts.fieldbus, facts.subnets,
                                                           facts.firstSubnet, facts.dataFormat});
    }
    return help;
}

std::string flagsHelp()
{
    std::string help = text(StrId::CliHelpNewFlags) + "\n" + text(StrId::CliHelpNewVariants);
    for (const ModelVariant &variant : modelVariants()) {
        std::string word;
        for (std::size_t n = 0; n < variant.flags.size(); ++n)
            if (variant.flags[n])
                word += (word.empty() ? "" : ",") + std::to_string(n + 1);
        help += "\n" + formatText(StrId::CliNewVariantLine, {word.empty() ? "\"\"" : word, text(variant.name)});
    }
    return help;
}

} // namespace

void addProjectCommands(CliApp &app)
{
    // Values are checked by the jobs, not by CLI11, so that the messages are ours.
    auto newOptions = std::make_shared<NewOptions>();
    CLI::App &newCommand = app.addCommand("new", text(StrId::CliHelpNew));
    newCommand.add_option("-o", newOptions->output, text(StrId::CliHelpNewOutput))
        ->required()
        ->type_name(text(StrId::CliHelpFile));
    newOptions->typeOption =
        newCommand.add_option("--type", newOptions->type, typeHelp())->type_name("N");
    newOptions->flagsOption =
        newCommand.add_option("--flags", newOptions->flags, flagsHelp())->type_name("1,4,7");
    app.setJob(newCommand, [&app, newOptions] { return runNew(app, *newOptions); });

    auto showOptions = std::make_shared<ShowOptions>();
    CLI::App &showCommand = app.addCommand("show", text(StrId::CliHelpShow));
    showCommand.add_option(text(StrId::CliHelpFile), showOptions->file, text(StrId::CliHelpShowFile))
        ->required()
        ->type_name("");
    showCommand.add_flag("--json", showOptions->json, text(StrId::CliHelpShowJson))->disable_flag_override();
    app.setJob(showCommand, [&app, showOptions] { return runShow(app, *showOptions); });

    auto convertOptions = std::make_shared<ConvertOptions>();
    CLI::App &convertCommand = app.addCommand("convert", text(StrId::CliHelpConvert));
    convertCommand.add_option(text(StrId::CliHelpIn), convertOptions->input, text(StrId::CliHelpConvertIn))
        ->required()
        ->type_name("");
    convertCommand.add_option(text(StrId::CliHelpOut), convertOptions->output, text(StrId::CliHelpConvertOut))
        ->required()
        ->type_name("");
    app.setJob(convertCommand, [&app, convertOptions] { return runConvert(app, *convertOptions); });

    auto translateOptions = std::make_shared<TranslateOptions>();
    CLI::App &translateCommand = app.addCommand("translate", text(StrId::CliHelpTranslate));
    translateCommand.add_option(text(StrId::CliHelpFile), translateOptions->input, text(StrId::CliHelpTranslateFile))
        ->required()
        ->type_name("");
    translateCommand.add_option("--to", translateOptions->to, text(StrId::CliHelpTranslateTo))
        ->required()
        ->type_name("en|zh");
    translateCommand.add_option("-o", translateOptions->output, text(StrId::CliHelpTranslateOutput))
        ->required()
        ->type_name(text(StrId::CliHelpFile));
    app.setJob(translateCommand, [&app, translateOptions] { return runTranslate(app, *translateOptions); });
}

} // namespace tqv
