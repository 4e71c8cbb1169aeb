// Prompt-pane explanations (Chinese set): our own translation, same ids as the English set.
// Line breaks sit where the English has them, so the pane lays both out alike; every text must be
// representable in GBK.
#include "Strings.h"

namespace tqv {

const std::vector<StringEntry> &chinesePromptStrings()
{
    static const std::vector<StringEntry> table = {
        {StrId::Prompt61469, "连接到现场总线"},
        {StrId::Prompt61470, "DeviceNet地址"},
        {StrId::Prompt61471, "DeviceNet波特率"},
        {StrId::Prompt61472, "DeviceNet最大输入字节数，RB-47和RB-470最大输入字节数为160，输入+输出<240"},
        {StrId::Prompt61473, "DeviceNet最大输出字节数，RB-47和RB-470最大输出字节数为112，输入+输出<240"},
        {StrId::Prompt61474, "PROFIBUS DP输入缓冲区大小"},
        {StrId::Prompt61475, "PROFIBUS DP输出缓冲区大小"},
        {StrId::Prompt61476,
         "协议类型为“用户配置”时，Profibus输入数据有效长度设置有效。\r\n"
         "打开：Profibus输入数据的第一个字节表示接收到的数据帧长度"},
        {StrId::Prompt61477,
         "Modbus读命令连续两次未收到正确响应时，将该读命令对应的Profibus输入数据清零。\r\n"
         "选择“打开”时此功能生效；\r\n"
         "选择“关闭”时不使用此功能。\n"},
        {StrId::Prompt61478, "Profibus组态有两种方式：按字节数选择，或输入组态数据"},
        {StrId::Prompt61479,
         "格式如：D1 E1\n"
         "上例为2个字节，最多可输入8个字节"},
        {StrId::Prompt61480,
         "可选择三种协议：Modbus主站、Modbus从站和用户配置。\r\n"
         "如果设备的通信协议不是Modbus，可以选择“用户配置”"},
        {StrId::Prompt61481,
         "此参数用于设置Modbus的波特率，取值范围为300到115200。\r\n"
         "默认值为19200。"},
        {StrId::Prompt61482, "波特率"},
        {StrId::Prompt61483, "每个字节的数据位数"},
        {StrId::Prompt61484, "奇偶校验方式"},
        {StrId::Prompt61485, "停止位数"},
        {StrId::Prompt61486,
         "选择“Modbus从站”时此参数可以修改，它是网关作为Modbus从站时的地址。\r\n"
         "取值范围为0到247。"},
        {StrId::Prompt61487, "数据遵循Modbus协议时，有两种通信模式：RTU和ASCII"},
        {StrId::Prompt61488,
         "网关发出请求后等待Modbus从站响应的最长时间，单位为ms。\r\n"
         "取值范围为300到60000ms。"},
        {StrId::Prompt61489,
         "轮询延时指从收到响应到发送下一条请求之间的延时。\r\n"
         "取值范围为0到2500ms。"},
        {StrId::Prompt61490,
         "输出方式有三种：\r\n"
         "周期输出：周期性地发送写命令；\r\n"
         "禁止输出：网关不发送写命令；\r\n"
         "变化输出：输出数据变化时发送写命令；"},
        {StrId::Prompt61491, "输出命令的轮询方式为脉冲输出时，输出命令的时间宽度"},
        {StrId::Prompt61492,
         "扫描比率是快速扫描与慢速扫描之比。每条Modbus命令都可以设为快速扫描或慢速扫描。\r\n"
         "若此参数设为10，则每条快速扫描命令发送10次后，慢速扫描命令发送\r\n"
         "一次。"},
        {StrId::Prompt61493, "在“用户配置”模式下，有两种判断一帧是否结束的方法。"},
        {StrId::Prompt61494, "选择通信接口"},
        {StrId::Prompt61495, "在“用户配置”模式下，指字符之间的最大时间间隔，用于判断一帧是否结束。"},
        {StrId::Prompt61496, "选择调试接口"},
        {StrId::Prompt61497, "在“用户配置”模式下，指一帧的长度，用于判断一帧是否结束。"},
        {StrId::Prompt61498,
         "启用自动发送时，网关按“自动发送周期”周期性地发送数据。\r\n"
         "禁用自动发送时，网关只在数据变化时才发送数据。"},
        {StrId::Prompt61499, "启用自动发送时此项有效，可以修改"},
        {StrId::Prompt61500, "在“用户配置”模式下可以使用CRC校验，CRC校验码不会出现在PROFIBUS DP输入缓冲区中。"},
        {StrId::Prompt61501, "选择通信接口"},
        {StrId::Prompt61502, "选择调试接口"},
        {StrId::Prompt61503, "Modbus从站地址"},
        {StrId::Prompt61504, "Modbus从站地址"},
        {StrId::Prompt61505, "Modbus功能码"},
        {StrId::Prompt61506, "Modbus从站寄存器或线圈的起始地址，取值范围为0到65535。"},
        {StrId::Prompt61507,
         "数据个数：1-84（Modbus功能码3、4、16）；\r\n"
         "1-400（Modbus功能码1、2、15）"},
        {StrId::Prompt61509,
         "数据个数：1-56（Modbus功能码3、4、16）；\r\n"
         "1-400（Modbus功能码1、2、15）"},
        {StrId::Prompt61510,
         "数据个数：1-122（Modbus功能码3、4、16）；\r\n"
         "1-400（Modbus功能码1、2、15）"},
        {StrId::Prompt61511,
         "模块内存中数据映射的地址范围\n"
         "KV305范围：\r\n"
         "  读命令：0x0000~0x00A7\r\n"
         "  写命令：0x4000~0x40A7\r\n"
         "用户可以点击“自动计算映射地址”，由软件计算"},
        {StrId::Prompt61512,
         "网关中有两个缓冲区，一个是输入缓冲区，另一个是输出缓冲区。\r\n"
         "这里的映射地址指这两个缓冲区中的地址，从零开始。"},
        {StrId::Prompt61513, "读写线圈或输入状态时，其值映射到输入或输出缓冲区的一个位。"},
        {StrId::Prompt61514,
         "读写寄存器时，可以将整个寄存器映射到缓冲区的两个字节，\r\n"
         "也可以将寄存器的一部分映射到缓冲区的一个字节。"},
        {StrId::Prompt61515,
         "有三种类型：不交换、双字节交换、四字节交换\r\n"
         "  Modbus和Profibus-DP的字节顺序为高字节（MSB）在前，DeviceNet的字节顺序为低字节（LSB）在前\r\n"
         "  用户需要交换字节顺序才能得到正确的值。"},
        {StrId::Prompt61516,
         "读写寄存器时，可以将整个寄存器映射到缓冲区的两个字节，\r\n"
         "也可以将寄存器的一部分映射到缓冲区的一个字节。"},
        {StrId::Prompt61517,
         "每条Modbus命令都可以设为快速扫描或慢速扫描。网关按照\r\n"
         "“扫描比率”发送Modbus命令。扫描比率是快速扫描与慢速扫描之比。"},
        {StrId::Prompt61747,
         "读命令连续N次响应超时时，若选择“清除数据”，网关将清零该读命令对应的输入数据（PROFIBUS DP）；\r\n"
         "若选择“保持数据”，网关将保持\r\n"
         "该读命令对应的输入数据（PROFIBUS DP）。"},
        {StrId::Prompt61748,
         "选择“清除数据”时此参数可以修改。\r\n"
         "取值范围为2到254，默认值为3。"},
        {StrId::Prompt61749,
         "若不选择“禁用”，可以向PROFIBUS DP主站反映各条Modbus命令是否得到正确响应。\r\n"
         "每条命令占用PROFIBUS DP输入缓冲区前部的一个位。\r\n"
         "若配置了1到8条Modbus命令并要监视每条命令的状态，必须选择“1字节”。\r\n"
         "若配置了9到16条Modbus命令并要监视每条命令的状态，必须选择“2字节”。\r\n"
         "依此类推"},
        {StrId::Prompt61765, "这是高级参数，默认值为零。如果从站总是超时，可以增大此参数的值。"},
        {StrId::Prompt61766,
         "这是高级参数，默认值为零。如果从站的字符间时间间隔不符合\r\n"
         "Modbus协议，可以增大此参数的值。"},
    };
    return table;
}

} // namespace tqv
