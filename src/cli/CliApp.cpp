#include "CliApp.h"

#include "HelpFormatter.h"
#include "CompareCommands.h"
#include "GridCommands.h"
#include "ExportCommands.h"
#include "ImportCommands.h"
#include "MappingCommands.h"
#include "ProjectCommands.h"
#include "TerminalPrompter.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <stdexcept>

#ifndef TQV580_VERSION
#error "TQV580_VERSION must come from the build (the project's VERSION)"
#endif

namespace tqv {

namespace {

struct LanguageScan {
    std::string choice;  // the last valid --lang value, or empty
    std::string badWord; // the first invalid one as written ("--lang fr", "--lang=", "--lang")
};

// Help texts are fixed when the subcommands are built, before CLI11 parses anything, so --lang is
// picked out of the arguments by hand first. Words after "--" are operands.
LanguageScan scanLanguage(const std::vector<std::string> &args)
{
    LanguageScan scan;
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        std::string value;
        std::string word;
        if (args[i] == "--lang") {
            if (i + 1 < args.size())
                value = args[++i];
            word = value.empty() ? "--lang" : "--lang " + value;
        } else if (args[i].rfind("--lang=", 0) == 0) {
            value = args[i].substr(7);
            word = args[i];
        } else {
            continue;
        }
        if (value == "en" || value == "zh")
            scan.choice = value;
        else if (scan.badWord.empty())
            scan.badWord = word;
    }
    return scan;
}

} // namespace

CliApp::CliApp(std::vector<std::string> args, std::ostream &out, std::ostream &err)
    : m_args(std::move(args)), m_out(out), m_err(err), m_root(std::make_unique<CLI::App>())
{
    const LanguageScan scan = scanLanguage(m_args);
    m_badLanguage = scan.badWord;
    m_fileLanguage.forced = !scan.choice.empty();
    const char *environment = std::getenv("TQV580_LANG");
    setLanguage(chooseLanguage(scan.choice, environment ? environment : "", systemLocaleNameFromEnvironment()));
    addGlobalOptions();
}

CliApp::~CliApp() = default;

void CliApp::addGlobalOptions()
{
    CLI::App &root = *m_root;
    root.name("tqv580-cli");
    root.description(text(StrId::CliHelpTool));
    root.footer(text(StrId::CliHelpFooter));
    root.formatter(std::make_shared<HelpFormatter>());
    // Subcommands copy these when they are added: the headings, the footer, and that global
    // options after the subcommand's own still count (fallthrough).
    root.group(text(StrId::CliHelpSubcommands));
    root.option_defaults()->group(text(StrId::CliHelpOptions))->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    root.fallthrough();
    // Unrecognised words are collected instead of thrown, so run() can name them in our words.
    root.allow_extras();
    root.require_subcommand(1);

    root.set_help_flag("-h,--help", text(StrId::CliHelpHelp));
    root.set_version_flag("--version", std::string("tqv580-cli ") + TQV580_VERSION, text(StrId::CliHelpVersion));
    // Its value was taken by scanLanguage(); CLI11 has it so that it is accepted and listed.
    root.add_option("--lang")->description(text(StrId::CliHelpLang))->type_name("en|zh");
    root.add_flag("--yes", m_answerYes, text(StrId::CliHelpYes))->disable_flag_override();
}

CLI::App &CliApp::addCommand(const std::string &name, const std::string &description)
{
    CLI::App *command = m_root->add_subcommand(name, description);
    // CLI11 gives a subcommand its help flag before it copies the option defaults, which would
    // leave that one flag under CLI11's English heading.
    command->set_help_flag("-h,--help", text(StrId::CliHelpHelp));
    return *command;
}

void CliApp::setJob(const CLI::App &command, std::function<int()> job)
{
    m_jobs[&command] = std::move(job);
}

Prompter &CliApp::prompter()
{
    if (!m_prompter)
        throw std::logic_error("CliApp::prompter() before --yes was parsed");
    return *m_prompter;
}

std::optional<std::string> CliApp::firstUnknownOption() const
{
    const std::vector<std::string> left = m_root->remaining(true);
    for (const std::string &word : m_args) {
        if (word == "--")
            break;
        if (word.size() > 1 && word[0] == '-' && std::find(left.begin(), left.end(), word) != left.end())
            return word;
    }
    return std::nullopt;
}

std::optional<std::string> CliApp::unknownCommand() const
{
    if (!m_root->get_subcommands().empty())
        return std::nullopt;
    // Words CLI11 left over that are not options; the first stands where the subcommand belongs.
    for (const std::string &word : m_root->remaining(true))
        if (word != "--" && (word.empty() || word[0] != '-'))
            return word;
    return std::nullopt;
}

int CliApp::usage()
{
    m_err << text(StrId::CliUsage);
    return kExitUsage;
}

int CliApp::refuse(const std::string &option)
{
    m_err << formatText(StrId::CliUnknownOption, {option}) << '\n';
    return usage();
}

int CliApp::refuseCommand(const std::string &command)
{
    m_err << formatText(StrId::CliUnknownCommand, {command}) << '\n';
    return usage();
}

int CliApp::run()
{
    if (!m_badLanguage.empty())
        return refuse(m_badLanguage);

    // CLI11 consumes a reversed copy from the back; what is left tells where it stopped.
    std::vector<std::string> pending(m_args.rbegin(), m_args.rend());
    try {
        m_root->parse(pending);
    } catch (const CLI::CallForHelp &) {
        m_out << m_root->help(); // the chosen subcommand's help, if one was named
        return kExitOk;
    } catch (const CLI::CallForVersion &version) {
        m_out << version.what() << '\n';
        return kExitOk;
    } catch (const CLI::ArgumentMismatch &) {
        // An option without its value, or a flag given one: the word CLI11 took last. An unknown
        // option before it is named first, as it comes first on the line.
        if (auto unknown = firstUnknownOption())
            return refuse(*unknown);
        const std::size_t consumed = m_args.size() - pending.size();
        return consumed > 0 ? refuse(m_args[consumed - 1]) : usage();
    } catch (const CLI::RequiredError &) {
        // A required option left out: named in our words, then the usage.
        if (auto unknown = firstUnknownOption())
            return refuse(*unknown);
        if (auto command = unknownCommand())
            return refuseCommand(*command);
        for (const CLI::App *command : m_root->get_subcommands())
            for (const CLI::Option *option : command->get_options())
                if (option->get_required() && option->count() == 0) {
                    m_err << formatText(StrId::CliMissingOption, {option->get_name()}) << '\n';
                    break;
                }
        return usage();
    } catch (const CLI::ParseError &) {
        // Missing subcommand or operand, and anything else: CLI11's own texts are English only.
        if (auto unknown = firstUnknownOption())
            return refuse(*unknown);
        if (auto command = unknownCommand())
            return refuseCommand(*command);
        return usage();
    }
    if (auto unknown = firstUnknownOption())
        return refuse(*unknown);
    if (auto command = unknownCommand())
        return refuseCommand(*command);
    // Surplus operands; CLI11 also keeps a "--" there when operands were still expected after it.
    const std::vector<std::string> left = m_root->remaining(true);
    if (std::any_of(left.begin(), left.end(), [](const std::string &word) { return word != "--"; }))
        return usage();

    const std::vector<CLI::App *> chosen = m_root->get_subcommands();
    const auto job = chosen.empty() ? m_jobs.end() : m_jobs.find(chosen.front());
    if (job == m_jobs.end())
        return usage();
    m_prompter = std::make_unique<TerminalPrompter>(m_err, m_answerYes);
    return job->second();
}

void addCoreCommands(CliApp &app)
{
    addProjectCommands(app);
    addGridCommands(app);
    addMappingCommands(app);
    addExportCommands(app);
    addImportCommands(app);
    addCompareCommands(app);
}

int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    CliApp app(args, out, err);
    addCoreCommands(app);
    return app.run();
}

} // namespace tqv
