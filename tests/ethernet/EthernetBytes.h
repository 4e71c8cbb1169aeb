#pragma once
// Hand-written bytes of the Ethernet link for the tests: every value is spelled out byte by byte
// at its offset, so a fault in the program's own big-endian writer or reader cannot hide here.
#include "support/FakeSerialLink.h"

#include <initializer_list>
#include <string>

namespace tqv {

// Places `values` into `target` from `offset` on (growing it with zeros when needed).
inline void put(std::string &target, std::size_t offset, std::initializer_list<int> values)
{
    if (target.size() < offset + values.size())
        target.resize(offset + values.size(), '\0');
    for (int v : values)
        target[offset++] = static_cast<char>(v);
}

// A 68-byte search reply: command 3, firmware, MAC, IP and permission at their offsets (24, 28,
// 36, 64), everything else zero.
inline std::string searchReply(std::initializer_list<int> firmware4, std::initializer_list<int> mac6,
                               std::initializer_list<int> ip4, std::initializer_list<int> permission4)
{
    std::string r(68, '\0');
    put(r, 0, {0, 0, 0, 3, 0, 0, 0, 60});
    put(r, 24, firmware4);
    put(r, 28, mac6);
    put(r, 36, ip4);
    put(r, 64, permission4);
    return r;
}

inline std::string gatewayReply(int lastOctet, int permission = 1)
{
    return searchReply({0, 1, 0, 10}, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, lastOctet}, {192, 168, 0, lastOctet},
                       {0, 0, 0, permission});
}

} // namespace tqv
