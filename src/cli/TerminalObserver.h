#pragma once
#include "link/TransferObserver.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tqv {

// A transfer's progress on the terminal: the title and status lines as they change, and each step
// line once it has ended ("[ok]" or "[failed]"), so a log shows how far a failed transfer got.
class TerminalObserver : public TransferObserver {
public:
    explicit TerminalObserver(std::ostream &err) : m_err(err) {}
    void setTitle(const std::string &text) override;
    void setStatus(const std::string &text) override;
    void setLine(int index, const std::string &text, LineState state) override;
    void setProgress(int, int) override {}

private:
    std::ostream &m_err;
    std::vector<LineState> m_shown; // the state last printed per line
};

} // namespace tqv
