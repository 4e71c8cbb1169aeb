// English resource set. Texts are the program's own wording and must stay exactly as they are:
// stored configuration values are compared with them byte for byte.
#include "Strings.h"

namespace tqv {

const std::vector<StringEntry> &englishStrings()
{
    static const std::vector<StringEntry> table = {
        {StrId::Enable, "Enable"},
        {StrId::Disable, "Disable"},
        {StrId::ProtocolModbusMaster, "Modbus master"},
        {StrId::ProtocolModbusSlave, "Modbus slave"},
        {StrId::ProtocolUserConfig, "User Config"},
        {StrId::ProtocolSelfDefining, "Self-defining protocol"},
        {StrId::ParityNone, "None"},
        {StrId::ParityOdd, "Odd parity"},
        {StrId::ParityEven, "Even parity"},
        {StrId::ParityMark, "Mark"},
        {StrId::ParitySpace, "Space"},
        {StrId::OutputCycle, "Cycle"},
        {StrId::OutputForbidden, "Forbidden"},
        {StrId::OutputChangeOfValue, "Change of Value"},
        {StrId::OutputPulse, "Pluse output"},
        {StrId::FrameCharTimeout, "Characters timeout"},
        {StrId::FrameLength, "Frame Length"},
        {StrId::TimeoutClearData, "Clear Data"},
        {StrId::TimeoutHoldData, "Hold  Data"},
        {StrId::Bytes, "Bytes"},
        {StrId::DeviceNetBaud125K, "125K"},
        {StrId::DeviceNetBaud250K, "250K"},
        {StrId::DeviceNetBaud500K, "500K"},
        {StrId::DeviceNetBaudAuto, "Intercept automatically"},
        {StrId::ProfibusUseBytesSelection, "Use bytes selection"},
        {StrId::ProfibusInputConfigData, "Input configuration data"},
        {StrId::IpManualAssign, "Manual Assign"},
        {StrId::ScanQuick, "Quick-scan"},
        {StrId::ScanSlow, "Slow-scan"},
        {StrId::FormatNonExchange, "Non-exchange"},
        {StrId::FormatDoubleByteExchange, "Double-byte-exchange"},
        {StrId::FormatFourByteExchange, "Four-byte-exchange"},
        {StrId::FormatFullword, "Fullword"},
        {StrId::FormatHighByte, "High byte"},
        {StrId::FormatLowByte, "Low byte"},
        {StrId::CheckCrc, "CRC"},
        {StrId::CheckLrc, "LRC"},
        {StrId::NodeNewName, "New Node"},
        {StrId::NodeNamePrefix, "Node-"},
        {StrId::FieldbusDeviceNet, "DeviceNet"},
        {StrId::FieldbusProfibus, "Profibus"},
        {StrId::FieldbusEtherNetIp, "EtherNet/IP"},

        {StrId::MsgNodeLimit, "Node number go beyond the limit!"},
        {StrId::MsgCommandLimit, "Command number go beyond the limit!"},
        {StrId::MsgFileOpenFailed, "Cannot open the file \"%s\"."},
        {StrId::MsgFileReadFailed, "\"%s\" is not a readable TQV-580 project: %s."},
        {StrId::MsgFileSaveFailed, "Cannot save the file \"%s\": %s. The previous file is unchanged."},
        {StrId::MsgFileEmpty, "The file \"%s\" is empty."},
        {StrId::ReasonTruncated, "the file ends early (at byte %u)"},
        {StrId::ReasonWrongClass, "a record of class \"%s\" was found where \"%s\" was expected (at byte %u)"},
        {StrId::ReasonWrongSchema, "the record class \"%s\" has schema %u instead of 1 (at byte %u)"},
        {StrId::ReasonNullTag, "a record is missing (null tag at byte %u)"},
        {StrId::ReasonBadTag, "an unknown record tag 0x%s was found (at byte %u)"},
        {StrId::ReasonCountOutOfRange, "subnet %u has %s %s, outside 0 to 128 (at byte %u)"},
        {StrId::ReasonUnencodable, "the text \"%s\" cannot be written in this language's code page"},
        {StrId::ReasonWriteError, "the disk refused the data (%s)"},

        {StrId::CliUsage,
         "Usage:\n"
         "  tqv580-cli [--lang en|zh] [--yes] new [--type N] [--flags 1,4,7] -o FILE\n"
         "  tqv580-cli [--lang en|zh] show FILE [--json]\n"
         "  tqv580-cli [--lang en|zh] convert IN OUT      (.tqv <-> .json by extension)\n"},
        {StrId::CliUnknownOption, "Unknown or incomplete option \"%s\"."},
        {StrId::CliJsonSyntax, "\"%s\" is not valid JSON: %s"},
        {StrId::CliJsonUnknownField, "Unknown field \"%s\"."},
        {StrId::CliJsonMissingField, "Missing field \"%s\"."},
        {StrId::CliJsonWrongType, "Field \"%s\" must be %s."},
        {StrId::CliJsonTooMany, "Field \"%s\" holds %s entries; at most 128 are allowed."},
        {StrId::CliJsonWrongLength, "Field \"%s\" must hold exactly %s entries."},
        {StrId::CliUnknownExtension, "\"%s\" must end in .tqv or .json."},
        {StrId::CliBadType, "Gateway type \"%s\" must be a number from 0 to 6."},
        {StrId::CliBadFlags, "Model flags \"%s\" must be numbers from 1 to 7 separated by commas."},
        {StrId::CliWritten, "Written: %s"},
        {StrId::CliShowGatewayType, "Gateway type"},
        {StrId::CliShowModelFlags, "Model flags"},
        {StrId::CliShowFileVersion, "File version"},
        {StrId::CliShowFieldbus, "Fieldbus"},
        {StrId::CliShowSubnet, "Subnet%s"},
        {StrId::CliShowNodes, "Nodes"},
        {StrId::CliShowCommands, "Commands"},
    };
    return table;
}

} // namespace tqv
