// The command line with files a user hands it by mistake: each gets a one-line error at once.

#include "support/CliFixture.h"
#include "model/JsonForm.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tqv {
namespace {

namespace fs = std::filesystem;

class CliBadFilesTest : public CliFixture {
protected:
    // Exit code and error stream of one run, which must take well under a second.
    std::pair<int, std::string> run(const std::vector<std::string> &args)
    {
        const auto started = std::chrono::steady_clock::now();
        const Outcome r = CliFixture::run(args);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
        return {r.code, r.err};
    }
};

TEST_F(CliBadFilesTest, PipesHugeFilesAndUnknownTypesGetOneLineAtOnce)
{
    ASSERT_EQ(::mkfifo(path("pipe.tqv").c_str(), 0600), 0);
    ASSERT_TRUE(ProjectDocument::writeFileAtomically(path("huge.tqv"), "").ok());
    ASSERT_EQ(::truncate(path("huge.tqv").c_str(), 1LL << 30), 0); // 1 GiB, sparse

    ConfigStore store;
    store.newConfiguration();
    std::string json = storeToJson(store);
    json.replace(json.find("\"gatewayType\": 3"), 16, "\"gatewayType\": 99");
    ASSERT_TRUE(ProjectDocument::writeFileAtomically(path("type99.json"), json).ok());

    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"show", path("pipe.tqv")}, "\"" + path("pipe.tqv") + "\" is not a file (it is a folder, a device or a pipe).\n"},
        {{"convert", path("pipe.tqv"), path("out.json")},
         "\"" + path("pipe.tqv") + "\" is not a file (it is a folder, a device or a pipe).\n"},
        {{"show", path("huge.tqv")}, "The file \"" + path("huge.tqv") +
                                         "\" is too large to be a TQV-580 project (1073741824 bytes; a project has at "
                                         "most 67108864).\n"},
        {{"convert", path("type99.json"), path("out.tqv")},
         "Field \"gatewayType\" must be a gateway type from 0 to 6, not 99.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[1]);
        const auto [code, err] = run(c.args);
        EXPECT_EQ(code, 2);
        EXPECT_EQ(err, c.err);
    }
    EXPECT_FALSE(fs::exists(path("out.json")));
    EXPECT_FALSE(fs::exists(path("out.tqv")));
}

TEST_F(CliBadFilesTest, ConvertOntoALinkKeepsTheLink)
{
    ConfigStore store;
    store.newConfiguration();
    store.gatewayType = 2;
    ASSERT_TRUE(ProjectDocument::writeFileAtomically(path("in.json"), storeToJson(store)).ok());
    fs::create_symlink("target.tqv", path("link.tqv"));
    const auto [code, err] = run({"convert", path("in.json"), path("link.tqv")});
    EXPECT_EQ(code, 0) << err;
    EXPECT_TRUE(fs::is_symlink(path("link.tqv")));
    ConfigStore back;
    ASSERT_TRUE(ProjectDocument::open(path("target.tqv"), back, CodePage::Windows1252).ok());
    EXPECT_EQ(back.gatewayType, 2u);
}

} // namespace
} // namespace tqv
