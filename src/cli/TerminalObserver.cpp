#include "TerminalObserver.h"

#include <ostream>

namespace tqv {

void TerminalObserver::setTitle(const std::string &text)
{
    if (!text.empty())
        m_err << text << '\n';
}

void TerminalObserver::setStatus(const std::string &text)
{
    if (!text.empty())
        m_err << text << '\n';
}

void TerminalObserver::setLine(int index, const std::string &text, LineState state)
{
    if (index < 0)
        return;
    if (m_shown.size() <= static_cast<std::size_t>(index))
        m_shown.resize(static_cast<std::size_t>(index) + 1, LineState::Hidden);
    LineState &shown = m_shown[static_cast<std::size_t>(index)];
    const bool ended = state == LineState::Done || state == LineState::Failed;
    if (ended && shown != state)
        m_err << (state == LineState::Done ? "[ok] " : "[failed] ") << text << '\n';
    shown = state;
}

} // namespace tqv
