#include "model/ModelProfile.h"
#include "resources/Strings.h"
#include <gtest/gtest.h>

namespace tqv {
namespace {

// Every type with no model variant and with each one alone: the profile agrees with what the
// store itself makes of that type and those flags.
TEST(ModelProfile, AgreesWithTheStoreOfEveryTypeAndVariant)
{
    for (std::uint32_t type = 0; type < kGatewayTypeCount; ++type)
        for (int flag = 0; flag <= 7; ++flag) {
            ModelFlags flags{};
            if (flag > 0)
                flags[static_cast<std::size_t>(flag - 1)] = true;
            ConfigStore s;
            s.setTypeAndFlags(type, flags);
            const ModelProfile p = profileOf(s);
            SCOPED_TRACE(testing::Message() << "type " << type << " modelFlag" << flag);

            int labels = 0;
            for (const auto &label : p.subnetLabels)
                labels += label.has_value();
            EXPECT_EQ(labels, p.subnetCount);
            EXPECT_EQ(p.fieldbusLabel.has_value(), p.fieldbus != FieldbusKind::None);
            static const std::pair<FieldbusKind, StrId> kTexts[] = {{FieldbusKind::DeviceNet, StrId::FieldbusDeviceNet},
                                                                    {FieldbusKind::Profibus, StrId::FieldbusProfibus},
                                                                    {FieldbusKind::Ethernet, StrId::FieldbusEtherNetIp}};
            for (const auto &[kind, id] : kTexts)
                if (p.fieldbus == kind)
                    EXPECT_EQ(s.fieldbus.fieldbusType, text(id));
            EXPECT_EQ(p.dataFilterVocabulary, s.newCommandDataFormat() == text(StrId::FormatFullword));
            if (p.preset == PresetProtocol::UserConfig || p.userConfigModel)
                EXPECT_EQ(s.subnet(0).protocol, text(StrId::ProtocolUserConfig));
            else if (p.preset == PresetProtocol::ModbusSlave)
                EXPECT_EQ(s.subnet(0).protocol, text(StrId::ProtocolModbusSlave));
            // What File > New and `new --help` say of the model is what the store makes of it.
            const ModelFacts facts = modelFacts(p);
            EXPECT_EQ(facts.firstSubnet, s.subnet(0).protocol);
            EXPECT_EQ(facts.subnets, std::to_string(p.subnetCount));
            EXPECT_EQ(facts.fieldbus, p.fieldbus == FieldbusKind::None ? text(StrId::NewModelNoFieldbus)
                                                                        : s.fieldbus.fieldbusType);
            EXPECT_NE(p.serialConnection, p.ethernetConnection);
            EXPECT_EQ(p.ethernetConnection, p.fieldbus == FieldbusKind::Ethernet);
            // The identity a gateway reports names this type unless the model reports the Ethernet one.
            EXPECT_EQ(p.serialIdentityType == type, !p.reportsEthernetType || p.ethernetConnection);
        }
}

TEST(ModelProfile, MonitorLinkAndLineSettings)
{
    struct Case {
        std::uint32_t type;
        int flag; // the one model flag set, 0 for none
        bool offered;
        MonitorLinkKind firmware5, firmware4;
    };
    using L = MonitorLinkKind;
    const Case cases[] = {
        {3, 7, true, L::Framed, L::RecordSerial},       {3, 0, true, L::RecordSerial, L::RecordSerial},
        {4, 0, true, L::Udp, L::Udp},                   {4, 2, true, L::RecordSerial, L::RecordSerial},
        {4, 7, true, L::Framed, L::Udp},                {1, 0, false, L::RecordSerial, L::RecordSerial},
        {1, 2, true, L::RecordSerial, L::RecordSerial}, {3, 3, false, L::RecordSerial, L::RecordSerial},
    };
    for (const Case &c : cases) {
        ModelFlags flags{};
        if (c.flag > 0)
            flags[static_cast<std::size_t>(c.flag - 1)] = true;
        const ModelProfile p = profileOf(c.type, flags);
        SCOPED_TRACE(testing::Message() << "type " << c.type << " modelFlag" << c.flag);
        EXPECT_EQ(p.monitorIoData, c.offered);
        EXPECT_EQ(p.monitorLink(true), c.firmware5);
        EXPECT_EQ(p.monitorLink(false), c.firmware4);
    }
    EXPECT_EQ(monitorLineSettings(L::Framed).baudRate, 19200);
    EXPECT_EQ(monitorLineSettings(L::RecordSerial).baudRate, 115200);
    EXPECT_EQ(monitorLineSettings(L::Udp).baudRate, 0);
}

} // namespace
} // namespace tqv
