#include "ModelProfile.h"

#include "ConfigStore.h"
#include "resources/Strings.h"

namespace tqv {

ModelFlags modelFlagsOf(const ConfigStore &store)
{
    return {store.modelFlag1, store.modelFlag2, store.modelFlag3, store.modelFlag4,
            store.modelFlag5, store.modelFlag6, store.modelFlag7};
}

MonitorLineSettings monitorLineSettings(MonitorLinkKind link)
{
    switch (link) {
    case MonitorLinkKind::Framed:
        return {19200};
    case MonitorLinkKind::RecordSerial:
        return {115200};
    case MonitorLinkKind::Udp:
        break;
    }
    return {};
}

MonitorLinkKind ModelProfile::monitorLink(bool firmware5Up) const
{
    if (asksMonitorFirmware && firmware5Up)
        return MonitorLinkKind::Framed;
    if (fieldbus == FieldbusKind::Ethernet && !interfaceModel)
        return MonitorLinkKind::Udp;
    return MonitorLinkKind::RecordSerial;
}

namespace {

FieldbusKind fieldbusOf(std::uint32_t t)
{
    if (isDeviceNetType(t))
        return FieldbusKind::DeviceNet;
    if (isProfibusFamily(t))
        return FieldbusKind::Profibus;
    return isEthernetType(t) ? FieldbusKind::Ethernet : FieldbusKind::None;
}

void setLabels(ModelProfile &p)
{
    if (isFourSubnetType(p.gatewayType))
        p.subnetLabels = {StrId::TreeSubnet1, StrId::TreeSubnet2, StrId::TreeSubnet3, StrId::TreeSubnet4};
    else if (p.fieldbus == FieldbusKind::Ethernet) {
        p.fieldbusLabel = StrId::TreeEthernet;
        p.subnetLabels = {StrId::TreeSubnetRoman1, StrId::TreeSubnetRoman2};
    } else if (hasFieldbusItem(p.gatewayType)) {
        p.fieldbusLabel = StrId::TreeFieldbus;
        p.subnetLabels = {StrId::TreeSubnet};
    }
}

void setLimits(ModelProfile &p, const ModelFlags &f)
{
    const std::uint32_t t = p.gatewayType;
    const bool profibusOrModbus = isType(t, GatewayType::Profibus) || isType(t, GatewayType::ProfibusModbus);
    if (isFourSubnetType(t))
        p.registerQuantityLimit = 127;
    else if (isDeviceNetType(t))
        p.registerQuantityLimit = 36;
    else if (f[3])
        p.registerQuantityLimit = 84;
    else if (profibusOrModbus)
        p.registerQuantityLimit = f[6] ? 122 : 56;

    if (isFourSubnetType(t))
        p.bitQuantityLimit = 2000;
    else if (isDeviceNetType(t) || profibusOrModbus)
        p.bitQuantityLimit = 400;

    if (isDeviceNetType(t))
        p.bufferRange = {0x009F, 0x406F, kDeviceNetInputBase};
    else if (isFourSubnetType(t))
        p.bufferRange = {0x0BFF, 0x4BFF};
    else if (isEthernetType(t))
        p.bufferRange = {0x01FF, 0x41FF};
    else if (f[3]) // the PROFIBUS types (and unknown ones) by model
        p.bufferRange = {0x00A7, 0x40A7};
    else if (f[6])
        p.bufferRange = {0x00F3, 0x40DF};

    if (f[3])
        p.fixedDownloadSizes = BufferSizes{168, 168};
    else if (f[6])
        p.fixedDownloadSizes = BufferSizes{244, 244};
    if (isEthernetType(t))
        p.fixedMappingLimits = BufferSizes{kEthernetBufferSize, kEthernetBufferSize};
    else if (f[3])
        p.fixedMappingLimits = BufferSizes{168, 168};
    else if (f[6] || f[2])
        p.fixedMappingLimits = BufferSizes{244, 244};
}

} // namespace

ModelProfile profileOf(std::uint32_t t, const ModelFlags &f)
{
    ModelProfile p;
    p.gatewayType = t;
    p.known = isKnownGatewayType(t);
    p.fieldbus = fieldbusOf(t);
    p.subnetCount = subnetCountOf(t);
    setLabels(p);
    if (isType(t, GatewayType::ProfibusModbusSlave))
        p.preset = PresetProtocol::ModbusSlave;
    else if (isType(t, GatewayType::ProfibusUserConfig))
        p.preset = PresetProtocol::UserConfig;

    p.dataFilterModel = f[0];
    p.interfaceModel = f[1];
    p.userConfigModel = f[2];
    p.faultResetModel = f[3];
    p.shortDeviceNetSizes = f[4];
    p.configDataModel = f[0] || f[5];
    p.hardwareConfigModel = f[6];

    p.dataFilterVocabulary = isDataFilterType(t) || f[0];
    p.userConfigRows = hasUserConfigRows(t);
    p.profibusModbus = isType(t, GatewayType::ProfibusModbus);
    p.selfDefiningChoosable = isFourSubnetType(t);
    p.plainProfibus = isType(t, GatewayType::Profibus);
    p.fixedProfibusSizes = f[2] || f[3] || f[6];
    p.timeoutActionRows = f[6];
    p.commandStatusBytes = f[6];
    p.oneNodeOnFirstSubnet = f[3];

    p.configOverSerial = !isEthernetType(t);
    p.reportsEthernetType = f[3];
    p.serialIdentityType = f[3] ? code(GatewayType::Ethernet) : t;
    // The fault-reset model's gateway reports the Ethernet type but is the PROFIBUS one.
    p.uploadedType = f[3] && isEthernetType(t) ? code(GatewayType::Profibus) : t;
    p.fieldbusWrittenOverSerial =
        !isFourSubnetType(t) && !isType(t, GatewayType::ProfibusModbusSlave) && !f[3];
    p.profibusSizesChosen =
        (isType(t, GatewayType::Profibus) || isType(t, GatewayType::ProfibusModbus)) && !f[6];
    p.settingsDialogSetsBaud = isDeviceNetType(t) || isType(t, GatewayType::Profibus) ||
                               isType(t, GatewayType::ProfibusModbus) || isFourSubnetType(t);
    // It holds the one serial subnet the download writes to it.
    p.serialSubnetCount = f[3] ? 1 : serialSubnetCountOf(t);
    p.commandBlockSize = commandBlockSizeOf(t);
    p.fieldbusFrames = fieldbusFramesOf(t);
    p.extendedSubnetFrame = hasExtendedSubnetFrame(t) || f[1];
    p.profibusThirdByte = hasProfibusThirdByte(t) || f[1];

    setLimits(p, f);

    p.asksMonitorFirmware = f[6];
    p.serialConnection = !isEthernetType(t);
    p.ethernetConnection = isEthernetType(t);
    p.monitorIoData = (isType(t, GatewayType::ProfibusModbus) || isEthernetType(t) || f[1]) && !f[2];
    if (f[6])
        p.mappingAddress = Availability::WhileMappingCommands;
    else if (!isFourSubnetType(t) && !f[2])
        p.mappingAddress = Availability::Always;
    if (!f[2])
        p.conflictDetection = f[6] ? Availability::WhileMappingCommands : Availability::Always;
    return p;
}

ModelProfile profileOf(const ConfigStore &store) { return profileOf(store.gatewayType, modelFlagsOf(store)); }

ModelProfile profileOf(std::uint32_t gatewayType, const ConfigStore &model)
{
    return profileOf(gatewayType, modelFlagsOf(model));
}

const std::vector<ModelVariant> &modelVariants()
{
    static const std::vector<ModelVariant> variants{
        {StrId::NewVariantStandard, {false, false, false, false, false, false, true}},
        {StrId::NewVariantBasic, {}},
        {StrId::NewVariantDataFilter, {true, false, false, false, false, false, false}},
        {StrId::NewVariantInterface, {false, true, false, false, false, false, false}},
        {StrId::NewVariantUserConfig, {false, false, true, false, false, false, false}},
        {StrId::NewVariantFaultReset, {false, false, false, true, false, false, false}},
        {StrId::NewVariantShortSizes, {false, false, false, false, true, false, false}},
        {StrId::NewVariantConfigData, {false, false, false, false, false, true, false}},
    };
    return variants;
}

ModelFacts modelFacts(const ModelProfile &p)
{
    ModelFacts facts;
    switch (p.fieldbus) {
    case FieldbusKind::DeviceNet:
        facts.fieldbus = text(StrId::FieldbusDeviceNet);
        break;
    case FieldbusKind::Profibus:
        facts.fieldbus = text(StrId::FieldbusProfibus);
        break;
    case FieldbusKind::Ethernet:
        facts.fieldbus = text(StrId::FieldbusEtherNetIp);
        break;
    case FieldbusKind::None:
        facts.fieldbus = text(StrId::NewModelNoFieldbus);
        break;
    }
    facts.subnets = std::to_string(p.subnetCount);
    // What a reset leaves on subnet 1: the model's own protocol before the type's preset.
    StrId first = StrId::ProtocolModbusMaster;
    if (p.userConfigModel || p.preset == PresetProtocol::UserConfig)
        first = StrId::ProtocolUserConfig;
    else if (p.preset == PresetProtocol::ModbusSlave)
        first = StrId::ProtocolModbusSlave;
    facts.firstSubnet = text(first);
    facts.dataFormat = text(p.dataFilterVocabulary ? StrId::GridDataFilter : StrId::GridByteExchange);
    return facts;
}

} // namespace tqv
