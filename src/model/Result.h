#pragma once

#include <string>
#include <utility>
#include <variant>

namespace tqv {

// What went wrong, for callers that act on the kind of failure; the text says it to people.
enum class ErrorCode {
    NodeLimit,    // a subnet already holds its 128 nodes
    CommandLimit, // a subnet already holds its 128 commands
    FileOpen,     // the file could not be opened or is not a file that can be read
    FileEmpty,    // the file holds no bytes
    FileFormat,   // the bytes are not a project (or not the JSON form) this program reads
    FileWrite,    // writing or replacing the file failed
    NotRegularFile, // the path to write names a folder, a device or a pipe: nothing was written
    Unencodable,  // a text has no form in the file's code page
    SerialNoPort,        // no serial port is listed
    SerialPortOpen,      // the serial port cannot be opened
    SerialPortRead,      // the serial port's current settings cannot be read
    SerialPortSettings,  // the serial port refuses the settings
    ImageTooManyCommands, // a subnet holds more commands than a configuration image has slots for
    ImageMalformed,       // received configuration-image bytes that do not fit the image
    NoExportLayout,       // the configuration has no spreadsheet layout; nothing is exported
};

struct Error {
    ErrorCode code;
    std::string message; // in the active language, ready to show
};

// A value or an error. The program's own code reports failures with this instead of exceptions.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Error error) : m_data(std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T &value() const { return std::get<0>(m_data); }
    T &value() { return std::get<0>(m_data); }
    // Only when !ok().
    const Error &error() const { return std::get<1>(m_data); }
    const std::string &message() const { return error().message; }

private:
    std::variant<T, Error> m_data;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_ok(false) {}

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const Error &error() const { return m_error; }
    const std::string &message() const { return m_error.message; }

private:
    Error m_error{};
    bool m_ok = true;
};

using Status = Result<void>;

} // namespace tqv
