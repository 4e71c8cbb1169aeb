#pragma once
// Bringing a gateway to a project idempotently: read what it holds, compare what the transfer
// carries, download only when they differ, then verify. The outcome is data, so that the command
// line prints it and a window could show it.
#include "GatewaySession.h"

#include <string>
#include <vector>

namespace tqv {

// The step an apply ended at when it did not reach its end.
enum class ApplyStep { None, Checks, Read, Write, Verify };

struct ApplyResult {
    // A write went to the gateway (with checkOnly: one would go).
    bool changed = false;
    // What the transfer carries that differed between the project and the gateway before.
    std::vector<Difference> differences;
    // The gateway holds the project afterwards (proven by a complete read).
    bool verified = false;
    ApplyStep failedAt = ApplyStep::None;
    // The failing step's own message (may be empty: then the outcome says what happened).
    std::string message;
    TransferOutcome outcome = TransferOutcome::Done;

    bool failed() const { return failedAt != ApplyStep::None; }
    // The failure as one line in the active language ("Download failed: …"); empty when none.
    std::string errorText() const;
};

struct ApplyOptions {
    bool checkOnly = false;           // compare only; never write
    bool remoteConfigAllowed = true;  // what the gateway said of remote configuration, where asked
};

// Reads the gateway, compares over what the session's route carries, and when they differ (and
// not checkOnly) runs the download's checks, writes `project` and verifies it by a second read.
// A gateway that already holds the project gets no write. The checks may fill in derived values
// of `project` (byte counts), as a download does; questions go to `prompter`.
ApplyResult applyConfiguration(GatewaySession &session, ConfigStore &project, const ApplyOptions &options,
                               Prompter &prompter);

} // namespace tqv
