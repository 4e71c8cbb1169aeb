#include "model/RecentFiles.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

TEST(RecentFiles, NewestFirstWithoutDuplicatesAndAtMostFour)
{
    RecentFiles r;
    for (const char *p : {"/a.tqv", "/b.tqv", "/c.tqv", "/d.tqv", "/e.tqv"})
        r.add(p);
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"/e.tqv", "/d.tqv", "/c.tqv", "/b.tqv"}));
    r.add("/c.tqv");
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"/c.tqv", "/e.tqv", "/d.tqv", "/b.tqv"}));
    r.remove("/e.tqv");
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"/c.tqv", "/d.tqv", "/b.tqv"}));
}

TEST(RecentFiles, LoadedEntriesKeepTheirOrderAndDropBlanksAndRepeats)
{
    RecentFiles r;
    r.setEntries({"/x.tqv", "", "/y.tqv", "/x.tqv", "/z.tqv", "/w.tqv", "/v.tqv"});
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"/x.tqv", "/y.tqv", "/z.tqv", "/w.tqv"}));
}

} // namespace
} // namespace tqv
