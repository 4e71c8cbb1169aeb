#include "support/CliFixture.h"
#include "cli/ProjectCommands.h"
#include "resources/TextWidth.h"
#include "link/Prompter.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>

namespace tqv {
namespace {

// Help, version, the mapping of CLI11's refusals, and a group added from outside. TQV580_LANG is
// set per case and restored afterwards.
using CliAppTest = CliFixture;

// The help line of `name` ("  name   description"), or "" when there is none.
std::string helpLineOf(const std::string &help, const std::string &name, const std::string &description)
{
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("  " + name + " ", 0) == 0 && line.size() > description.size() &&
            line.compare(line.size() - description.size(), description.size(), description) == 0)
            return line;
    }
    return "";
}

TEST_F(CliAppTest, HelpListsEachCommandsOptionsInTheChosenLanguage)
{
    struct Entry {
        std::vector<StrId> name; // table texts after `literal`, joined by blanks
        std::string literal;
        StrId description;
    };
    struct Case {
        std::string command; // "" for the tool itself
        StrId description;
        std::vector<Entry> entries;
        std::vector<std::string> absent; // options of other commands
    };
    const std::vector<Case> cases = {
        {"",
         StrId::CliHelpTool,
         {{{}, "-h,--help", StrId::CliHelpHelp},
          {{}, "--version", StrId::CliHelpVersion},
          {{}, "--lang en|zh", StrId::CliHelpLang},
          {{}, "--yes", StrId::CliHelpYes},
          {{}, "new", StrId::CliHelpNew},
          {{}, "show", StrId::CliHelpShow},
          {{}, "convert", StrId::CliHelpConvert}},
         {"--json", "--type"}},
        {"new",
         StrId::CliHelpNew,
         {{{StrId::CliHelpFile, StrId::CliHelpRequired}, "-o", StrId::CliHelpNewOutput},
          {{}, "--type N", StrId::CliHelpNewType},
          {{}, "--flags 1,4,7", StrId::CliHelpNewFlags},
          {{}, "-h,--help", StrId::CliHelpHelp}},
         {"--json", "--version"}},
        {"show",
         StrId::CliHelpShow,
         {{{StrId::CliHelpFile, StrId::CliHelpRequired}, "", StrId::CliHelpShowFile},
          {{}, "--json", StrId::CliHelpShowJson},
          {{}, "-h,--help", StrId::CliHelpHelp}},
         {"--type", "-o "}},
        {"convert",
         StrId::CliHelpConvert,
         {{{StrId::CliHelpIn, StrId::CliHelpRequired}, "", StrId::CliHelpConvertIn},
          {{StrId::CliHelpOut, StrId::CliHelpRequired}, "", StrId::CliHelpConvertOut}},
         {"--json", "--type"}},
    };
    // CLI11's own headings and texts; none may be left in the Chinese help.
    const std::vector<std::string> english = {"Usage",       "OPTIONS",  "Options", "SUBCOMMAND", "Subcommands",
                                              "Positionals", "REQUIRED", "TEXT",    "Print this", "Display program"};

    for (const Language language : {Language::English, Language::Chinese}) {
        const char *lang = language == Language::English ? "en" : "zh";
        for (const Case &c : cases) {
            std::vector<std::string> args = {"--lang", lang};
            if (!c.command.empty())
                args.push_back(c.command);
            args.push_back("--help");
            SCOPED_TRACE(::testing::PrintToString(args));
            const Outcome r = run(args);
            ASSERT_EQ(r.code, 0);
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(r.out.rfind(text(c.description, language) + "\n", 0), 0u) << r.out;
            const std::string usage = text(StrId::CliHelpUsage, language) + ": tqv580-cli" +
                                      (c.command.empty() ? "" : " " + c.command) + " [" +
                                      text(StrId::CliHelpOptionsBadge, language) + "]";
            EXPECT_NE(r.out.find("\n" + usage), std::string::npos) << r.out;

            std::optional<std::size_t> column;
            for (const Entry &e : c.entries) {
                std::string name = e.literal;
                for (StrId part : e.name)
                    name += (name.empty() ? "" : " ") + text(part, language);
                const std::string description = text(e.description, language);
                const std::string line = helpLineOf(r.out, name, description);
                ASSERT_NE(line, "") << name << " missing in\n" << r.out;
                // Descriptions line up in terminal columns, wide characters counting two.
                const std::size_t at = displayWidth(line.substr(0, line.size() - description.size()));
                column = column.value_or(at);
                EXPECT_EQ(at, *column) << line;
            }
            for (const std::string &option : c.absent)
                EXPECT_EQ(r.out.find(option), std::string::npos) << option << " in\n" << r.out;
            if (language == Language::Chinese) {
                for (const std::string &word : english)
                    EXPECT_EQ(r.out.find(word), std::string::npos) << word << " in\n" << r.out;
            }
        }
    }
}

TEST_F(CliAppTest, HelpLanguageComesFromOptionAnywhereThenEnvironment)
{
    struct Case {
        std::vector<std::string> args;
        const char *environment;
        Language expected;
    };
    const std::vector<Case> cases = {
        {{"--help"}, "zh", Language::Chinese},
        {{"--lang", "en", "--help"}, "zh", Language::English},
        {{"show", "--help", "--lang=zh"}, "en", Language::Chinese},
        {{"new", "--help", "--lang", "zh", "--lang", "en"}, "zh", Language::English},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        ::setenv("TQV580_LANG", c.environment, 1);
        const Outcome r = run(c.args);
        ASSERT_EQ(r.code, 0);
        const Language other = c.expected == Language::English ? Language::Chinese : Language::English;
        EXPECT_NE(r.out.find(text(StrId::CliHelpHelp, c.expected)), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find(text(StrId::CliHelpHelp, other)), std::string::npos) << r.out;
    }
}

TEST_F(CliAppTest, VersionIsTheProjectVersion)
{
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--version"}, {"--lang", "zh", "--version"}, {"show", "--version"}, {"--version", "--help"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, "tqv580-cli " TQV580_VERSION "\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(CliAppTest, RefusalsAreInOurWordsAndNameTheFirstBadWord)
{
    struct Case {
        std::vector<std::string> args;
        std::string unknown;                         // named before the usage as an unknown word
        std::string missing = "";                    // named before the usage as a missing option
        std::optional<StrId> operand = std::nullopt; // a missing operand, named in the active language
        std::string command = "";                    // named before the usage as an unknown subcommand
    };
    const std::vector<Case> cases = {
        {{}, ""},
        {{"frob"}, "", "", std::nullopt, "frob"},
        {{"--yes", "frob", "a.tqv"}, "", "", std::nullopt, "frob"},
        {{"--yes"}, ""},
        {{"new"}, "", "-o"},
        {{"new", "-o"}, "-o"},
        {{"new", "-o", "a.tqv", "extra.tqv"}, ""},
        {{"new", "--kind", "1", "-o", "a.tqv"}, "--kind"},
        {{"show"}, "", "", StrId::CliHelpFile},
        {{"show", "a.tqv", "--bogus"}, "--bogus"},
        {{"show", "a.tqv", "--json=1"}, "--json=1"},
        {{"convert", "a.tqv"}, "", "", StrId::CliHelpOut},
        {{"--lang", "fr", "show", "a.tqv"}, "--lang fr"},
        {{"show", "a.tqv", "--lang"}, "--lang"},
        {{"--verbose", "show", "a.tqv"}, "--verbose"},
        {{"show", "--bogus"}, "--bogus"},                // an unknown option before a missing operand
        {{"new", "--kind", "1", "-o"}, "--kind"},        // ... and before an incomplete one later on
        {{"new", "-o", "a.tqv", "--yes=no"}, "--yes=no"}, // flags take no value
        {{"--lang=de", "--help"}, "--lang=de"},
        {{"new", "-o", "a.tqv", "show", "b.tqv"}, ""}, // one subcommand at a time
    };
    for (const Language language : {Language::English, Language::Chinese}) {
        ::setenv("TQV580_LANG", language == Language::English ? "en" : "zh", 1);
        for (const Case &c : cases) {
            SCOPED_TRACE(::testing::PrintToString(c.args));
            const Outcome r = run(c.args);
            EXPECT_EQ(r.code, 2);
            EXPECT_EQ(r.out, "");
            std::string named;
            if (!c.command.empty())
                named = formatText(text(StrId::CliUnknownCommand, language), {c.command}) + "\n";
            else if (!c.unknown.empty())
                named = formatText(text(StrId::CliUnknownOption, language), {c.unknown}) + "\n";
            else if (c.operand || !c.missing.empty())
                named = formatText(text(StrId::CliMissingOption, language),
                                   {c.operand ? text(*c.operand, language) : c.missing}) + "\n";
            EXPECT_EQ(r.err, named + text(StrId::CliUsage, language));
        }
    }
    EXPECT_TRUE(files().empty());
}

TEST_F(CliAppTest, WordsAfterDoubleDashAreOperands)
{
    Outcome r = run({"show", "--", "--json"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, formatText(StrId::CliUnknownExtension, {"--json"}) + "\n");
    r = run({"show", "--", "-missing.tqv"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, formatText(StrId::MsgFileOpenFailedWhy, {"-missing.tqv", "it does not exist"}) + "\n");
}

// A group added beside the core's, as the groups needing Qt will be; its job asks one question.
TEST_F(CliAppTest, AddedGroupRunsWithTheAnswersOfYes)
{
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"ask"}, 1, "Go on?\nAnswer: No (with --yes: Yes)\n"},
        {{"--yes", "ask"}, 0, "Go on?\nAnswer: Yes (--yes)\n"},
        {{"ask", "--yes"}, 0, "Go on?\nAnswer: Yes (--yes)\n"},
        {{"ask", "--lang", "zh"}, 1, "Go on?\n回答：否（加--yes时为是）\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::ostringstream out, err;
        CliApp app(c.args, out, err);
        addProjectCommands(app);
        CLI::App &ask = app.addCommand("ask", "Asks one question");
        app.setJob(ask, [&app] { return app.prompter().askYesNo("Go on?") ? 0 : 1; });
        EXPECT_EQ(app.run(), c.code);
        EXPECT_EQ(err.str(), c.err);
        EXPECT_EQ(out.str(), "");
    }
}

} // namespace
} // namespace tqv
