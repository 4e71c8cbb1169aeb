#include "FleetManifest.h"

#include "ethernet/MessageHeader.h"
#include "resources/Strings.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace tqv {

namespace {

std::string trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t\r") - first + 1));
}

std::vector<std::string> fieldsOf(std::string_view line)
{
    std::vector<std::string> fields;
    for (std::size_t from = 0;;) {
        const std::size_t comma = line.find(',', from);
        fields.push_back(trimmed(line.substr(from, comma == std::string_view::npos ? comma : comma - from)));
        if (comma == std::string_view::npos)
            return fields;
        from = comma + 1;
    }
}

// Fills the Ethernet part of `entry` from its target; false with `problem` set for a bad port.
bool readTarget(FleetEntry &entry, std::string &problem)
{
    const std::size_t colon = entry.target.rfind(':');
    const std::string address = entry.target.substr(0, colon);
    if (!ipv4Value(address))
        return true; // a serial port
    entry.ethernet = true;
    entry.address = address;
    if (colon == std::string::npos)
        return true;
    const std::string port = entry.target.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535) {
        problem = formatText(StrId::FleetBadPort, {port});
        return false;
    }
    entry.port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

FleetManifest parseFleetManifest(std::string_view content, const std::string &file)
{
    FleetManifest manifest;
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::set<std::string> names;
    bool headerSeen = false;
    int lineNumber = 0;
    for (std::size_t from = 0; from < content.size();) {
        const std::size_t end = std::min(content.find('\n', from), content.size());
        const std::string line = trimmed(content.substr(from, end - from));
        from = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        const auto bad = [&](const std::string &reason) {
            manifest.problems.push_back(formatText(StrId::FleetBadLine, {file, std::to_string(lineNumber), reason}));
        };
        const std::vector<std::string> fields = fieldsOf(line);
        if (!headerSeen) {
            // A manifest without its header would lose its first gateway silently.
            headerSeen = true;
            if (fields != std::vector<std::string>{"name", "port_or_address", "project"})
                bad(text(StrId::FleetLineFields));
            continue;
        }
        if (fields.size() != 3) {
            bad(text(StrId::FleetLineFields));
            continue;
        }
        if (fields[0].empty() || fields[1].empty() || fields[2].empty()) {
            bad(text(StrId::FleetLineEmptyField));
            continue;
        }
        FleetEntry entry;
        entry.line = lineNumber;
        entry.name = fields[0];
        entry.target = fields[1];
        entry.project = fields[2];
        const std::filesystem::path project(entry.project);
        if (project.is_relative())
            entry.project = (folder / project).string();
        std::string problem;
        if (!readTarget(entry, problem)) {
            bad(problem);
            continue;
        }
        if (!names.insert(entry.name).second) {
            bad(formatText(StrId::FleetDuplicateName, {entry.name}));
            continue;
        }
        manifest.entries.push_back(std::move(entry));
    }
    return manifest;
}

int nextStartable(const std::vector<FleetEntry> &entries, const std::vector<bool> &started,
                  const std::set<std::string> &busy)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!started[i] && !busy.count(entries[i].key()))
            return static_cast<int>(i);
    return -1;
}

} // namespace tqv
