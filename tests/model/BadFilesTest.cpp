// Files a user may hand the program by mistake or by malice: not regular files, files far too
// large, unknown gateway types, odd node numbers, symbolic links as save targets.

#include "editor/ConfigTree.h"
#include "editor/PropertyGrid.h"
#include "editor/TreeEditor.h"
#include "model/JsonForm.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "model/ProjectLanguage.h"
#include "resources/Strings.h"
#include "support/RecordingPrompter.h"
#include "support/TempDirFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tqv {
namespace {

namespace fs = std::filesystem;

class BadFilesTest : public TempDirFixture {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        TempDirFixture::SetUp();
        store = std::make_unique<ConfigStore>();
        ProjectDocument::newDocument(*store);
    }

    std::unique_ptr<ConfigStore> store;
};

TEST_F(BadFilesTest, WhatIsNotARegularFileIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo(path("pipe.tqv").c_str(), 0600), 0);
    fs::create_directory(path("folder.tqv"));
    const ConfigStore before = *store;
    for (const char *name : {"pipe.tqv", "folder.tqv"}) {
        SCOPED_TRACE(name);
        const auto started = std::chrono::steady_clock::now();
        const Status opened = ProjectDocument::open(path(name), *store, CodePage::Windows1252);
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.message(), formatText(StrId::MsgNotAFile, {path(name)}));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        EXPECT_TRUE(*store == before);
        // Nor is one written over: it stays what it was.
        const Status saved = ProjectDocument::save(path(name), *store, CodePage::Windows1252);
        ASSERT_FALSE(saved.ok());
        EXPECT_EQ(saved.error().code, ErrorCode::NotRegularFile);
        EXPECT_EQ(saved.message().rfind(formatText(StrId::MsgFileSaveFailed, {path(name), text(StrId::ReasonNotRegularFile)}), 0), 0u)
            << saved.message();
        EXPECT_FALSE(fs::is_regular_file(path(name)));
    }
}

TEST_F(BadFilesTest, ASaveKeepsTheFileItReplacesAndClearsWhatAKilledSaveLeft)
{
    const std::string target = path("x.tqv");
    ASSERT_TRUE(ProjectDocument::writeFileAtomically(target, "old").ok());
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0; // only root can give the file to another owner
    ASSERT_TRUE(!root || ::chown(target.c_str(), 4321, 4322) == 0);
    // Only this target's temporaries of exactly the pattern, a minute old, are taken away.
    const std::pair<const char *, bool> leftovers[] = {{".x.tqv.tqv-save-a1B2c3", false}, {".x.tqv.tqv-save-fresh1", true},
                                                       {".y.tqv.tqv-save-a1B2c3", true}, {".x.tqv.tqv-save-a1B2c3d", true},
                                                       {"x.tqv.a1B2c3", true}};
    for (const auto &[name, stays] : leftovers) {
        ASSERT_TRUE(ProjectDocument::writeFileAtomically(path(name), "left").ok());
        if (std::string_view(name) != ".x.tqv.tqv-save-fresh1")
            fs::last_write_time(path(name), fs::file_time_type::clock::now() - std::chrono::minutes(2));
    }
    std::string temporary;
    ASSERT_TRUE(ProjectDocument::replaceFileAtomically(target, [&](int, const std::string &temp) {
                    temporary = fs::path(temp).filename().string();
                    return std::string();
                }).ok());
    EXPECT_EQ(temporary.rfind(".x.tqv.tqv-save-", 0), 0u) << temporary;
    for (const auto &[name, stays] : leftovers)
        EXPECT_EQ(fs::exists(path(name)), stays) << name;
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(!root || (st.st_uid == 4321u && st.st_gid == 4322u)) << st.st_uid << ":" << st.st_gid;
}

// Bytes of a damaged file reach a message only escaped and cut, whatever they hold.
TEST_F(BadFilesTest, AClassNameIsQuotedEscapedAndCut)
{
    std::string good;
    ASSERT_TRUE(writeProject(*store, CodePage::Windows1252, good).ok());
    const std::size_t at = good.find("FIELDBUS"); // after its 16-bit length
    for (const auto &[name, shown] : {std::pair<std::string, std::string>{"FIELDBUSX\b", "\"FIELDBUSX\\x08\" was"},
                                      {"\x1b]0;owned\x07" + std::string(300, 'A'),
                                       "\"\\x1B]0;owned\\x07" + std::string(22, 'A') + "...\" was"}}) {
        const std::string bytes = good.substr(0, at - 2) + char(name.size() & 0xFF) + char(name.size() >> 8) + name + good.substr(at + 8);
        auto read = std::make_unique<ConfigStore>();
        const std::string reason = readProject(bytes, CodePage::Windows1252, *read).reason();
        EXPECT_NE(reason.find(shown), std::string::npos) << reason;
        EXPECT_EQ(reason.find_first_of("\x1b\x07\b"), std::string::npos) << reason;
    }
}

TEST_F(BadFilesTest, AFileLargerThanAnyProjectIsRefusedBeforeItIsRead)
{
    const std::string big = path("big.tqv");
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 64 * 1024 * 1024 + 1), 0); // sparse: costs no disk
    ::close(fd);
    const auto started = std::chrono::steady_clock::now();
    const Result<std::string> read = ProjectDocument::readFile(big);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.message(), "The file \"" + big + "\" is too large to be a TQV-580 project (67108865 bytes; a "
                                                     "project has at most 67108864).");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));

    // At the bound itself the file is read (and then judged by its contents).
    ASSERT_EQ(::truncate(big.c_str(), 64 * 1024 * 1024), 0);
    EXPECT_TRUE(ProjectDocument::readFile(big).ok());
}

TEST_F(BadFilesTest, AnUnknownGatewayTypeIsRefused)
{
    std::string bytes;
    ASSERT_TRUE(writeProject(*store, CodePage::Windows1252, bytes).ok());
    bytes[0] = 99; // the type is the file's first 32-bit word
    auto read = std::make_unique<ConfigStore>(*store);
    const ArchiveStatus status = readProject(bytes, CodePage::Windows1252, *read);
    EXPECT_EQ(status.error, ArchiveError::BadGatewayType);
    EXPECT_EQ(status.reason(), "the gateway type 99 is not one of 0 to 6 (at byte 0)");
    EXPECT_TRUE(*read == *store);

    bytes[0] = 6;
    EXPECT_TRUE(readProject(bytes, CodePage::Windows1252, *read).ok());
}

// A command whose node number points at no node: nothing may read or write outside the node
// table, whichever form the project came in.
TEST_F(BadFilesTest, ANodeNumberOfAnyValueIsSafeEverywhere)
{
    CONFIG &c = store->subnet(0);
    ASSERT_TRUE(store->addNode(0).ok());
    c.nodes[0].address = "5";
    for (std::int32_t number : {999, INT_MIN, 1}) {
        const int position = store->addCommand(0, 1, "3").value();
        store->command(0, position).nodeNumber = number;
        store->command(0, position).slaveAddress = "77";
    }
    std::string bytes;
    ASSERT_TRUE(writeProject(*store, CodePage::Windows1252, bytes).ok());
    auto fromTqv = std::make_unique<ConfigStore>();
    ASSERT_TRUE(readProject(bytes, CodePage::Windows1252, *fromTqv).ok());
    auto fromJson = std::make_unique<ConfigStore>();
    ASSERT_TRUE(storeFromJson(storeToJson(*store), *fromJson).ok());

    for (ConfigStore *s : {fromTqv.get(), fromJson.get()}) {
        EXPECT_EQ(s->command(0, 1).nodeNumber, 999);
        EXPECT_EQ(s->command(0, 2).nodeNumber, INT_MIN);
        // The tree lists only the command of the node that exists.
        const TreeDescription tree = buildFromStore(*s);
        ASSERT_EQ(tree[1].children.size(), 1u);
        ASSERT_EQ(tree[1].children[0].children.size(), 1u);
        EXPECT_EQ(tree[1].children[0].children[0].data, 3);
        // Showing the orphans keeps their slave address; the real one takes its node's.
        for (int position = 1; position <= 3; ++position) {
            const ItemRef command{ItemKind::Command, 0, position};
            refreshCommandForDisplay(*s, command);
            EXPECT_EQ(gridRows(*s, command)[0].value, position == 3 ? "5" : "77");
        }
        // Deleting the node takes its command only; the orphans stay orphans (numbers behind the
        // deleted node move down by one, as for every command).
        TreeEditor editor;
        ASSERT_TRUE(editor.deleteNode(*s, ItemRef{ItemKind::Node, 0, 1}));
        ASSERT_EQ(s->subnet(0).commandCount, 2);
        EXPECT_EQ(s->command(0, 1).nodeNumber, 998);
        EXPECT_EQ(s->command(0, 2).nodeNumber, INT_MIN);
        EXPECT_TRUE(buildFromStore(*s)[1].children.empty());
    }
}

TEST_F(BadFilesTest, SavingOntoASymbolicLinkWritesItsTargetAndKeepsTheLink)
{
    const std::string target = path("real.tqv"), link = path("link.tqv");
    ASSERT_TRUE(ProjectDocument::save(target, *store, CodePage::Windows1252).ok());
    fs::create_symlink("real.tqv", link); // relative, as users make them
    store->gatewayType = 2;
    ASSERT_TRUE(ProjectDocument::save(link, *store, CodePage::Windows1252).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    ConfigStore back;
    ASSERT_TRUE(ProjectDocument::open(target, back, CodePage::Windows1252).ok());
    EXPECT_EQ(back.gatewayType, 2u);

    // A dangling link gets its target created.
    const std::string dangling = path("dangling.tqv");
    fs::create_symlink(path("later.tqv"), dangling);
    ASSERT_TRUE(ProjectDocument::save(dangling, *store, CodePage::Windows1252).ok());
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_TRUE(fs::is_regular_file(path("later.tqv")));
}

TEST_F(BadFilesTest, TheSaveErrorMentionsThePreviousFileOnlyWhenThereWasOne)
{
    store->node(0, 1).name = "节点"; // no form in Windows-1252: the save is refused
    store->subnet(0).nodeCount = 1;
    store->configModified = true;
    const std::string suffix = " The previous file is unchanged.";
    const Status fresh = ProjectDocument::save(path("new.tqv"), *store, CodePage::Windows1252);
    ASSERT_FALSE(fresh.ok());
    EXPECT_EQ(fresh.message().find(suffix), std::string::npos) << fresh.message();
    EXPECT_FALSE(fs::exists(path("new.tqv")));

    ASSERT_TRUE(ProjectDocument::writeFileAtomically(path("old.tqv"), "old").ok());
    const Status over = ProjectDocument::save(path("old.tqv"), *store, CodePage::Windows1252);
    ASSERT_FALSE(over.ok());
    EXPECT_NE(over.message().find("节点"), std::string::npos) << over.message();
    EXPECT_EQ(over.message().substr(over.message().size() - suffix.size()), suffix);
    EXPECT_TRUE(store->configModified);
    EXPECT_EQ(ProjectDocument::readFile(path("old.tqv")).value(), "old");

    const Status noFolder = ProjectDocument::writeFileAtomically(path("none/x.tqv"), "x");
    ASSERT_FALSE(noFolder.ok());
    EXPECT_EQ(noFolder.message().find(suffix), std::string::npos) << noFolder.message();
}

// The language of a project's values, from the store or from the file's bytes in either code
// page, and the values taken over into the other language and back; names stay as they are.
TEST_F(BadFilesTest, ValuesOfEitherLanguageAreRecognisedAndConverted)
{
    setLanguage(Language::Chinese);
    auto chinese = std::make_unique<ConfigStore>();
    chinese->newConfiguration();
    chinese->node(0, chinese->addNode(0).value()) = NODE{"3", "泵站"};
    COMMAND &command = chinese->command(0, chinese->addCommand(0, 1, "3").value());
    command.scanType = text(StrId::ScanSlow);
    command.dataFormat = text(StrId::FormatLowByte);
    chinese->subnet(0).commandStatus = "2" + text(StrId::Bytes);
    chinese->subnet(1).userParity = text(StrId::ParitySpace);
    chinese->fieldbus.profibusConfigMode = text(StrId::ProfibusInputConfigData);
    setLanguage(Language::English);
    auto english = std::make_unique<ConfigStore>();
    english->newConfiguration();
    EXPECT_EQ(valuesLanguage(*english), Language::English);
    EXPECT_EQ(valuesLanguage(*chinese), Language::Chinese);
    EXPECT_EQ(valuesLanguage(ConfigStore{}), std::nullopt); // no enumerated text tells anything

    std::string bytes;
    ASSERT_TRUE(writeProject(*chinese, CodePage::Gbk, bytes).ok());
    EXPECT_EQ(projectFileLanguage(bytes), Language::Chinese);
    EXPECT_EQ(projectFileLanguage(bytes.substr(0, 30)), std::nullopt);
    ASSERT_TRUE(writeProject(*english, CodePage::Windows1252, bytes).ok());
    EXPECT_EQ(projectFileLanguage(bytes), Language::English);

    auto converted = std::make_unique<ConfigStore>(*chinese);
    EXPECT_GT(convertValuesLanguage(*converted, Language::Chinese, Language::English), 0);
    EXPECT_EQ(converted->subnet(0).protocol, "Modbus master");
    EXPECT_EQ(converted->subnet(0).commandStatus, "2Bytes");
    EXPECT_EQ(converted->subnet(1).userParity, "Space");
    EXPECT_EQ(converted->command(0, 1).dataFormat, "Low byte");
    EXPECT_EQ(converted->fieldbus.profibusConfigMode, "Input configuration data");
    EXPECT_EQ(converted->node(0, 1).name, "泵站");
    EXPECT_EQ(valuesLanguage(*converted), Language::English);
    convertValuesLanguage(*converted, Language::English, Language::Chinese);
    EXPECT_TRUE(*converted == *chinese);
}

} // namespace
} // namespace tqv
