#include "RecentFiles.h"

#include <algorithm>

namespace tqv {

void RecentFiles::setEntries(std::vector<std::string> entries)
{
    m_entries.clear();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (!it->empty())
            add(*it);
}

void RecentFiles::add(const std::string &path)
{
    remove(path);
    m_entries.insert(m_entries.begin(), path);
    if (m_entries.size() > kRecentFileCount)
        m_entries.resize(kRecentFileCount);
}

void RecentFiles::remove(const std::string &path)
{
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), path), m_entries.end());
}

} // namespace tqv
