#include "ProjectListing.h"

#include "resources/TextWidth.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tqv {

namespace {

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

} // namespace

void printProject(const ConfigStore &store, std::ostream &out)
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

} // namespace tqv
