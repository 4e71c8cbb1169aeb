#pragma once

#include "Clock.h"

#include <string>
#include <string_view>

namespace tqv {

// A byte stream to a gateway: the serial port (or a pty), and the TCP connection below.
// Blocking with time limits, so a transfer procedure is straight-line code; it is used from one
// thread at a time (the worker thread that runs the procedure owns it while it runs).
class ByteLink {
public:
    virtual ~ByteLink() = default;
    // Sends all of `bytes`; false when the link refused them or is closed.
    virtual bool write(std::string_view bytes) = 0;
    // Bytes received and not yet read.
    virtual std::size_t bytesAvailable() = 0;
    // Takes every byte received so far (possibly none); never waits.
    virtual std::string readAll() = 0;
    // Waits until at least one unread byte is there or `timeout` has passed; returns whether
    // bytes are there. Returns at once when bytes are already waiting.
    virtual bool waitForBytes(Millis timeout) = 0;
    // Drops what was received and not read (a late reply of an earlier request).
    virtual void discardInput() = 0;
};

} // namespace tqv
