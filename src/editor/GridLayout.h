#pragma once

// The property grid's rows described once, one table per item kind: for every row its label, the
// record member it shows, when it is grey, which editor a click opens with which choices, what an
// edit or a pick stores, and which explanation the prompt pane shows. The grid, the commit rules,
// the prompt pane and exports all read these descriptions through describeCell.

#include "ConfigTree.h"
#include "model/ConfigStore.h"
#include "resources/StringId.h"

#include <string>
#include <variant>
#include <vector>

namespace tqv {

// ---- rows by item kind ---------------------------------------------------------------------------

// A subnet item's rows. Rows 12 to 19 carry the names of the User Config layout of types 3 and 6;
// other models put other fields there (the communication interface at row 12 in the interface model, the
// start and stop characters at rows 15 and 16 in the fault-reset model).
enum class SubnetRow : int {
    Protocol,
    Baud,
    DataBits,
    Parity,
    StopBits,
    OwnAddress,
    Mode,
    ResponseTimeout,
    PollDelay,
    OutputMode,
    PulseTime,
    ScanRatio,
    FrameType,
    CharTimeout,
    FrameLength,
    AutoSend,
    AutoSendPeriod,
    CrcCheck,
    CommInterface,
    DebugInterface,
    CharIntervalSend,
    CharIntervalReceive,
};
constexpr int kSubnetRowCount = 22;

// A command item's rows.
enum class CommandRow : int {
    SlaveAddress,
    FunctionCode,
    StartAddress,
    Quantity,
    MappingAddress,
    MappingBit,
    ByteCount,
    DataFormat,
    CheckType,
    ScanType,
};
constexpr int kCommandRowCount = 10;

// A node item's single row.
enum class NodeRow : int { Address };

// The fieldbus item's rows depend on the gateway family.
enum class DeviceNetRow : int { Protocol, Address, Baud, InputSize, OutputSize };
enum class EthernetRow : int { Protocol, AssignMode, IpAddress, SubnetMask, GatewayAddress, Dns1, Dns2 };
// Types 1 and 3 (and the preset types 5 and 6 up to row 3). What rows 3 and 4 hold depends on the
// model flags and on subnet 1's protocol.
enum class ProfibusRow : int { Protocol, InputBytes, OutputBytes, Option, OptionValue };

template <typename Row> constexpr int rowIndex(Row row) { return static_cast<int>(row); }

// ---- what a cell is ------------------------------------------------------------------------------

// What a grid click does to the prompt pane: show a text, empty the pane, or leave it as it is.
enum class PromptAction { Set, Empty, Unchanged };

// A click's effect on the prompt pane and, for Set, the text to show.
struct PromptChoice {
    PromptAction action = PromptAction::Unchanged;
    StrId text{}; // meaningful only for Set

    bool operator==(const PromptChoice &) const = default;
};

// A record member a cell shows or a commit stores into. CONFIG members belong to the item's
// subnet; for the fieldbus item they are subnet 1's.
using FieldRef = std::variant<std::monostate, std::string FIELDBUS::*, std::string CONFIG::*, std::string NODE::*,
                              std::string COMMAND::*>;

// The member `field` names for `item`, or null where the item has no such record.
const std::string *fieldOf(const ConfigStore &store, const ItemRef &item, const FieldRef &field);
std::string *fieldOf(ConfigStore &store, const ItemRef &item, const FieldRef &field);

// What a click on a value cell opens.
enum class EditorKind { None, List, EditBox };

// How an edit box's text is checked before it goes into the rule's field.
enum class TextCheck {
    None,               // nothing is stored; the cell keeps the text
    AsTyped,            // stored as typed
    Range,              // its decimal value lies in low..high
    CanonicalRange,     // a plain decimal number in low..high
    Reported,           // digits only and in low..high, else a message naming `name`
    IpAddress,          // dotted quad
    ProfibusConfigData, // hex bytes "D1 E1", up to 8
    OwnAddress,         // the gateway's slave address: out of range empties the cell
    NodeAddress,        // unique within the subnet; renames the node and its commands follow
    StartAddress,       // 0..65535; offers to turn a PLC-style address into a protocol address
    Quantity,           // per-model limits; the byte count follows
    MappingAddress,     // hex within the model's buffers for the function
};

// What a refused text leaves in the cell: the stored value, or nothing.
enum class Refused { PutBack, Clear };

// What an edit box commit does: check the text, then store it into `field` or refuse it.
struct EditRule {
    FieldRef field;
    TextCheck check = TextCheck::None;
    long low = 0;
    long high = 0;
    Refused refused = Refused::PutBack;
    StrId name{}; // Reported and OwnAddress: the field's name in messages

    bool operator==(const EditRule &) const = default;
};

// Another row of the grid that a pick refreshes.
struct PickEffect {
    enum class Kind {
        GreyIfPicked,     // grey exactly when `value` was picked
        GreyUnlessPicked, // grey unless `value` was picked
        OtherInterface,   // shows the interface that was not picked
    };
    int row = -1;
    Kind kind = Kind::GreyIfPicked;
    StrId value{};

    bool operator==(const PickEffect &) const = default;
};

// What a list pick does: store the picked text and refresh other rows.
struct PickRule {
    FieldRef field; // empty: the pick only shows in the cell
    std::vector<PickEffect> effects;
    bool setsPulse = false;       // the output mode: the pulse row becomes editable or not
    bool changesProtocol = false; // the subnet's protocol: tree and grid are shown anew

    bool operator==(const PickRule &) const = default;
};

// Everything about one cell of the grid: what it shows, whether and how a click edits it, what the
// prompt pane explains, and what a commit on it does.
struct CellInfo {
    std::string label;
    std::string value;
    bool grey = false;
    FieldRef field; // the member whose content the value cell shows, if any
    EditorKind editor = EditorKind::None;
    std::vector<std::string> choices; // the in-place list (EditorKind::List)
    PromptChoice prompt;
    std::string suffix; // follows a non-empty value, also one just committed ("H" of hex addresses)
    EditRule edit;      // what an edit box commit does
    PickRule pick;      // what a list pick does
};

// Right after a protocol change a Modbus master subnet of a fault-reset model labels row 1 "Band
// rate"; showing the item again brings back the usual label.
enum class GridOccasion { Shown, ProtocolChanged };

// `pulseEditable` is the shown subnet's pulse state (pulseEditableFor when it was shown, then what
// commits report). Rows outside an item's layout are empty and have no editor.
CellInfo describeCell(const ConfigStore &store, const ItemRef &item, int row, bool pulseEditable,
                      GridOccasion occasion = GridOccasion::Shown);

// The explanation for a click on `row` (label or value cell alike) of an item of `kind`. Rules
// that depend on a protocol read subnet 1's, never the clicked subnet's.
PromptChoice choosePrompt(const ConfigStore &store, ItemKind kind, int row);

// The label of the row of `item`'s grid that shows or stores `field`; "" when its grid has none.
std::string rowLabelOf(const ConfigStore &store, const ItemRef &item, const FieldRef &field);

// Whether the pulse row of a subnet item takes input: its output mode is "Pluse output".
bool pulseEditableFor(const ConfigStore &store, const ItemRef &item);

} // namespace tqv
