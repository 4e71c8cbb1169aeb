#pragma once

#include <string>
#include <vector>

namespace tqv {

constexpr std::size_t kRecentFileCount = 4;

// Most-recently-used project paths, newest first, at most kRecentFileCount, no duplicates.
class RecentFiles {
public:
    void setEntries(std::vector<std::string> entries);
    // A project was opened or saved: it moves (or comes) to the front.
    void add(const std::string &path);
    void remove(const std::string &path);
    const std::vector<std::string> &entries() const { return m_entries; }

private:
    std::vector<std::string> m_entries;
};

} // namespace tqv
