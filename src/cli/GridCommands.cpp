#include "GridCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "editor/EditorSession.h"
#include "editor/GridLayout.h"
#include "editor/PropertyGrid.h"
#include "editor/ValueCommit.h"
#include "link/NotingPrompter.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>

namespace tqv {

namespace {

std::optional<int> number(const std::string &word)
{
    if (word.empty() || word.size() > 4 || !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(word);
}

// "fieldbus", "subnet:K", "node:K:N", "command:K:N" (1-based), for an item the tree shows.
std::optional<ItemRef> parseItem(const ConfigStore &store, const std::string &word)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = word.find(':', start);
        parts.push_back(word.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    const std::string &kind = parts[0];
    if (kind == "fieldbus" && parts.size() == 1)
        return hasFieldbusItem(store.gatewayType) ? std::optional(ItemRef{ItemKind::Fieldbus, -1, 0}) : std::nullopt;
    const std::optional<int> k = parts.size() >= 2 ? number(parts[1]) : std::nullopt;
    if (!k || *k < 1 || *k > subnetCountOf(store.gatewayType))
        return std::nullopt;
    const int subnet = *k - 1;
    if (kind == "subnet" && parts.size() == 2)
        return ItemRef{ItemKind::Subnet, subnet, 0};
    const std::optional<int> n = parts.size() == 3 ? number(parts[2]) : std::nullopt;
    const CONFIG &c = store.subnet(subnet);
    // Nodes and commands are items only under a Modbus master subnet, as in the tree.
    if (!n || *n < 1 || c.protocol != text(StrId::ProtocolModbusMaster))
        return std::nullopt;
    if (kind == "node" && *n <= c.nodeCount)
        return ItemRef{ItemKind::Node, subnet, *n};
    if (kind == "command" && *n <= c.commandCount)
        return ItemRef{ItemKind::Command, subnet, *n};
    return std::nullopt;
}

struct ItemOptions {
    std::string file;
    std::string item;
};

// Reads the project and finds the item; on failure prints why and gives the exit code.
int loadItem(CliApp &app, const ItemOptions &options, ConfigStore &store, ItemRef &item)
{
    if (const int code = readForCommand(app, options.file, store); code != kExitOk)
        return code;
    const std::optional<ItemRef> found = parseItem(store, options.item);
    if (!found) {
        app.err() << formatText(StrId::CliBadItem, {options.item}) << '\n';
        return kExitUsage;
    }
    item = *found;
    // Showing a command brings in its node's address and check type; so does editing it here.
    refreshCommandForDisplay(store, item);
    return kExitOk;
}

int runRows(CliApp &app, const ItemOptions &options)
{
    auto store = std::make_unique<ConfigStore>();
    ItemRef item;
    if (const int code = loadItem(app, options, *store, item); code != kExitOk)
        return code;
    const bool pulse = pulseEditableFor(*store, item);
    for (int row = 0; row < kGridRowCount; ++row) {
        const CellInfo cell = describeCell(*store, item, row, pulse);
        if (cell.label.empty() && cell.value.empty())
            continue;
        std::string how = "-";
        if (cell.editor == EditorKind::EditBox)
            how = text(StrId::CliRowsEditBox);
        else if (cell.editor == EditorKind::List) {
            how = text(StrId::CliRowsList) + ":";
            for (const std::string &choice : cell.choices)
                how += " [" + choice + "]";
        }
        // The value as the grid shows it, its unit suffix included already.
        app.out() << row << '\t' << cell.label << '\t' << cell.value << '\t' << how << '\n';
    }
    return app.out() ? kExitOk : kExitProblem;
}

struct SetOptions : ItemOptions {
    std::string row;
    std::string value;
    std::string output;
};

int runSet(CliApp &app, const SetOptions &options)
{
    EditorSession session;
    ItemRef item;
    if (const int code = loadItem(app, options, session.store(), item); code != kExitOk)
        return code;
    // What was read counts as saved; the session says whether the value changed anything.
    session.store().configModified = false;
    session.startFresh();
    const ConfigStore &store = session.store();
    const std::optional<int> row = number(options.row);
    if (!row || *row >= kGridRowCount) {
        app.err() << formatText(StrId::CliBadRow, {options.row}) << '\n';
        return kExitUsage;
    }
    const std::string outputPath = options.output.empty() ? options.file : options.output;
    const FileKind outputKind = fileKindOf(outputPath);
    if (outputKind == FileKind::Other)
        return refuseExtension(app, outputPath);

    const bool pulse = pulseEditableFor(store, item);
    const CellInfo cell = describeCell(store, item, *row, pulse);
    const std::string rowNumber = std::to_string(*row);
    NotingPrompter prompter(app.prompter());
    bool refused = false;
    if (cell.editor == EditorKind::None) {
        app.err() << formatText(StrId::CliRowNotEditable, {rowNumber, cell.label}) << '\n';
        return kExitProblem;
    }
    if (cell.editor == EditorKind::List) {
        if (std::find(cell.choices.begin(), cell.choices.end(), options.value) == cell.choices.end()) {
            std::string choices;
            for (const std::string &c : cell.choices)
                choices += (choices.empty() ? "" : ", ") + ("\"" + c + "\"");
            app.err() << formatText(StrId::CliNotAChoice, {options.value, rowNumber, cell.label, choices}) << '\n';
            return kExitProblem;
        }
        (void)session.commitPick(CommitTarget{item, *row}, options.value, true);
    } else {
        const CommitResult result = session.commitText(CommitTarget{item, *row}, options.value, true, pulse, prompter);
        if (result.refusal) {
            app.err() << *result.refusal << '\n';
            refused = true;
        }
    }
    if (prompter.infos > 0)
        refused = true; // every message of the rules reports a value that was put back
    if (session.modified()) {
        if (const Status written = writeConfiguration(outputPath, outputKind, session.store()); !written) {
            return writeFailed(app, written);
        }
        app.err() << formatText(StrId::CliWritten, {outputPath}) << '\n';
    } else if (!refused && !prompter.declined) {
        app.err() << formatText(StrId::CliUnchanged, {options.file}) << '\n';
    }
    return refused || prompter.declined ? kExitProblem : kExitOk;
}

} // namespace

void addGridCommands(CliApp &app)
{
    auto rowsOptions = std::make_shared<ItemOptions>();
    CLI::App &rows = app.addCommand("rows", text(StrId::CliHelpRows));
    rows.add_option(text(StrId::CliHelpFile), rowsOptions->file, text(StrId::CliHelpProjectFile))->required()->type_name("");
    rows.add_option(text(StrId::CliHelpItem), rowsOptions->item, text(StrId::CliHelpItemText))->required()->type_name("");
    app.setJob(rows, [&app, rowsOptions] { return runRows(app, *rowsOptions); });

    auto setOptions = std::make_shared<SetOptions>();
    CLI::App &set = app.addCommand("set", text(StrId::CliHelpSet));
    set.add_option(text(StrId::CliHelpFile), setOptions->file, text(StrId::CliHelpProjectFile))->required()->type_name("");
    set.add_option(text(StrId::CliHelpItem), setOptions->item, text(StrId::CliHelpItemText))->required()->type_name("");
    set.add_option(text(StrId::CliHelpRow), setOptions->row, text(StrId::CliHelpRowText))->required()->type_name("");
    set.add_option(text(StrId::CliHelpValue), setOptions->value, text(StrId::CliHelpValueText))->required()->type_name("");
    set.add_option("-o", setOptions->output, text(StrId::CliHelpSetOutput))->type_name(text(StrId::CliHelpFile));
    app.setJob(set, [&app, setOptions] { return runSet(app, *setOptions); });
}

} // namespace tqv
