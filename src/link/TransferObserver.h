#pragma once

#include <string>

namespace tqv {

// How a line of a transfer dialog is shown: hidden, or with its icon for running, done, failed.
enum class LineState { Hidden, Running, Done, Failed };

// What a running transfer reports: the dialog's title and status lines, its numbered step (or
// subnet) lines, and a progress count. A procedure calls it from whatever thread runs it; the
// window's implementation passes each call on to the GUI thread.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void setTitle(const std::string &text) = 0;
    virtual void setStatus(const std::string &text) = 0;
    virtual void setLine(int index, const std::string &text, LineState state) = 0;
    virtual void setProgress(int done, int total) = 0;
};

} // namespace tqv
