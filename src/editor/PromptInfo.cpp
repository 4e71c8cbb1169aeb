#include "PromptInfo.h"

#include "resources/Strings.h"

namespace tqv {

namespace {

constexpr PromptChoice show(StrId id) { return {PromptAction::Set, id}; }
constexpr PromptChoice kEmpty{PromptAction::Empty, StrId{}};
constexpr PromptChoice kUnchanged{};

bool firstSubnetIs(const ConfigStore &store, StrId protocol)
{
    return store.subnets[0].protocol == text(protocol);
}

bool isSerialProfibusType(std::uint32_t gatewayType) { return gatewayType == 3 || gatewayType == 6; }

// Rows 3 and 4 of the PROFIBUS fieldbus item (types 1 and 3): the first matching line wins.
PromptChoice profibusRow3Or4(const ConfigStore &store, int row)
{
    const bool master = firstSubnetIs(store, StrId::ProtocolModbusMaster);
    const bool userConfig = firstSubnetIs(store, StrId::ProtocolUserConfig);
    const bool configurable = store.modelFlag1 || store.modelFlag6;
    if (row == 3) {
        if (store.gatewayType == 3 && userConfig)
            return show(StrId::Prompt61476);
        if (store.modelFlag4)
            return show(StrId::Prompt61477);
        if (store.modelFlag7) {
            if (master)
                return show(StrId::Prompt61747);
            if (userConfig)
                return show(StrId::Prompt61477);
            return kEmpty;
        }
        return configurable ? show(StrId::Prompt61478) : kEmpty;
    }
    if (configurable)
        return show(StrId::Prompt61479);
    if (store.modelFlag7 && master)
        return show(StrId::Prompt61748);
    return kEmpty;
}

PromptChoice fieldbusPrompt(const ConfigStore &store, int row)
{
    if (row < 0)
        return kUnchanged;
    if (row == 0)
        return show(StrId::Prompt61469);
    switch (store.gatewayType) {
    case 0: {
        static constexpr StrId kDeviceNet[] = {StrId::Prompt61470, StrId::Prompt61471,
                                               StrId::Prompt61472, StrId::Prompt61473};
        return row <= 4 ? show(kDeviceNet[row - 1]) : kEmpty;
    }
    case 1:
    case 3:
        if (row == 1)
            return show(StrId::Prompt61474);
        if (row == 2)
            return show(StrId::Prompt61475);
        if (row <= 4)
            return profibusRow3Or4(store, row);
        return kEmpty;
    case 5:
    case 6:
        if (row == 1)
            return show(StrId::Prompt61474);
        if (row == 2)
            return show(StrId::Prompt61475);
        if (row == 3 && firstSubnetIs(store, StrId::ProtocolUserConfig))
            return show(StrId::Prompt61476);
        return kEmpty;
    case 4:
        return kEmpty;
    default:
        // Type 2 has no fieldbus rows beyond the protocol; unknown types are treated alike.
        return kUnchanged;
    }
}

PromptChoice subnetPrompt(const ConfigStore &store, int row)
{
    const bool serialProfibus = isSerialProfibusType(store.gatewayType);
    switch (row) {
    case 0: return show(StrId::Prompt61480);
    case 1: return show(store.modelFlag3 ? StrId::Prompt61482 : StrId::Prompt61481);
    case 2: return show(StrId::Prompt61483);
    case 3: return show(StrId::Prompt61484);
    case 4: return show(StrId::Prompt61485);
    case 5: return show(StrId::Prompt61486);
    case 6: return show(StrId::Prompt61487);
    case 7: return show(StrId::Prompt61488);
    case 8: return show(StrId::Prompt61489);
    case 9: return show(StrId::Prompt61490);
    case 10: return show(StrId::Prompt61491);
    case 11: return show(StrId::Prompt61492);
    case 12:
        if (store.modelFlag2)
            return show(StrId::Prompt61494);
        if (serialProfibus)
            return show(firstSubnetIs(store, StrId::ProtocolModbusMaster) ? StrId::Prompt61749
                                                                          : StrId::Prompt61493);
        return kUnchanged;
    case 13:
        if (store.modelFlag2)
            return show(StrId::Prompt61496);
        return serialProfibus ? show(StrId::Prompt61495) : kUnchanged;
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19: {
        static constexpr StrId kUserConfigRows[] = {StrId::Prompt61497, StrId::Prompt61498,
                                                    StrId::Prompt61499, StrId::Prompt61500,
                                                    StrId::Prompt61501, StrId::Prompt61502};
        return serialProfibus ? show(kUserConfigRows[row - 14]) : kUnchanged;
    }
    case 20: return store.modelFlag7 ? show(StrId::Prompt61765) : kUnchanged;
    case 21: return store.modelFlag7 ? show(StrId::Prompt61766) : kUnchanged;
    default: return kUnchanged;
    }
}

PromptChoice commandPrompt(const ConfigStore &store, int row)
{
    switch (row) {
    case 0: return show(StrId::Prompt61504);
    case 1: return show(StrId::Prompt61505);
    case 2: return show(StrId::Prompt61506);
    case 3:
        if (store.modelFlag4)
            return show(StrId::Prompt61507);
        if (store.modelFlag7 && store.fileVersion >= 500)
            return show(StrId::Prompt61510);
        return show(StrId::Prompt61509);
    case 4: return show(store.modelFlag4 ? StrId::Prompt61511 : StrId::Prompt61512);
    case 5: return show(StrId::Prompt61513);
    case 6: return kEmpty;
    case 7:
        if (store.gatewayType == 3)
            return show(StrId::Prompt61516);
        return show(store.modelFlag1 ? StrId::Prompt61514 : StrId::Prompt61515);
    case 8: return kEmpty;
    case 9: return show(StrId::Prompt61517);
    default: return kUnchanged;
    }
}

} // namespace

PromptChoice choosePrompt(const ConfigStore &store, ItemKind kind, int row)
{
    switch (kind) {
    case ItemKind::Fieldbus: return fieldbusPrompt(store, row);
    case ItemKind::Subnet: return subnetPrompt(store, row);
    case ItemKind::Node: return row == 0 ? show(StrId::Prompt61503) : kUnchanged;
    case ItemKind::Command: return commandPrompt(store, row);
    case ItemKind::None: break;
    }
    return kUnchanged;
}

} // namespace tqv
