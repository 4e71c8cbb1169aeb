#pragma once
// Reading a whole configuration out of a gateway over the serial link. Straight-line code over a
// blocking link: the window runs it on a worker thread, the command line runs it directly.
#include "ReplyDecoder.h"
#include "UploadStore.h"
#include "link/ByteLink.h"
#include "link/Clock.h"
#include "link/Prompter.h"
#include "link/TransferFailure.h"
#include "link/TransferObserver.h"
#include "model/ConfigStore.h"
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tqv {

enum class UploadOutcome {
    Uploaded,     // `configuration` holds what the gateway holds
    Stopped,      // refused before any frame: the configuration's type has no serial transfer
    Failed,       // a step failed; its message has been shown
    TypeMismatch, // the gateway is of another type: the caller closes the link
    Cancelled,    // stopped from outside at a wait
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::Failed;
    // Uploaded only: the configuration built from the replies. The open document is never touched
    // by the procedure; the caller makes this the new, untitled, unmodified document.
    ConfigStore configuration;
    // The message of the failed step (also shown through the prompter); empty otherwise. An
    // uploaded configuration may still carry one: the character-interval read failed after the
    // configuration was complete.
    std::string message;
    // Failed and TypeMismatch: the step, the reason (the caller adds the port).
    std::optional<TransferFailure> failure = std::nullopt;
    UploadStore store; // the replies as received (for tests and diagnostics)
};

class UploadProcedure {
public:
    UploadProcedure(ByteLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer);
    // A flag another thread sets to stop the upload at its next wait.
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }
    // One press of "Upload". `current` is the open configuration: its type and model flags decide
    // the type check, which frames are read and how the replies are read. It is not changed.
    UploadResult run(const ConfigStore &current);

private:
    ByteLink &m_link;
    Clock &m_clock;
    Prompter &m_prompter;
    TransferObserver &m_observer;
    const std::atomic<bool> *m_cancel = nullptr;
};

// The optional values beside the configuration frames that a model and its firmware (major × 10
// + minor) have: the download writes exactly the ones the upload reads.
struct TransferExtras {
    bool timeoutAction = false;  // 0x32/0x33: the timeout action, or the double-fault reset
    bool profibusConfig = false; // 0x34/0x35: the PROFIBUS configuration data
    bool charIntervals = false;  // 0x05/0x06: the character intervals, after the configuration is complete

    int count() const { return int{timeoutAction} + int{profibusConfig} + int{charIntervals}; }
};
TransferExtras transferExtrasOf(const ConfigStore &configuration, int firmware);

// The uploaded extras as the grid's texts.
void applyTimeoutActionValue(std::uint8_t value, bool doubleFaultReset, CONFIG &first);
void applyProfibusConfigData(const std::vector<std::uint8_t> &data, FIELDBUS &fieldbus);
void applyCharIntervals(const CharIntervals &intervals, CONFIG &first);

// Fills `configuration` (already reset to its defaults, with the open configuration's model
// flags) from an upload store: gateway type, fieldbus, the four subnets, nodes rebuilt from the
// commands' slave addresses, commands. Every text is the grid's text in the active language.
void applyUploadStore(const UploadStore &store, ConfigStore &configuration);

} // namespace tqv
