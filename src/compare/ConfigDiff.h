#pragma once
// Comparing two configurations: what differs, named so that a person can find it, and located
// precisely enough to take one difference over on its own.
#include "model/ConfigStore.h"

#include <string>
#include <vector>

namespace tqv {

// What a comparison looks at: everything the project holds, or only what a transfer carries
// (the serial frames, or the Ethernet image), so that fields a gateway never holds do not count.
enum class Carried { Everything, Serial, Ethernet };

enum class DifferenceKind {
    Changed, // a value differs
    Added,   // a node or command the other configuration has beyond the project's
    Removed, // a node or command the project has beyond the other configuration's
};

// Where a difference lies.
struct DifferenceAt {
    enum class Scope { Store, Fieldbus, Subnet, Node, Command };
    Scope scope = Scope::Store;
    int subnet = -1;   // 0-based, for Subnet, Node and Command
    int index = -1;    // 0-based slot, for Node and Command
    std::string field; // the field's name; empty for an added or removed node or command

    bool operator==(const DifferenceAt &) const = default;
};

struct Difference {
    DifferenceKind kind = DifferenceKind::Changed;
    std::string path;        // e.g. "subnet 2 › command 5 › quantity", in the active language
    std::string label;       // the same as the window names it: "subnet 2 › command 5 › Number of Register",
                             // ending in the grid's row label of the field
    std::string projectText; // the project's value (empty for an added entry)
    std::string otherText;   // the other configuration's value (empty for a removed entry)
    DifferenceAt at;

    bool operator==(const Difference &) const = default;
};

// Firmware (major × 10 + minor) assumed when no gateway has told its own: every optional value
// of the model counts.
inline constexpr int kAnyFirmware = 999;

// The differences from `project` to `other`, in the order of the tree: gateway type and model
// flags, fieldbus, then per subnet its parameters, nodes and commands. Nodes and commands are
// matched by position. With Serial or Ethernet both sides are first put through the transfer
// (carriedForm), with `firmware` deciding the optional serial values; derived values are then
// left out, as the reading side derives them from what was carried.
std::vector<Difference> compareConfigurations(const ConfigStore &project, const ConfigStore &other, Carried carried,
                                              int firmware = kAnyFirmware);

// What is left of `configuration` once it has been written the way the transfer writes it and
// read back the way it reads, onto `project`'s type and flags (for the upload those of the open
// document) reset to their defaults: every field the transfer does not carry comes out the same
// whatever the configuration held. Everything returns `configuration` itself. An Ethernet image
// that cannot be built (a subnet with more commands than it has slots for) leaves the
// configuration as it is, so such a difference still shows.
ConfigStore carriedForm(const ConfigStore &configuration, const ConfigStore &project, Carried carried,
                        int firmware = kAnyFirmware);

// Takes one difference over from `other` into `project`: the other's value, or its node or
// command. Positions stay contiguous: taking an added entry takes the added entries before it as
// well, taking a removed one removes the entries after it too (they are removed in `other` as
// well). A command's derived values (byteCount) follow what it took, so taking one of them on
// its own changes nothing while the command's quantity says otherwise. Does not touch
// configModified; the caller marks the document.
void takeDifference(ConfigStore &project, const ConfigStore &other, const Difference &difference);

} // namespace tqv
