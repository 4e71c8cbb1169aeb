#pragma once

#include "ByteLink.h"

#include <cstdint>
#include <string>

namespace tqv {

// A TCP connection to a gateway: a byte link that is opened by address and port.
class StreamLink : public ByteLink {
public:
    // Connects within `timeout`; false when the peer refused or did not answer in time.
    virtual bool connectTo(const std::string &address, std::uint16_t port, Millis timeout) = 0;
    virtual void close() = 0;
};

} // namespace tqv
