#include "CliCommands.h"

#include "model/ConfigStore.h"
#include "model/JsonForm.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string_view>
#include <utility>

namespace tqv {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitProblem = 1; // the job ran but could not finish (e.g. the output was refused)
constexpr int kExitUsage = 2;   // bad command line or unreadable input

enum class FileKind { Project, Json, Other };

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    if (s.size() < suffix.size())
        return false;
    s.remove_prefix(s.size() - suffix.size());
    return std::equal(s.begin(), s.end(), suffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

// Projects copied from Windows often carry upper-case extensions, so case is ignored.
FileKind kindOf(std::string_view path)
{
    if (endsWithNoCase(path, ".tqv"))
        return FileKind::Project;
    if (endsWithNoCase(path, ".json"))
        return FileKind::Json;
    return FileKind::Other;
}

int usage(std::ostream &err)
{
    err << text(StrId::CliUsage);
    return kExitUsage;
}

int badOption(std::ostream &err, std::string_view option)
{
    err << formatText(StrId::CliUnknownOption, {option}) << '\n';
    return usage(err);
}

// Options of one subcommand after the global ones are taken out. "--name=value" and
// "--name value" are the same; everything after "--" is an operand.
struct CommandLine {
    std::vector<std::pair<std::string, std::string>> values; // in the order given
    std::vector<std::string> switches;
    std::vector<std::string> operands;

    const std::string *value(std::string_view name) const
    {
        const std::string *found = nullptr;
        for (const auto &[n, v] : values)
            if (n == name)
                found = &v; // the last one given wins
        return found;
    }
    bool has(std::string_view name) const
    {
        return std::find(switches.begin(), switches.end(), name) != switches.end();
    }
};

// Returns false with the offending word in `bad` for an unknown or value-less option.
bool parseCommand(const std::vector<std::string> &words, std::initializer_list<std::string_view> valueOptions,
                  std::initializer_list<std::string_view> switchOptions, CommandLine &line, std::string &bad)
{
    auto isIn = [](std::initializer_list<std::string_view> list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    bool operandsOnly = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (operandsOnly || word.size() < 2 || word[0] != '-') {
            line.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            operandsOnly = true;
            continue;
        }
        std::string name = word;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (word.rfind("--", 0) == 0) {
            if (auto eq = word.find('='); eq != std::string::npos) {
                name = word.substr(0, eq);
                inlineValue = word.substr(eq + 1);
                hasInlineValue = true;
            }
        }
        if (isIn(valueOptions, name)) {
            if (hasInlineValue) {
                line.values.emplace_back(name, inlineValue);
            } else if (i + 1 < words.size()) {
                line.values.emplace_back(name, words[++i]);
            } else {
                bad = word;
                return false;
            }
        } else if (isIn(switchOptions, name) && !hasInlineValue) {
            line.switches.push_back(name);
        } else {
            bad = word;
            return false;
        }
    }
    return true;
}

// --- reading and writing ------------------------------------------------------------------

// Reads a project or JSON file into `store`; on failure prints the reason and returns the exit code.
int load(const std::string &path, FileKind kind, ConfigStore &store, std::ostream &err)
{
    const Result<std::string> read = ProjectDocument::readFile(path);
    if (!read) {
        err << read.message() << '\n';
        return kExitUsage;
    }
    const std::string &bytes = read.value();
    if (bytes.empty()) {
        err << formatText(StrId::MsgFileEmpty, {path}) << '\n';
        return kExitUsage;
    }
    if (kind == FileKind::Json) {
        if (const Status parsed = storeFromJson(bytes, store); !parsed) {
            err << parsed.message() << '\n';
            return kExitUsage;
        }
        return kExitOk;
    }
    ArchiveStatus status = readProject(bytes, codePageFor(currentLanguage()), store);
    if (!status.ok()) {
        err << formatText(StrId::MsgFileReadFailed, {path, status.reason()}) << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

int save(const std::string &path, FileKind kind, ConfigStore &store, std::ostream &err)
{
    const Status written = kind == FileKind::Json
                               ? ProjectDocument::writeFileAtomically(path, storeToJson(store))
                               : ProjectDocument::save(path, store, codePageFor(currentLanguage()));
    if (!written) {
        err << written.message() << '\n';
        return kExitProblem;
    }
    err << formatText(StrId::CliWritten, {path}) << '\n';
    return kExitOk;
}

// --- the readable listing -----------------------------------------------------------------

// Columns a terminal gives a text: two for East Asian wide characters, one for the rest.
std::size_t displayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        std::uint32_t cp = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        i += length;
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                          (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

// Control characters would break the columns, so they are shown escaped.
std::string printable(std::string_view value)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c == 0x7F)
            out += {'\\', 'x', hex[c >> 4], hex[c & 0xF]};
        else
            out += ch;
    }
    return out;
}

void pad(std::ostream &out, std::size_t used, std::size_t width)
{
    for (std::size_t i = used; i < width; ++i)
        out << ' ';
}

// "name: value" lines with the values starting in one column.
void printFields(std::ostream &out, std::string_view indent,
                 const std::vector<std::pair<std::string, std::string>> &fields)
{
    std::size_t width = 0;
    for (const auto &f : fields)
        width = std::max(width, displayWidth(f.first) + 1);
    for (const auto &[name, value] : fields) {
        out << indent << name << ':';
        if (!value.empty()) {
            pad(out, displayWidth(name) + 1, width + 1);
            out << printable(value);
        }
        out << '\n';
    }
}

// A table whose first row is the header; every column as wide as its widest cell.
void printTable(std::ostream &out, std::string_view indent,
                const std::vector<std::vector<std::string>> &rows)
{
    std::vector<std::size_t> widths;
    for (const auto &row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(row[c]));
    }
    std::string line;
    for (const auto &row : rows) {
        line = indent;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line.append(widths[c] + 2 - displayWidth(row[c]), ' ');
        }
        // Empty cells at the end would leave trailing blanks.
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

void printStore(const ConfigStore &store, std::ostream &out)
{
    std::string flags;
    for (int n = 1; n <= 7; ++n)
        if (store.modelFlag(n))
            flags += (flags.empty() ? "" : ", ") + std::to_string(n);
    printFields(out, "",
                {{text(StrId::CliShowGatewayType), std::to_string(store.gatewayType)},
                 {text(StrId::CliShowModelFlags), flags.empty() ? "-" : flags},
                 {text(StrId::CliShowFileVersion), std::to_string(store.fileVersion)}});

    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto &f : kFieldbusFields)
        fields.emplace_back(f.name, store.fieldbus.*f.member);
    out << '\n' << text(StrId::CliShowFieldbus) << '\n';
    printFields(out, "  ", fields);

    for (int s = 0; s < kSubnetCount; ++s) {
        const CONFIG &c = store.subnet(s);
        out << '\n' << formatText(StrId::CliShowSubnet, {std::to_string(s + 1)}) << '\n';
        fields.clear();
        for (const auto &f : kConfigFields)
            fields.emplace_back(f.name, c.*f.member);
        printFields(out, "  ", fields);

        const int nodeCount = std::clamp(c.nodeCount, 0, kMaxNodes);
        out << "  " << text(StrId::CliShowNodes) << " (" << nodeCount << ")\n";
        if (nodeCount > 0) {
            std::vector<std::vector<std::string>> rows{{"#"}};
            for (const auto &f : kNodeFields)
                rows[0].emplace_back(f.name);
            for (int i = 0; i < nodeCount; ++i) {
                const NODE &n = c.nodes[static_cast<std::size_t>(i)];
                rows.push_back({std::to_string(i + 1)});
                for (const auto &f : kNodeFields)
                    rows.back().push_back(printable(n.*f.member));
            }
            printTable(out, "    ", rows);
        }

        const int commandCount = std::clamp(c.commandCount, 0, kMaxCommands);
        out << "  " << text(StrId::CliShowCommands) << " (" << commandCount << ")\n";
        if (commandCount > 0) {
            std::vector<std::vector<std::string>> rows{{"#"}};
            for (const auto &f : kCommandFields)
                rows[0].emplace_back(f.name);
            rows[0].emplace_back("nodeNumber");
            for (int i = 0; i < commandCount; ++i) {
                const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
                rows.push_back({std::to_string(i + 1)});
                for (const auto &f : kCommandFields)
                    rows.back().push_back(printable(cmd.*f.member));
                rows.back().push_back(std::to_string(cmd.nodeNumber));
            }
            printTable(out, "    ", rows);
        }
    }
}

// --- subcommands --------------------------------------------------------------------------

bool parseType(const std::string &word, std::uint32_t &type)
{
    if (word.empty() ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const auto first = word.find_first_not_of('0');
    if (first == std::string::npos) {
        type = 0;
        return true;
    }
    if (word.size() - first > 1)
        return false;
    type = static_cast<std::uint32_t>(word[first] - '0');
    return type <= 6;
}

// "1,4,7" -> flags 1, 4 and 7; "" -> none.
bool parseFlags(const std::string &word, bool (&flags)[7])
{
    std::fill(std::begin(flags), std::end(flags), false);
    if (word.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = word.find(',', start);
        const std::string item = word.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.size() != 1 || item[0] < '1' || item[0] > '7')
            return false;
        flags[item[0] - '1'] = true;
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

int runNew(const std::vector<std::string> &words, std::ostream &err)
{
    CommandLine line;
    std::string bad;
    if (!parseCommand(words, {"--type", "--flags", "-o"}, {}, line, bad))
        return badOption(err, bad);
    const std::string *output = line.value("-o");
    if (!output || !line.operands.empty())
        return usage(err);

    std::uint32_t type = 0;
    const std::string *typeWord = line.value("--type");
    if (typeWord && !parseType(*typeWord, type)) {
        err << formatText(StrId::CliBadType, {*typeWord}) << '\n';
        return kExitUsage;
    }
    bool flags[7] = {};
    const std::string *flagsWord = line.value("--flags");
    if (flagsWord && !parseFlags(*flagsWord, flags)) {
        err << formatText(StrId::CliBadFlags, {*flagsWord}) << '\n';
        return kExitUsage;
    }

    auto store = std::make_unique<ConfigStore>();
    ProjectDocument::newDocument(*store);
    if (typeWord || flagsWord) {
        if (typeWord)
            store->gatewayType = type;
        if (flagsWord)
            for (int n = 1; n <= 7; ++n)
                store->setModelFlag(n, flags[n - 1]);
        store->resetToDefaults();
        store->applyFieldbusType();
    }
    // Anything not named .json is written as a project, whatever its name.
    const FileKind kind = kindOf(*output) == FileKind::Json ? FileKind::Json : FileKind::Project;
    return save(*output, kind, *store, err);
}

int runShow(const std::vector<std::string> &words, std::ostream &out, std::ostream &err)
{
    CommandLine line;
    std::string bad;
    if (!parseCommand(words, {}, {"--json"}, line, bad))
        return badOption(err, bad);
    if (line.operands.size() != 1)
        return usage(err);
    const std::string &path = line.operands[0];
    const FileKind kind = kindOf(path);
    if (kind == FileKind::Other) {
        err << formatText(StrId::CliUnknownExtension, {path}) << '\n';
        return kExitUsage;
    }
    auto store = std::make_unique<ConfigStore>();
    if (int code = load(path, kind, *store, err); code != kExitOk)
        return code;
    if (line.has("--json"))
        out << storeToJson(*store);
    else
        printStore(*store, out);
    return out ? kExitOk : kExitProblem;
}

int runConvert(const std::vector<std::string> &words, std::ostream &err)
{
    CommandLine line;
    std::string bad;
    if (!parseCommand(words, {}, {}, line, bad))
        return badOption(err, bad);
    if (line.operands.size() != 2)
        return usage(err);
    const std::string &input = line.operands[0];
    const std::string &output = line.operands[1];
    for (const std::string *path : {&input, &output}) {
        if (kindOf(*path) == FileKind::Other) {
            err << formatText(StrId::CliUnknownExtension, {*path}) << '\n';
            return kExitUsage;
        }
    }
    // The input is read and checked completely before the output is touched.
    auto store = std::make_unique<ConfigStore>();
    if (int code = load(input, kindOf(input), *store, err); code != kExitOk)
        return code;
    return save(output, kindOf(output), *store, err);
}

} // namespace

int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    // Global options may stand anywhere before "--"; the rest goes to the subcommand in order.
    std::string language;
    std::string badGlobal;
    bool answerYes = false; // no job asks a question yet; accepted so scripts can pass it already
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        if (arg == "--yes") {
            answerYes = true;
        } else if (arg == "--lang" || arg.rfind("--lang=", 0) == 0) {
            std::string value;
            if (arg == "--lang") {
                if (i + 1 < args.size())
                    value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value == "en" || value == "zh")
                language = value;
            else if (badGlobal.empty())
                badGlobal = arg == "--lang" && !value.empty() ? arg + ' ' + value : arg;
        } else {
            words.push_back(arg);
        }
    }
    (void)answerYes;

    const char *environment = std::getenv("TQV580_LANG");
    setLanguage(chooseLanguage(language, environment ? environment : "",
                               systemLocaleNameFromEnvironment()));

    if (!badGlobal.empty())
        return badOption(err, badGlobal);
    if (words.empty())
        return usage(err);
    const std::string command = words.front();
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (command == "new")
        return runNew(rest, err);
    if (command == "show")
        return runShow(rest, out, err);
    if (command == "convert")
        return runConvert(rest, err);
    if (command.size() > 1 && command[0] == '-')
        return badOption(err, command);
    return usage(err);
}

} // namespace tqv
