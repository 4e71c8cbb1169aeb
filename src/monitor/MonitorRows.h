#pragma once
// The monitor dialogs' lists without the widgets: which rows exist, in which order, and what
// "Clear date", suspending and saving do to them. The table models read rows from here.
#include "MonitorRecord.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tqv {

// CFramedMonitorDlg's list: newest row on top, no limit. Inserting at the top costs the same at
// any length (a deque, front = row 0).
class FramedMonitorRows {
public:
    explicit FramedMonitorRows(FramedMode mode) : m_mode(mode) {}

    FramedMode mode() const { return m_mode; }
    // Counts the record, puts the count into its index cell and inserts it as row 0; the
    // "Read date" text becomes its data text.
    void add(MonitorRow row);
    std::size_t size() const { return m_rows.size(); }
    const MonitorRow &row(std::size_t index) const { return m_rows[index]; }
    // The data column of a row (column 5 in mode 0, column 2 otherwise): a click's "Read date".
    std::string dataText(std::size_t index) const;
    const std::string &readDate() const { return m_readDate; }
    void setReadDate(std::string text) { m_readDate = std::move(text); }
    std::int32_t counter() const { return m_counter; }
    // "Clear date".
    void clear();
    // The saved file's text: the header (mode 0) and every row from the top down.
    std::string saveText() const;

private:
    FramedMode m_mode;
    std::deque<MonitorRow> m_rows;
    std::int32_t m_counter = 0;
    std::string m_readDate;
};

// CRecordMonitorDlg's list: rows appended in arrival order; once the counter has passed 150 the
// next record empties the list first, so at most 151 rows are shown.
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
    bool m_suspended = false;
};

} // namespace tqv
