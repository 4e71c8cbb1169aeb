#pragma once

#include "model/Result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

// Indexes of the choices of the serial settings, in the settings dialog's order.
inline constexpr std::array<const char *, 8> kBaudRateTexts = {"300", "600", "1200", "2400",
                                                              "4800", "9600", "19200", "115200"};
inline constexpr std::array<std::int32_t, 8> kBaudRates = {300, 600, 1200, 2400, 4800, 9600, 19200, 115200};
inline constexpr std::array<const char *, 4> kDataBitsTexts = {"8", "7", "6", "5"};
inline constexpr std::array<const char *, 2> kStopBitsTexts = {"1", "2"};
inline constexpr int kParityChoiceCount = 5;
inline constexpr int kBaudIndex19200 = 6;
inline constexpr int kBaudIndex115200 = 7;

// The program-wide serial settings: kept only while the program runs, never saved.
struct SerialSettings {
    // The port list: the system's ports in its enumeration order, then names the user typed
    // into the settings dialog that the system does not list (a device path, a pty).
    std::vector<std::string> ports;
    std::vector<std::string> typedPorts;
    int portIndex = 0;
    int baudIndex = kBaudIndex19200;
    int parityIndex = 0;
    int dataBitsIndex = 0;
    int stopBitsIndex = 0;
    bool confirmed = false;     // the settings dialog has been shown
    bool dialogCreated = false; // the settings dialog has been created once in this run

    bool operator==(const SerialSettings &) const = default;
};

// The parity choices of the settings dialog ("None", "Odd", "Even", "Mark", "Space") in the
// active language.
std::vector<std::string> parityChoices();

// 7 (115200) for gatewayType 2, else 6 (19200).
int defaultBaudIndex(std::uint32_t gatewayType);

// Empties the port list and fills it again from `systemPorts` (typed names follow), and applies
// the baud-rate default of `gatewayType` again. Done at start with a project and for every new
// configuration.
void rebuildPortList(SerialSettings &settings, const std::vector<std::string> &systemPorts,
                     std::uint32_t gatewayType);

// The first creation of the settings dialog in a run sets the baud rate: 19200 for types 0, 1
// and 3, 115200 for type 2 (other types keep theirs). Later creations change nothing.
void noteSettingsDialogCreated(SerialSettings &settings, std::uint32_t gatewayType);

// The choices the settings dialog's OK stores.
struct SerialChoice {
    int port = 0;
    int baud = kBaudIndex19200;
    int parity = 0;
    int dataBits = 0;
    int stopBits = 0;
};
// OK: stores the indexes and sets the confirmed flag.
void acceptSettings(SerialSettings &settings, const SerialChoice &choice);

// The index of a port named in the dialog: its place in the list, or a new place at the end for
// a name the list does not hold (remembered as typed, so that it survives a rebuild). An empty
// name gives -1 (no port).
int portIndexForName(SerialSettings &settings, std::string_view name);

// First use: before a transfer dialog or the monitor opens, unconfirmed settings are shown in
// the settings dialog first (`showDialog`); afterwards they count as confirmed either way.
void confirmSettingsOnFirstUse(SerialSettings &settings, const std::function<void()> &showDialog);

// The name of the port a transfer opens: nothing when the list is empty. An index outside the
// list (negative, or beyond a list that has since become shorter) is reset to 0.
std::optional<std::string> portForTransfer(SerialSettings &settings);

// Parity as a serial port sets it.
enum class Parity { None, Odd, Even, Mark, Space };

// What the port is set to from the stored indexes (an index outside its choices counts as 0).
struct PortParameters {
    std::int32_t baudRate = 19200;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
    bool operator==(const PortParameters &) const = default;
};
PortParameters portParameters(const SerialSettings &settings);

// How the operating system names serial devices.
enum class PortNaming { Windows, Posix };
#ifdef _WIN32
inline constexpr PortNaming kNativePortNaming = PortNaming::Windows;
#else
inline constexpr PortNaming kNativePortNaming = PortNaming::Posix;
#endif

// The name a listed port is opened by. Windows names longer than 4 characters (COM10 and up) go
// through the device namespace (\\.\COM10); COM1 to COM9, names that already carry the prefix,
// and every POSIX name (ttyUSB0, /dev/pts/3) are opened as they are.
std::string portOpenName(std::string_view listedName, PortNaming naming = kNativePortNaming);

// The ways opening a port for a transfer fails, in the order the steps run.
enum class PortOpenFailure {
    NoPort,        // the port list is empty
    Open,          // the device cannot be opened
    ReadSettings,  // its current settings cannot be read
    WriteSettings, // the settings cannot be applied
};
// The failure with its message ("Port%sOpen failed!" names the port as listed).
Error portOpenError(PortOpenFailure failure, std::string_view portName);

} // namespace tqv
