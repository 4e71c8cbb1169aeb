#pragma once

#include <string>

namespace tqv {

// How a line of a transfer dialog is shown: hidden, or with its icon for running, done, failed.
enum class LineState { Hidden, Running, Done, Failed };

// What a running transfer reports: the dialog's title and status lines, its numbered step (or
// subnet) lines, and a progress count. A procedure calls it from whatever thread runs it; the
// window's implementation passes each call on to the GUI thread.
//
// Lines are numbered from 0: the three step lines, or the four subnet lines of the four-subnet
// gateway (a line set Hidden disappears with its text). Progress counts exchanges: `total` is the
// number the procedure expects so far and may grow once a reply tells it more (a command count).
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void setTitle(const std::string &text) = 0;
    virtual void setStatus(const std::string &text) = 0;
    virtual void setLine(int index, const std::string &text, LineState state) = 0;
    virtual void setProgress(int done, int total) = 0;
};

} // namespace tqv
