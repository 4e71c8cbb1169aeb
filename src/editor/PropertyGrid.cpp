#include "PropertyGrid.h"
#include "model/ModelProfile.h"

#include "resources/Strings.h"

namespace tqv {

std::string shownValue(const std::string &field) { return field == "-1" ? std::string() : field; }

std::string otherInterface(const std::string &commInterface)
{
    return commInterface == "RS232" ? "RS485" : "RS232";
}

bool usesDataFilter(const ConfigStore &store) { return profileOf(store).dataFilterVocabulary; }

void refreshCommandForDisplay(ConfigStore &store, const ItemRef &item)
{
    if (item.kind != ItemKind::Command || item.subnet < 0 || item.subnet >= kSubnetCount || item.number < 1 ||
        item.number > kMaxCommands)
        return;
    CONFIG &c = store.subnet(item.subnet);
    COMMAND &cmd = c.commands[static_cast<std::size_t>(item.number - 1)];
    if (cmd.nodeNumber >= 1 && cmd.nodeNumber <= kMaxNodes)
        cmd.slaveAddress = c.nodes[static_cast<std::size_t>(cmd.nodeNumber - 1)].address;
    if (c.masterMode == "RTU")
        cmd.checkType = text(StrId::CheckCrc);
    else if (c.masterMode == "ASCII")
        cmd.checkType = text(StrId::CheckLrc);
}

GridRows gridRows(const ConfigStore &store, const ItemRef &item, GridOccasion occasion)
{
    GridRows rows{};
    for (int r = 0; r < kGridRowCount; ++r) {
        // The pulse state decides editing only; what a row shows does not depend on it.
        CellInfo cell = describeCell(store, item, r, false, occasion);
        rows[static_cast<std::size_t>(r)] = GridRow{std::move(cell.label), std::move(cell.value), cell.grey};
    }
    return rows;
}

} // namespace tqv
