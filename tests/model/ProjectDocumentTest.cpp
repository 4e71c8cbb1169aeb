#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"
#include "support/TempDirFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tqv {
namespace {

namespace fs = std::filesystem;

class ProjectDocumentTest : public TempDirFixture {
protected:
    void SetUp() override
    {
        TempDirFixture::SetUp();
        store = std::make_unique<ConfigStore>();
        ProjectDocument::newDocument(*store);
    }
    std::string contents(const std::string &p) const
    {
        const Result<std::string> bytes = ProjectDocument::readFile(p);
        EXPECT_TRUE(bytes.ok());
        return bytes ? bytes.value() : std::string();
    }

    std::unique_ptr<ConfigStore> store;
};

TEST_F(ProjectDocumentTest, NewDocumentFlags)
{
    store->configModified = true;
    store->fileVersion = 245;
    store->gatewayType = 0;
    ProjectDocument::newDocument(*store);
    EXPECT_EQ(store->fileVersion, 500u);
    EXPECT_FALSE(store->configModified);
    EXPECT_FALSE(store->keepConfigOnNew);
    EXPECT_EQ(store->gatewayType, 3u);

    // An upload renews the document without resetting what it is about to fill in.
    store->gatewayType = 0;
    store->subnet(0).nodeCount = 3;
    store->uploadPending = true;
    ProjectDocument::newDocument(*store);
    EXPECT_TRUE(store->keepConfigOnNew);
    EXPECT_FALSE(store->uploadPending);
    EXPECT_EQ(store->gatewayType, 0u);
    EXPECT_EQ(store->subnet(0).nodeCount, 3);
}

TEST_F(ProjectDocumentTest, SaveThenOpenGivesTheSameConfiguration)
{
    store->gatewayType = 4;
    store->modelFlag2 = true;
    store->fieldbus.profibusConfigData = "D1 E1";
    store->subnet(0).startChar = "02";
    store->subnet(0).stopChar = "03";
    store->configModified = true;
    store->fileVersion = 246;
    const std::string p = path("my project.tqv");
    ASSERT_TRUE(ProjectDocument::save(p, *store, CodePage::Windows1252).ok());
    EXPECT_FALSE(store->configModified);
    EXPECT_EQ(store->fileVersion, 500u);
    EXPECT_EQ(files(), std::vector<std::string>{"my project.tqv"});
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IRUSR, 0u);

    ConfigStore opened;
    ProjectDocument::newDocument(opened);
    opened.configModified = true; // edits answered "No" to before the open: they are gone now
    Status r = ProjectDocument::open(p, opened, CodePage::Windows1252);
    ASSERT_TRUE(r.ok()) << r.message();
    EXPECT_FALSE(opened.configModified);
    EXPECT_TRUE(opened.keepConfigOnNew);
    // Entries beyond the counts are not in the file; everything else is.
    std::string savedBytes, reopenedBytes;
    ASSERT_TRUE(writeProject(*store, CodePage::Windows1252, savedBytes).ok());
    ASSERT_TRUE(writeProject(opened, CodePage::Windows1252, reopenedBytes).ok());
    EXPECT_EQ(reopenedBytes, savedBytes);
    EXPECT_EQ(opened.gatewayType, 4u);
    EXPECT_TRUE(opened.modelFlag2 && opened.modelFlag7 && !opened.modelFlag1);
    EXPECT_EQ(opened.fileVersion, 500u);
    EXPECT_EQ(opened.subnet(0).startChar, "02");
    EXPECT_EQ(opened.fieldbus.profibusConfigData, "D1 E1");
}

TEST_F(ProjectDocumentTest, SaveReplacesAnExistingFileAndKeepsItsPermissions)
{
    const std::string p = path("a.tqv");
    ASSERT_TRUE(ProjectDocument::save(p, *store, CodePage::Windows1252).ok());
    ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
    store->gatewayType = 0;
    ASSERT_TRUE(ProjectDocument::save(p, *store, CodePage::Windows1252).ok());
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(contents(p)[0], '\x00');
    EXPECT_EQ(files(), std::vector<std::string>{"a.tqv"});
}

TEST_F(ProjectDocumentTest, FailedWriteLeavesTheOldFileAndTheModifiedFlag)
{
    const std::string p = path("keep.tqv");
    ASSERT_TRUE(ProjectDocument::save(p, *store, CodePage::Windows1252).ok());
    const std::string old = contents(p);

    // The disk refuses the data part-way: a file-size limit below the project's size.
    store->subnet(0).nodeCount = 100;
    store->configModified = true;
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 200;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Status r = ProjectDocument::save(p, *store, CodePage::Windows1252);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message().find(p), std::string::npos) << r.message();
    EXPECT_TRUE(store->configModified);
    EXPECT_EQ(contents(p), old);
    EXPECT_EQ(files(), std::vector<std::string>{"keep.tqv"}); // no temporary left behind

    EXPECT_FALSE(ProjectDocument::save(path("no/such/dir.tqv"), *store, CodePage::Windows1252).ok());
    EXPECT_TRUE(store->configModified);
}

TEST_F(ProjectDocumentTest, FailedOpenChangesNothing)
{
    store->gatewayType = 1;
    store->modelFlag5 = true;
    store->fileVersion = 245;
    store->subnet(0).nodeCount = 2;
    const ConfigStore before = *store;

    Status missing = ProjectDocument::open(path("missing.tqv"), *store, CodePage::Windows1252);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.message(), "Cannot open the file \"" + path("missing.tqv") + "\": it does not exist.");
    EXPECT_TRUE(*store == before);

    // A file of another gateway type and flags, cut short: the reader has seen the type and the
    // flags of the first bodies by then, and none of it may stick.
    ConfigStore other;
    other.newConfiguration();
    other.gatewayType = 6;
    other.modelFlag3 = true;
    std::string bytes;
    ASSERT_TRUE(writeProject(other, CodePage::Windows1252, bytes).ok());
    const std::string p = path("cut.tqv");
    ASSERT_TRUE(ProjectDocument::writeFileAtomically(p, bytes.substr(0, bytes.size() - 30)).ok());
    Status cut = ProjectDocument::open(p, *store, CodePage::Windows1252);
    EXPECT_FALSE(cut.ok());
    EXPECT_NE(cut.message().find("cut.tqv"), std::string::npos);
    EXPECT_NE(cut.message().find("ends early"), std::string::npos) << cut.message();
    EXPECT_TRUE(*store == before);

    Status dir = ProjectDocument::open(m_dir.string(), *store, CodePage::Windows1252);
    EXPECT_FALSE(dir.ok());
    EXPECT_TRUE(*store == before);
}

TEST_F(ProjectDocumentTest, AnEmptyFileIsNotReadAndActsAsNew)
{
    const std::string p = path("empty.tqv");
    ASSERT_TRUE(ProjectDocument::writeFileAtomically(p, "").ok());

    store->gatewayType = 0;
    store->keepConfigOnNew = false;
    Status r = ProjectDocument::open(p, *store, CodePage::Windows1252);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(store->gatewayType, 3u); // a fresh configuration

    store->gatewayType = 0;
    store->keepConfigOnNew = true; // as after an earlier open
    r = ProjectDocument::open(p, *store, CodePage::Windows1252);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(store->gatewayType, 0u);
}

} // namespace
} // namespace tqv
