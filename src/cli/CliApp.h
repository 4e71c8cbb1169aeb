#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tqv {

class Prompter;
class TerminalPrompter;

// Which language a project read on the command line is taken in: the one --lang names, else the
// one its values are in; the first project recognised so sets the run's language, and a later one
// in the other language has its values converted into it.
struct FileLanguage {
    bool forced = false;
    bool settled = false;
};

// Exit codes of tqv580-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1; // the job ran but could not finish (e.g. the output was refused)
inline constexpr int kExitUsage = 2;   // bad command line or unreadable input

// tqv580-cli's command line: the global options (--lang, --yes, --help, --version), the
// subcommands that groups register, and our own messages for everything CLI11 refuses.
//
// A group is a function that adds its subcommands through addCommand() and names each one's job
// with setJob(); groups that need more than the core (serial ports, upload) live in their own
// library and are added by the executable that links it.
class CliApp {
public:
    // Takes the language from `args` (else TQV580_LANG, else the locale) at once, so that every
    // help text registered afterwards is in it.
    CliApp(std::vector<std::string> args, std::ostream &out, std::ostream &err);
    ~CliApp();
    CliApp(const CliApp &) = delete;
    CliApp &operator=(const CliApp &) = delete;

    // A subcommand with the tool's help flag and option group, ready for its options.
    CLI::App &addCommand(const std::string &name, const std::string &description);
    // What runs when `command` was chosen; returns the exit code.
    void setJob(const CLI::App &command, std::function<int()> job);

    std::ostream &out() { return m_out; }
    std::ostream &err() { return m_err; }
    FileLanguage &fileLanguage() { return m_fileLanguage; }
    // Answers questions according to --yes; only while a job runs.
    Prompter &prompter();
    // Whether --yes was given (a job that starts others passes it on).
    bool answersYes() const { return m_answerYes; }

    // Parses the command line and runs the chosen job (once). Returns the exit code.
    int run();

private:
    void addGlobalOptions();
    // An argument CLI11 kept as unrecognised that looks like an option, first in command-line order.
    std::optional<std::string> firstUnknownOption() const;
    // The word standing where a subcommand belongs when it names none of them.
    std::optional<std::string> unknownCommand() const;
    int refuse(const std::string &option); // unknown-option message and usage, exit 2
    int refuseCommand(const std::string &command); // unknown-subcommand message and usage, exit 2
    int usage();                           // usage alone, exit 2

    std::vector<std::string> m_args;
    std::ostream &m_out;
    std::ostream &m_err;
    std::string m_badLanguage; // the --lang word to refuse, found before CLI11 runs
    bool m_answerYes = false;
    FileLanguage m_fileLanguage;
    std::unique_ptr<CLI::App> m_root;
    std::map<const CLI::App *, std::function<int()>> m_jobs;
    std::unique_ptr<TerminalPrompter> m_prompter;
};

// The subcommands that need nothing but the core: project files, grid values, mapping.
void addCoreCommands(CliApp &app);

// tqv580-cli with the core's subcommands (new, show, convert), in-process: `args` without the
// program name. Messages go to `err` in the active language, listings and help to `out`.
int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace tqv
