#pragma once
// A line of gateways to apply configurations to: the manifest's form (CSV, a header line, `#`
// comments, one gateway a line) and which gateway may start next.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

struct FleetEntry {
    int line = 0;          // 1-based line of the manifest
    std::string name;
    std::string target;    // as written: a serial port, an IPv4 address, or ADDRESS:PORT
    std::string project;   // resolved against the manifest's folder
    bool ethernet = false; // the target is an address
    std::string address;   // ethernet: the address without the port
    std::uint16_t port = 0; // ethernet: the port given after the address, 0 when none

    // What two gateways must not share at once: the serial port, or address and port.
    std::string key() const { return ethernet ? address + ":" + std::to_string(port) : target; }
};

struct FleetManifest {
    std::vector<FleetEntry> entries;
    // Every malformed line, with its number, as "…, line N: reason" in the active language.
    std::vector<std::string> problems;
};

// Reads the manifest text; `file` names it in problems and its folder resolves relative projects.
FleetManifest parseFleetManifest(std::string_view content, const std::string &file);

// The first entry not yet started whose key is not busy; -1 when none may start now.
int nextStartable(const std::vector<FleetEntry> &entries, const std::vector<bool> &started,
                  const std::set<std::string> &busy);

} // namespace tqv
