#include "MonitorRows.h"

namespace tqv {

void FramedMonitorRows::add(MonitorRow row)
{
    ++m_counter;
    if (row.cells.empty())
        row.cells.emplace_back();
    row.cells[0] = std::to_string(m_counter);
    m_rows.push_front(std::move(row));
    if (m_highlighted)
        ++*m_highlighted;
}

std::string FramedMonitorRows::readDate() const
{
    if (m_rows.empty())
        return {};
    return dataText(m_highlighted && *m_highlighted < m_rows.size() ? *m_highlighted : 0);
}

std::string FramedMonitorRows::dataText(std::size_t index) const
{
    const std::size_t column = m_mode == FramedMode::Master ? 5 : 2;
    const auto &cells = m_rows[index].cells;
    return column < cells.size() ? cells[column] : std::string();
}

void FramedMonitorRows::clear()
{
    m_counter = 0;
    m_rows.clear();
    m_highlighted.reset();
}

std::string FramedMonitorRows::saveText() const
{
    std::string out = framedSaveHeader(m_mode);
    for (const MonitorRow &row : m_rows)
        out += framedSaveLine(m_mode, row);
    return out;
}

RecordMonitorRows::Added RecordMonitorRows::add(MonitorRow row)
{
    Added result;
    if (m_suspended)
        return result;
    if (m_counter > kCounterLimit) {
        m_rows.clear();
        m_counter = 0;
        result.cleared = true;
    }
    // The row goes in at position `counter`, which is the end of the list; its index counts every
    // row shown since the start, so a row keeps its number across the list's emptying.
    if (row.cells.empty())
        row.cells.emplace_back();
    row.cells[0] = std::to_string(++m_shown);
    result.index = static_cast<std::size_t>(m_counter);
    m_rows.push_back(std::move(row));
    ++m_counter;
    result.added = true;
    return result;
}

bool RecordMonitorRows::toggleSuspended()
{
    if (!m_suspended) {
        m_suspended = true;
        return true;
    }
    m_suspended = false;
    m_rows.clear();
    m_counter = 0;
    return false;
}

} // namespace tqv
