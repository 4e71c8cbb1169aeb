// Chinese resource set: the same ids as the English set, our own translation.
// Every text must be representable in GBK, the code page of Chinese project files.
#include "Strings.h"

namespace tqv {

const std::vector<StringEntry> &chineseStrings()
{
    static const std::vector<StringEntry> table = {
        {StrId::Enable, "启用"},
        {StrId::Disable, "禁用"},
        {StrId::ProtocolModbusMaster, "Modbus主站"},
        {StrId::ProtocolModbusSlave, "Modbus从站"},
        {StrId::ProtocolUserConfig, "用户配置"},
        {StrId::ProtocolSelfDefining, "自定义协议"},
        {StrId::ParityNone, "无校验"},
        {StrId::ParityOdd, "奇校验"},
        {StrId::ParityEven, "偶校验"},
        {StrId::ParityMark, "标记校验"},
        {StrId::ParitySpace, "空格校验"},
        {StrId::OutputCycle, "周期输出"},
        {StrId::OutputForbidden, "禁止输出"},
        {StrId::OutputChangeOfValue, "变化输出"},
        {StrId::OutputPulse, "脉冲输出"},
        {StrId::FrameCharTimeout, "字符超时"},
        {StrId::FrameLength, "帧长度"},
        {StrId::TimeoutClearData, "清除数据"},
        {StrId::TimeoutHoldData, "保持数据"},
        {StrId::Bytes, "字节"},
        {StrId::DeviceNetBaud125K, "125K"},
        {StrId::DeviceNetBaud250K, "250K"},
        {StrId::DeviceNetBaud500K, "500K"},
        {StrId::DeviceNetBaudAuto, "自动侦测"},
        {StrId::ProfibusUseBytesSelection, "字节选择方式"},
        {StrId::ProfibusInputConfigData, "输入配置数据"},
        {StrId::IpManualAssign, "手动分配"},
        {StrId::ScanQuick, "快速扫描"},
        {StrId::ScanSlow, "慢速扫描"},
        {StrId::FormatNonExchange, "不交换"},
        {StrId::FormatDoubleByteExchange, "双字节交换"},
        {StrId::FormatFourByteExchange, "四字节交换"},
        {StrId::FormatFullword, "全字"},
        {StrId::FormatHighByte, "高字节"},
        {StrId::FormatLowByte, "低字节"},
        {StrId::CheckCrc, "CRC"},
        {StrId::CheckLrc, "LRC"},
        {StrId::NodeNewName, "新节点"},
        {StrId::NodeNamePrefix, "节点-"},
        {StrId::FieldbusDeviceNet, "DeviceNet"},
        {StrId::FieldbusProfibus, "Profibus"},
        {StrId::FieldbusEtherNetIp, "EtherNet/IP"},

        {StrId::MsgNodeLimit, "节点数量超出上限！"},
        {StrId::MsgCommandLimit, "命令数量超出上限！"},
        {StrId::MsgFileOpenFailed, "无法打开文件“%s”。"},
        {StrId::MsgFileReadFailed, "“%s”不是可读取的TQV-580工程文件：%s。"},
        {StrId::MsgFileSaveFailed, "无法保存文件“%s”：%s。原文件未被改动。"},
        {StrId::MsgFileEmpty, "文件“%s”是空的。"},
        {StrId::ReasonTruncated, "文件提前结束（第%u字节）"},
        {StrId::ReasonWrongClass, "发现了类“%s”的记录，此处应为“%s”（第%u字节）"},
        {StrId::ReasonWrongSchema, "记录类“%s”的版本为%u而不是1（第%u字节）"},
        {StrId::ReasonNullTag, "缺少一条记录（第%u字节为空标记）"},
        {StrId::ReasonBadTag, "发现未知的记录标记0x%s（第%u字节）"},
        {StrId::ReasonCountOutOfRange, "子网%u的%s为%s，超出0到128的范围（第%u字节）"},
        {StrId::ReasonUnencodable, "文本“%s”无法用本语言的代码页写入"},
        {StrId::ReasonWriteError, "磁盘拒绝写入数据（%s）"},

        {StrId::CliUsage,
         "用法：\n"
         "  tqv580-cli [--lang en|zh] [--yes] new [--type N] [--flags 1,4,7] -o 文件\n"
         "  tqv580-cli [--lang en|zh] show 文件 [--json]\n"
         "  tqv580-cli [--lang en|zh] convert 输入 输出      （按扩展名在 .tqv 与 .json 之间转换）\n"},
        {StrId::CliUnknownOption, "未知或不完整的选项“%s”。"},
        {StrId::CliJsonSyntax, "“%s”不是有效的JSON：%s"},
        {StrId::CliJsonUnknownField, "未知字段“%s”。"},
        {StrId::CliJsonMissingField, "缺少字段“%s”。"},
        {StrId::CliJsonWrongType, "字段“%s”必须是%s。"},
        {StrId::CliJsonTooMany, "字段“%s”有%s项，最多允许128项。"},
        {StrId::CliJsonWrongLength, "字段“%s”必须正好有%s项。"},
        {StrId::CliUnknownExtension, "“%s”的扩展名必须是.tqv或.json。"},
        {StrId::CliBadType, "网关类型“%s”必须是0到6之间的数字。"},
        {StrId::CliBadFlags, "型号标志“%s”必须是以逗号分隔的1到7之间的数字。"},
        {StrId::CliWritten, "已写入：%s"},
        {StrId::CliShowGatewayType, "网关类型"},
        {StrId::CliShowModelFlags, "型号标志"},
        {StrId::CliShowFileVersion, "文件版本"},
        {StrId::CliShowFieldbus, "现场总线"},
        {StrId::CliShowSubnet, "子网%s"},
        {StrId::CliShowNodes, "节点"},
        {StrId::CliShowCommands, "命令"},
    };
    return table;
}

} // namespace tqv
