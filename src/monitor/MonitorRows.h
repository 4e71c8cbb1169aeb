#pragma once
// The monitor dialogs' lists without the widgets: which rows exist, in which order, and what
// "Clear date", suspending and saving do to them. The table models read rows from here.
#include "MonitorRecord.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tqv {

// CFramedMonitorDlg's list: newest row on top, no limit. Inserting at the top costs the same at
// any length (a deque, front = row 0).
class FramedMonitorRows {
public:
    explicit FramedMonitorRows(FramedMode mode) : m_mode(mode) {}

    FramedMode mode() const { return m_mode; }
    // Counts the record, puts the count into its index cell and inserts it as row 0; a highlighted
    // row stays highlighted one place further down.
    void add(MonitorRow row);
    std::size_t size() const { return m_rows.size(); }
    const MonitorRow &row(std::size_t index) const { return m_rows[index]; }
    // The data column of a row (column 5 in mode 0, column 2 otherwise).
    std::string dataText(std::size_t index) const;
    // The row the user has highlighted (by click or key), if any.
    void setHighlighted(std::optional<std::size_t> index) { m_highlighted = index; }
    std::optional<std::size_t> highlighted() const { return m_highlighted; }
    // "Read date": the highlighted row's data text; without a highlight the newest row's.
    std::string readDate() const;
    std::int32_t counter() const { return m_counter; }
    // "Clear date".
    void clear();
    // The saved file's text: the header (mode 0) and every row from the top down.
    std::string saveText() const;

private:
    FramedMode m_mode;
    std::deque<MonitorRow> m_rows;
    std::int32_t m_counter = 0;
    std::optional<std::size_t> m_highlighted;
};

// CRecordMonitorDlg's list: rows appended in arrival order; once the counter has passed 150 the
// next record empties the list first, so at most 151 rows are shown. The index cell numbers the
// rows shown since the start.
class RecordMonitorRows {
public:
    static constexpr int kCounterLimit = 150;

    explicit RecordMonitorRows(MonitorLinkKind link) : m_link(link) {}

    MonitorLinkKind link() const { return m_link; }
    struct Added {
        bool added = false;   // false while suspended
        bool cleared = false; // the list was emptied before the row went in
        std::size_t index = 0;
    };
    Added add(MonitorRow row);
    std::size_t size() const { return m_rows.size(); }
    const MonitorRow &row(std::size_t index) const { return m_rows[index]; }
    int counter() const { return m_counter; }
    bool suspended() const { return m_suspended; }
    // "Suspend show": suspends, or resumes and empties the list. Returns whether it is suspended now.
    bool toggleSuspended();

private:
    MonitorLinkKind m_link;
    std::vector<MonitorRow> m_rows;
    int m_counter = 0;
    long m_shown = 0;
    bool m_suspended = false;
};

} // namespace tqv
