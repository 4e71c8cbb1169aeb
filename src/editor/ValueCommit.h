#pragma once

#include "ConfigTree.h"
#include "PropertyGrid.h"
#include "link/Prompter.h"

#include <optional>
#include <string>
#include <vector>

namespace tqv {

// The grid cell a commit belongs to: the item recorded at the last grid click and its row.
struct CommitTarget {
    ItemRef item;
    int row = -1;
};

// A change to another row of the grid that a commit causes.
struct RowUpdate {
    int row = -1;
    std::optional<std::string> label;
    std::optional<std::string> value;
    std::optional<bool> grey;

    bool operator==(const RowUpdate &) const = default;
};

// What a commit did and what the window has to show for it. Grid changes apply only while the
// edited item is still the selected tree item; `stillSelected` tells the rules.
struct CommitResult {
    std::optional<std::string> cellText;     // new text of the clicked cell
    std::vector<RowUpdate> rowUpdates;       // other rows, recoloured or refilled
    std::optional<std::string> renamedNode;  // new tree label of the edited node item
    std::optional<bool> pulseEditable;       // new pulse-editable state of the shown subnet
    bool protocolChanged = false;            // the subnet item's children go
    std::optional<GridRows> rows;            // the whole grid anew (a protocol change, still selected)
    bool listNodesAgain = false;             // ...and the nodes and commands come back (Modbus master)
    bool disableTreeCommands = false;        // the four node and command commands
    bool disableAddNode = false;
    std::optional<bool> mappingCommandsEnabled;
    std::optional<std::string> refusal;      // why a typed value was dropped without a message box
};

// The edit box lost the focus with `text` in it. The rule is the cell's (describeCell's edit rule).
CommitResult commitEditText(ConfigStore &store, const CommitTarget &target, std::string text,
                            bool stillSelected, bool pulseEditable, Prompter &prompter);

// An item was picked from the in-place list. The rule is the cell's (describeCell's pick rule).
CommitResult commitListPick(ConfigStore &store, const CommitTarget &target, const std::string &picked,
                            bool stillSelected);

// Text checks shared by the commit rules.
long decimalValue(const std::string &text);  // leading decimal number, 0 when there is none
bool isCanonical(const std::string &text);   // equals its decimal value printed back
bool isIpAddress(const std::string &text);
// Passes, or fails with the message (if any) sent through `prompter`.
bool decimalFieldCheck(const std::string &text, long low, long high, const std::string &name, Prompter &prompter);
// Valid PROFIBUS configuration data ("D1 E1"); otherwise the stored value comes back.
std::string checkProfibusConfigData(const std::string &text, const std::string &stored);

} // namespace tqv
