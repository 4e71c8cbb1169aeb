// The program-wide serial settings: the baud-rate defaults by gateway type, the port list and
// names typed by the user, first use, the port parameters, opening names and failure messages.
#include "serial/SerialSettings.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

class SerialSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(Language::English); }
    void TearDown() override { setLanguage(Language::English); }
    SerialSettings s;
};

TEST_F(SerialSettingsTest, RebuildingTheListAppliesTheBaudDefaultOfTheType)
{
    const std::pair<std::uint32_t, int> types[] = {{0, 6}, {1, 6}, {2, 7}, {3, 6}, {4, 6}, {5, 6}, {6, 6}};
    for (const auto &[type, baud] : types) {
        s.baudIndex = 3;
        rebuildPortList(s, {"COM1", "COM3"}, type);
        EXPECT_EQ(s.baudIndex, baud) << type;
        EXPECT_EQ(portParameters(s).baudRate, baud == 7 ? 115200 : 19200) << type;
    }
    EXPECT_EQ(s.ports, (std::vector<std::string>{"COM1", "COM3"}));
    // The list is emptied first, not added to.
    rebuildPortList(s, {"ttyS0"}, 3);
    EXPECT_EQ(s.ports, (std::vector<std::string>{"ttyS0"}));
    rebuildPortList(s, {}, 3);
    EXPECT_TRUE(s.ports.empty());
}

TEST_F(SerialSettingsTest, FirstCreationOfTheDialogSetsTheBaudRateOnce)
{
    const std::tuple<std::uint32_t, int, int> cases[] = {
        // type, baud before, baud after
        {0, 7, 6}, {1, 7, 6}, {3, 7, 6}, {2, 6, 7}, {4, 3, 3}, {5, 3, 3}, {6, 3, 3},
    };
    for (const auto &[type, before, after] : cases) {
        SerialSettings fresh;
        fresh.baudIndex = before;
        noteSettingsDialogCreated(fresh, type);
        EXPECT_EQ(fresh.baudIndex, after) << type;
        EXPECT_TRUE(fresh.dialogCreated);
        fresh.baudIndex = before;
        noteSettingsDialogCreated(fresh, type);
        EXPECT_EQ(fresh.baudIndex, before) << type << ": only the first creation";
    }
}

TEST_F(SerialSettingsTest, TypedPortNamesJoinTheListAndSurviveARebuild)
{
    rebuildPortList(s, {"ttyS0", "ttyUSB0"}, 3);
    EXPECT_EQ(portIndexForName(s, "ttyUSB0"), 1);
    EXPECT_EQ(portIndexForName(s, "/dev/pts/7"), 2);
    EXPECT_EQ(s.ports.back(), "/dev/pts/7");
    EXPECT_EQ(portIndexForName(s, "/dev/pts/7"), 2); // not added twice
    EXPECT_EQ(portIndexForName(s, ""), -1);
    rebuildPortList(s, {"ttyS0"}, 3);
    EXPECT_EQ(s.ports, (std::vector<std::string>{"ttyS0", "/dev/pts/7"}));
    // A typed name the system now lists is not doubled.
    rebuildPortList(s, {"/dev/pts/7", "ttyS0"}, 3);
    EXPECT_EQ(s.ports, (std::vector<std::string>{"/dev/pts/7", "ttyS0"}));
}

TEST_F(SerialSettingsTest, FirstUseShowsTheDialogOnce)
{
    int shown = 0;
    const auto show = [&shown] { ++shown; };
    confirmSettingsOnFirstUse(s, show);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(s.confirmed); // whichever button closed it
    confirmSettingsOnFirstUse(s, show);
    EXPECT_EQ(shown, 1);

    // Settings accepted with OK count as confirmed.
    SerialSettings confirmed;
    acceptSettings(confirmed, SerialChoice{1, 6, 0, 0, 0});
    EXPECT_EQ(confirmed.portIndex, 1);
    confirmSettingsOnFirstUse(confirmed, show);
    EXPECT_EQ(shown, 1);
}

TEST_F(SerialSettingsTest, PortForTransfer)
{
    EXPECT_FALSE(portForTransfer(s)); // empty list: no port
    rebuildPortList(s, {"COM1", "COM2", "COM10"}, 3);
    s.portIndex = -1;
    EXPECT_EQ(*portForTransfer(s), "COM1");
    EXPECT_EQ(s.portIndex, 0);
    s.portIndex = 2;
    EXPECT_EQ(*portForTransfer(s), "COM10");
    // An index the list no longer reaches (it was rebuilt shorter) falls back to the first port.
    rebuildPortList(s, {"COM1"}, 3);
    EXPECT_EQ(*portForTransfer(s), "COM1");
    EXPECT_EQ(s.portIndex, 0);
}

TEST_F(SerialSettingsTest, PortParametersFromTheIndexes)
{
    const std::tuple<int, int, int, int, PortParameters> cases[] = {
        {0, 0, 0, 0, {300, 8, Parity::None, 1}},
        {4, 1, 1, 1, {4800, 7, Parity::Odd, 2}},
        {5, 2, 2, 0, {9600, 6, Parity::Even, 1}},
        {7, 3, 3, 1, {115200, 5, Parity::Mark, 2}},
        {6, 4, 0, 0, {19200, 8, Parity::Space, 1}},
        // Out of range counts as the first choice.
        {8, 5, 4, 2, {300, 8, Parity::None, 1}},
        {-1, -1, -1, -1, {300, 8, Parity::None, 1}},
    };
    for (const auto &[baud, parity, data, stop, expected] : cases) {
        SerialSettings x;
        x.baudIndex = baud;
        x.parityIndex = parity;
        x.dataBitsIndex = data;
        x.stopBitsIndex = stop;
        EXPECT_EQ(portParameters(x), expected) << baud << parity << data << stop;
    }
    // Untouched settings run the port at 19200 baud, 8 data bits, no parity, one stop bit.
    EXPECT_EQ(portParameters(SerialSettings{}), (PortParameters{19200, 8, Parity::None, 1}));
}

TEST_F(SerialSettingsTest, DeviceNamespacePrefixOnlyForLongWindowsNames)
{
    const std::tuple<const char *, PortNaming, const char *> cases[] = {
        {"COM10", PortNaming::Windows, "\\\\.\\COM10"},
        {"COM255", PortNaming::Windows, "\\\\.\\COM255"},
        {"COM9", PortNaming::Windows, "COM9"},
        {"COM1", PortNaming::Windows, "COM1"},
        {"\\\\.\\COM12", PortNaming::Windows, "\\\\.\\COM12"},
        {"COM10", PortNaming::Posix, "COM10"},
        {"ttyUSB0", PortNaming::Posix, "ttyUSB0"},
        {"/dev/pts/3", PortNaming::Posix, "/dev/pts/3"},
    };
    for (const auto &[name, naming, expected] : cases)
        EXPECT_EQ(portOpenName(name, naming), expected) << name;
    EXPECT_EQ(portOpenName("ttyUSB0"), "ttyUSB0"); // this platform's naming
}

TEST_F(SerialSettingsTest, OpenFailureMessages)
{
    const std::tuple<PortOpenFailure, ErrorCode, const char *> cases[] = {
        {PortOpenFailure::NoPort, ErrorCode::SerialNoPort, "Failed to find serial port"},
        {PortOpenFailure::Open, ErrorCode::SerialPortOpen, "PortCOM3Open failed!"},
        {PortOpenFailure::ReadSettings, ErrorCode::SerialPortRead, "Failing in reading serial port"},
        {PortOpenFailure::WriteSettings, ErrorCode::SerialPortSettings, "Error\xC2\xA3\xC2\xA1"
                                                                        "Com port can not be opened!"},
    };
    for (const auto &[failure, code, message] : cases) {
        const Error e = portOpenError(failure, "COM3");
        EXPECT_EQ(e.code, code);
        EXPECT_EQ(e.message, message);
    }
    // The port name is put in as it is, never interpreted.
    EXPECT_EQ(portOpenError(PortOpenFailure::Open, "%s%d").message, "Port%s%dOpen failed!");
    setLanguage(Language::Chinese);
    EXPECT_NE(portOpenError(PortOpenFailure::Open, "COM3").message.find("COM3"), std::string::npos);
}

} // namespace
} // namespace tqv
