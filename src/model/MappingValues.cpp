#include "MappingValues.h"

#include "model/ByteBuffer.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cstdio>

namespace tqv {

std::optional<long> mappingAddressValue(const std::string &text)
{
    constexpr long kMax = 0x7FFFFFFF;
    long value = 0;
    bool any = false;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        any = true;
        value = std::min(kMax, value * 16 + digit);
    }
    if (!any)
        return std::nullopt;
    return value;
}

bool isVacant(const std::string &text) { return text.empty() || text == "-1"; }

std::string mappingAddressText(long address)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%lX", static_cast<unsigned long>(address < 0 ? 0 : address));
    return buffer;
}

int usedCommands(const CONFIG &subnet) { return std::clamp(subnet.commandCount, 0, kMaxCommands); }

bool isModbusMaster(const CONFIG &subnet) { return subnet.protocol == text(StrId::ProtocolModbusMaster); }

} // namespace tqv
