// Prompt-pane explanations (English set).
// Kept word for word, oddities included: the backslashes, stray quotes, trailing blanks and the
// "¡¢" pairs are part of the texts users know, so they are not tidied up.
#include "Strings.h"

namespace tqv {

const std::vector<StringEntry> &englishPromptStrings()
{
    static const std::vector<StringEntry> table = {
        {StrId::Prompt61469, "Connect to Fieldbus"},
        {StrId::Prompt61470, "DeviceNet Address"},
        {StrId::Prompt61471, "DeviceNet Baud rate"},
        {StrId::Prompt61472,
         "DeviceNet most input-bytes, RB-47 and RB-470 most input-bytes are 160,input + output <240"},
        {StrId::Prompt61473,
         "DeviceNet most output-bytes, RB-47 and RB-470 most output-bytes are 112, input + output <240"},
        {StrId::Prompt61474, "Size of PROFIBUS DP Input buffer"},
        {StrId::Prompt61475, "Size of PROFIBUS DP Output buffer"},
        {StrId::Prompt61476,
         "When the protocol type is\\\"Universal\\\",Profibus inputting effective data is effective. \r\n"
         " Open:The first byte of Profibus input-data show the length of reciving data frames"},
        {StrId::Prompt61477,
         "When a Modbus read commands two times in a row without receipt of the correct response, setting the read command corresponding to the Profibus input data to zero. Selection of \r\n"
         " \\ \" open\", this feature \\ \r\n"
         " \\ \" selection effect; closed \\ \", this feature is not used. \n"},
        {StrId::Prompt61478,
         "The Profibus configuration in two ways: using the number of bytes to choose, enter configuration data"},
        {StrId::Prompt61479,
         "Format such as: D1 E1\n"
         " the above example has 2 bytes, can be up to 8 bytes"},
        {StrId::Prompt61480,
         "There are three protocols that you can select: Modbus Master, Modbus Slave, and User Config.\r\n"
         " If communication protocol of your device is not Modbus you can choose the \"User Config\""},
        {StrId::Prompt61481,
         "This parameter is used to setting Baud Rate of Modbus. The range of the parameter value is 300 to 115200.\r\n"
         " Default value is 19200."},
        {StrId::Prompt61482, "Baud rate"},
        {StrId::Prompt61483, "The number of data bits of every byte"},
        {StrId::Prompt61484, "Parity check mode"},
        {StrId::Prompt61485, "The number of stop bits"},
        {StrId::Prompt61486,
         "When you select \"Modbus Slave\", this parameter can be modified and is the gateway' address as Modbus slave.\r\n"
         " The range of the parameter value is 0 to 247.   "},
        {StrId::Prompt61487,
         "When data accord Modbus protocol, there are two communication modes:RTU and ASCII"},
        {StrId::Prompt61488,
         "After the gateway sends request, it waits the Modbus slave' response for max time which is in ms.\r\n"
         " The range of the parameter value is 300 to 60000ms. "},
        {StrId::Prompt61489,
         "Delay between polls means delay between a response has been received and sending next request. \r\n"
         "The range of the parameter value is 0 to 2500ms. "},
        {StrId::Prompt61490,
         "There are three type of output: \r\n"
         "Cycle: the write command will be sent periodically;\r\n"
         "Forbidden: The gateway will not send write command;\r\n"
         "Change of Value: when the output data change, the write command will be sent;"},
        {StrId::Prompt61491,
         "When the polling mode of output command is pulse output,the time span of output command"},
        {StrId::Prompt61492,
         "Scan Rate is ratio of fast scan to slow scan. Every Modbus command can be set to fast scan or slow scan. \r\n"
         "If this parameter value is set to 10 then every fast scan command will be sent 10 times and those slow commands will be sent \r\n"
         "once. "},
        {StrId::Prompt61493,
         "In \"User Config\" mode, There are two methods to deciding whether a frame is terminated or not. "},
        {StrId::Prompt61494, "Choose for communication interface"},
        {StrId::Prompt61495,
         "In \"User Config\" mode, it is maximum time interval between characters and used to decide whether a frame is terminated or not."},
        {StrId::Prompt61496, "Choose for debug interface"},
        {StrId::Prompt61497,
         "In \"User Config\" mode, it is the length of a frame and used to decide whether a frame is terminated or not."},
        {StrId::Prompt61498,
         "When you enable auto sending, the gateway will send data periodically according to the \"Period of Auto Sending\". \r\n"
         "If you disable auto sending the gateway will not send data until the data is changed."},
        {StrId::Prompt61499, "When enable Auto Sending it will be valid and can be modified"},
        {StrId::Prompt61500,
         "In \"User Config\" mode, you can use the CRC check. The CRC check will not appear in PROFIBUS DP'input buffer."},
        {StrId::Prompt61501, "Choose for communication interface"},
        {StrId::Prompt61502, "Choose for debug interface"},
        {StrId::Prompt61503, "Modbus Slave address"},
        {StrId::Prompt61504, "Modbus Slave address"},
        {StrId::Prompt61505, "Modbus Function"},
        {StrId::Prompt61506,
         "Modbus salve Register or coils starting address. The range of the parameter value is 0 to 65535."},
        {StrId::Prompt61507,
         "The number of data: 1-84 (Modbus functional code 3¡¢4¡¢16):\r\n"
         "; 1-400( Modbus functional code 1¡¢2¡¢15)"},
        {StrId::Prompt61509,
         "The number of data: 1-56 (Modbus functional code 3,4,16);\r\n"
         " 1-400 (Modbus functional code 1,2,15) "},
        {StrId::Prompt61510,
         "The number of data: 1-122 (Modbus functional code 3,4,16);\r\n"
         " 1-400 (Modbus functional code 1,2,15) "},
        {StrId::Prompt61511,
         "The address range of data mapping in the module memory\n"
         "KV305 range:\r\n"
         "  Read command:0x0000~0x00A7\r\n"
         "  Write command:0x4000~0x40A7\r\n"
         "users can click on \"Automatic calculation of mapping address\" to let the software calculation"},
        {StrId::Prompt61512,
         "There are two buffers in the gateway, one is input buffer and the other is output buffer. \r\n"
         "Here the mapping address refer to the two buffers' address, it base zero."},
        {StrId::Prompt61513,
         "When reading or writing a coil or a input status its value will be mapping into one bit of input or output buffer."},
        {StrId::Prompt61514,
         "When reading or writing a register you can map a whole register into two bytes of buffer, \r\n"
         "or you can also map part of a register into one byte of buffer."},
        {StrId::Prompt61515,
         "There are there kinds of type: Non-exchange, Double-byte-exchange, Four-byte-exchange\r\n"
         "  The byte displaycommand of Modbus and Profibus-DP is (MSB) being preferential, The byte displaycommand of DeviceNet is (LSB) being preferential\r\n"
         "  Users need exchange the byte displaycommand to get correct value."},
        {StrId::Prompt61516,
         "When reading or writing a register you can map a whole register into two bytes of buffer, \r\n"
         "or you can also map part of a register into one byte of buffer."},
        {StrId::Prompt61517,
         "Every Modbus command can be set to fast scan or slow scan. The gateway will send Modbus command according to the\r\n"
         " \"Scan Rate\". Scan Rate is ratio of fast scan to slow scan."},
        {StrId::Prompt61747,
         "When a Read Command's successive response timeout for N times, the gateway will clear input data (PROFIBUS DP) \r\n"
         "of the corresponding Read Command if you select \"Clear Data\". And if you select \"Hold Data\" the gateway will hold input \r\n"
         "data (PROFIBUS DP) of the corresponding Read Command."},
        {StrId::Prompt61748,
         "When you select \"Clear Data\", this parameter can be modified. \r\n"
         "The range of the parameter value is 2 to 254. Default value is 3."},
        {StrId::Prompt61749,
         "It can reflect whether a Modbus command is respond correctly to PROFIBUS DP Master if you don't choose \"Disable\". \r\n"
         "Every command takes a bit of the front part of PROFIBUS DP Input buffer. \r\n"
         "If you have configured 1 to 8 Modbus commands and want to monitor every command' status you must select \"One Byte\".\r\n"
         " If you have configured 9 to 16 Modbus commands and want to monitor every command' status you must select \"Two Bytes\". \r\n"
         "And so on"},
        {StrId::Prompt61765,
         "This is an advance parameter. Default value is zero. If slave is always timeout you can increase the value of the parameter."},
        {StrId::Prompt61766,
         "This is an advance parameter. Default value is zero. If Time Interval between Characters of slave does not accord to the \r\n"
         "Modbus protocol you can increase the value of the parameter."},
    };
    return table;
}

} // namespace tqv
