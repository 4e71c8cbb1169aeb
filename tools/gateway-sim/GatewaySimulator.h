#pragma once

#include "FailurePlan.h"
#include "FrameAssembler.h"
#include "GatewayResponder.h"
#include "LineTransmitter.h"
#include "PtyPort.h"

#include "model/ConfigStore.h"

#include <memory>
#include <string>

namespace tqvsim {

// Runs the simulated gateway: reads requests from the pty as they come, answers each with the
// failure plan applied, and keeps the save file up to date.
class GatewaySimulator {
public:
    // `base` carries the gateway type and model flags the save file is decoded with.
    GatewaySimulator(std::unique_ptr<PtyPort> port, GatewayResponder responder, FailurePlan failures,
                     std::uint32_t lineSpeed, std::unique_ptr<tqv::ConfigStore> base, std::string saveFile);

    // Prints "ready LINK", serves until SIGINT/SIGTERM, then removes the link and saves.
    // Returns the exit status: 0, or 1 when the line failed or the final save did.
    int run();

    // An unfinished request is dropped after this much silence.
    static constexpr int kPartialFrameMs = 500;

private:
    void serve(const Bytes &frame);
    bool saveState();

    std::unique_ptr<PtyPort> m_port;
    GatewayResponder m_responder;
    FailurePlan m_failures;
    LineTransmitter m_transmitter;
    FrameAssembler m_assembler;
    std::unique_ptr<tqv::ConfigStore> m_base;
    std::string m_saveFile;
};

} // namespace tqvsim
