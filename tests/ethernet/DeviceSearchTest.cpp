// The device search: reading replies (offsets, formats, the length and command checks) and the
// search driven by ticks and arrivals as the dialog drives it, in both modes, with what the dialog
// shows after each step.
#include "ethernet/DeviceSearch.h"
#include "ethernet/EthernetBytes.h"
#include "resources/Strings.h"
#include "support/FakeNetworkLinks.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

using Columns = std::array<std::string, 6>;

class DeviceSearchTest : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(Language::English); }

    // The dialog's view after each step.
    void expectShown(const std::string &status, int progress, bool logIn, bool refresh)
    {
        EXPECT_EQ(search->statusText(), status);
        EXPECT_EQ(search->progress(), progress);
        EXPECT_EQ(search->logInEnabled(), logIn);
        EXPECT_EQ(search->refreshEnabled(), refresh);
    }
    void start(bool fixed = false, std::string target = {})
    {
        session.useFixedAddress = fixed;
        session.targetAddress = std::move(target);
        search = std::make_unique<DeviceSearch>(link, session, endpoints);
        search->start();
    }

    FakeDatagramLink link;
    SessionState session;
    const EthernetEndpoints endpoints{"127.0.0.1", 40101, 40102, 40103};
    std::unique_ptr<DeviceSearch> search;
};

TEST(SearchReply, FieldsAndTheirFormats)
{
    setLanguage(Language::English);
    struct Row {
        std::string reply;
        int number;
        Columns columns;
        bool allowed;
    };
    const Row rows[] = {
        {searchReply({0, 1, 0, 0x0A}, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {192, 168, 0, 10}, {0, 0, 0, 1}), 1,
         {" 1", "WLT-618ZC", "192.168.0.10", "00-1a-2b-3c-4d-5e", "1.10", "Allows remote configuration"},
         true},
        {searchReply({0x01, 0x02, 0x00, 0x07}, {0xFF, 0xEE, 0x0D, 0x0C, 0xB0, 0x0A}, {10, 0, 255, 1}, {0, 0, 0, 2}),
         12,
         {"12", "WLT-618ZC", "10.0.255.1", "ff-ee-0d-0c-b0-0a", "258.7", "Prohibit configurating remotely"},
         false},
        // Only the value 1 allows: 0x00000101 and 0x01000000 are not 1.
        {searchReply({0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 1}), 3,
         {" 3", "WLT-618ZC", "0.0.0.0", "00-00-00-00-00-00", "0.0", "Prohibit configurating remotely"},
         false},
        {searchReply({0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}), 3,
         {" 3", "WLT-618ZC", "0.0.0.0", "00-00-00-00-00-00", "0.0", "Prohibit configurating remotely"},
         false},
    };
    for (const Row &r : rows) {
        const auto d = parseSearchReply(r.reply, SearchMode::Broadcast, r.number);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->columns(), r.columns);
        EXPECT_EQ(d->remoteConfigAllowed, r.allowed);
    }
}

TEST(SearchReply, LengthAndCommandChecks)
{
    setLanguage(Language::English);
    const std::string full = gatewayReply(10);
    struct Row {
        std::string reply;
        SearchMode mode;
        bool read;
    };
    const Row rows[] = {
        {full.substr(0, 15), SearchMode::Broadcast, false},
        {full.substr(0, 16), SearchMode::Broadcast, true},
        {bytes({0, 0, 0, 5}) + full.substr(4), SearchMode::Broadcast, false},
        {bytes({0, 0, 0, 5}) + full.substr(4), SearchMode::FixedAddress, false},
        {bytes({1, 0, 0, 3}) + full.substr(4), SearchMode::Broadcast, false},
        {"", SearchMode::Broadcast, false},
        // A fixed-address query checks no length: four bytes are a device with every field zero.
        {full.substr(0, 4), SearchMode::FixedAddress, true},
        {full.substr(0, 3), SearchMode::FixedAddress, false},
        {full + std::string(200, '\xFF'), SearchMode::Broadcast, true},
    };
    for (const Row &r : rows)
        EXPECT_EQ(parseSearchReply(r.reply, r.mode).has_value(), r.read) << r.reply.size();

    const auto fixed = parseSearchReply(full.substr(0, 4), SearchMode::FixedAddress);
    EXPECT_EQ(fixed->columns(), (Columns{"1", "WLT-618ZC", "0.0.0.0", "00-00-00-00-00-00", "0.0",
                                         "Prohibit configurating remotely"}));
    // Bytes beyond 68 are never read: a permission of 1 at offset 64 stays 1.
    EXPECT_TRUE(parseSearchReply(full + std::string(200, '\xFF'), SearchMode::Broadcast)->remoteConfigAllowed);
    // A reply cut inside the MAC reads the rest as zero.
    const auto cut = parseSearchReply(full.substr(0, 31), SearchMode::Broadcast);
    EXPECT_EQ(cut->macAddress, "00-1a-2b-00-00-00");
    EXPECT_EQ(cut->ipAddress, "0.0.0.0");
}

TEST_F(DeviceSearchTest, NoGatewayMeansFiveBroadcastsThenFinished)
{
    start();
    EXPECT_EQ(link.boundPort, 40103);
    EXPECT_EQ(search->mode(), SearchMode::Broadcast);
    EXPECT_TRUE(search->ticking());
    expectShown("Seaching", 0, false, false);
    EXPECT_TRUE(link.sent.empty()) << "the first broadcast waits for the first tick";

    for (int i = 1; i <= 5; ++i) {
        search->tick();
        ASSERT_EQ(link.sent.size(), static_cast<std::size_t>(i));
        EXPECT_EQ(link.sent.back().address, "127.0.0.1");
        EXPECT_EQ(link.sent.back().port, 40101);
        EXPECT_EQ(link.sent.back().bytes, bytes({0, 0, 0, 3, 0, 0, 0, 0}));
        expectShown("Seaching", 20 * i, false, false);
        EXPECT_FALSE(search->finished());
    }
    search->tick();
    EXPECT_EQ(link.sent.size(), 5u);
    EXPECT_TRUE(search->finished());
    EXPECT_FALSE(search->ticking());
    EXPECT_TRUE(search->rows().empty());
    expectShown("Finish searching", 100, false, true);
    search->tick();
    EXPECT_EQ(link.sent.size(), 5u);
}

TEST_F(DeviceSearchTest, TwoGatewaysAnsweringOneBroadcastAreBothListed)
{
    start();
    search->tick();
    search->tick();
    link.arrive({gatewayReply(10), gatewayReply(11, 2)});
    EXPECT_TRUE(search->rows().empty()) << "rows appear when the search ends";
    EXPECT_EQ(search->devices().size(), 2u);
    search->tick();
    EXPECT_EQ(link.sent.size(), 2u);
    EXPECT_TRUE(search->finished());
    expectShown("Finish searching", 100, false, true);
    ASSERT_EQ(search->rows().size(), 2u);
    EXPECT_EQ(search->rows()[0].columns(), (Columns{" 1", "WLT-618ZC", "192.168.0.10", "00-1a-2b-3c-4d-0a", "1.10",
                                                    "Allows remote configuration"}));
    EXPECT_EQ(search->rows()[1].columns(), (Columns{" 2", "WLT-618ZC", "192.168.0.11", "00-1a-2b-3c-4d-0b", "1.10",
                                                    "Prohibit configurating remotely"}));
    // The permission of the last reply read.
    EXPECT_FALSE(session.remoteConfigAllowed);
}

TEST_F(DeviceSearchTest, SkippedRepliesDoNotEndTheSearch)
{
    start();
    search->tick();
    link.arrive({gatewayReply(10).substr(0, 15), bytes({0, 0, 0, 5}) + gatewayReply(10).substr(4)});
    search->tick();
    EXPECT_FALSE(search->finished());
    EXPECT_EQ(link.sent.size(), 2u);
    EXPECT_TRUE(session.remoteConfigAllowed) << "a skipped reply sets nothing";
    // A prohibiting reply after it: the permission follows the last reply read.
    link.arrive({gatewayReply(20, 2), gatewayReply(21, 1)});
    search->tick();
    EXPECT_TRUE(search->finished());
    EXPECT_EQ(search->rows().size(), 2u);
    EXPECT_TRUE(session.remoteConfigAllowed);
}

TEST_F(DeviceSearchTest, RepliesAfterTheLastBroadcastStillCountUntilTheEnd)
{
    start();
    for (int i = 0; i < 5; ++i)
        search->tick();
    link.arrive({gatewayReply(7, 2)});
    search->tick();
    ASSERT_EQ(search->rows().size(), 1u);
    EXPECT_EQ(search->rows()[0].ipAddress, "192.168.0.7");
    EXPECT_FALSE(session.remoteConfigAllowed);
    // Once finished, later replies are dropped.
    link.arrive({gatewayReply(11), gatewayReply(12)});
    EXPECT_EQ(search->devices().size(), 1u);
    EXPECT_EQ(search->rows().size(), 1u);
    EXPECT_FALSE(session.remoteConfigAllowed);
}

TEST_F(DeviceSearchTest, SelectingARowSetsTheTargetAndEnablesLogIn)
{
    start();
    search->tick();
    link.arrive({gatewayReply(10), gatewayReply(11, 2)});
    EXPECT_FALSE(search->select(0)) << "no row is shown while searching";
    search->tick();
    EXPECT_FALSE(search->select(2));
    EXPECT_FALSE(search->select(-1));
    EXPECT_EQ(search->selectedRow(), -1);
    EXPECT_FALSE(search->logInEnabled());
    EXPECT_TRUE(session.targetAddress.empty());

    EXPECT_FALSE(session.remoteConfigAllowed) << "the last reply read prohibits";

    // The chosen gateway's permission is the one the download checks.
    EXPECT_TRUE(search->select(0));
    EXPECT_TRUE(session.remoteConfigAllowed);
    EXPECT_TRUE(search->select(1));
    EXPECT_FALSE(session.remoteConfigAllowed);
    EXPECT_EQ(search->selectedRow(), 1);
    EXPECT_EQ(session.targetAddress, "192.168.0.11");
    expectShown("Finish searching", 100, true, true);
}

TEST_F(DeviceSearchTest, RefurbishStartsANewSearch)
{
    start();
    search->tick();
    link.arrive({gatewayReply(10)});
    search->tick();
    ASSERT_TRUE(search->select(0));

    search->refresh();
    EXPECT_TRUE(search->ticking());
    EXPECT_TRUE(search->rows().empty());
    EXPECT_TRUE(search->devices().empty());
    EXPECT_EQ(search->selectedRow(), -1);
    expectShown("Searching", 0, false, false);
    EXPECT_EQ(session.targetAddress, "192.168.0.10") << "the target stays until another row is clicked";

    // A late reply before the new search has broadcast belongs to the old one.
    link.arrive({gatewayReply(99)});
    search->refresh(); // disabled while searching
    search->tick();
    EXPECT_EQ(link.sent.size(), 2u);
    EXPECT_EQ(search->progress(), 20);
    link.arrive({gatewayReply(12)});
    search->tick();
    ASSERT_EQ(search->rows().size(), 1u);
    EXPECT_EQ(search->rows()[0].listNumber, " 1");
    EXPECT_EQ(search->rows()[0].ipAddress, "192.168.0.12");
    EXPECT_EQ(link.closes, 0) << "the socket is reused";
}

TEST_F(DeviceSearchTest, UnboundSocketFindsNothing)
{
    link.bindSucceeds = false;
    start();
    EXPECT_FALSE(search->bound());
    for (int i = 0; i < 6; ++i)
        search->tick();
    EXPECT_TRUE(link.sent.empty());
    EXPECT_TRUE(search->finished());
    expectShown("Finish searching", 100, false, true);
}

TEST_F(DeviceSearchTest, FixedAddressQueriesOnceAndListsNumberOne)
{
    int changes = 0;
    session.useFixedAddress = true;
    session.targetAddress = "127.0.0.1";
    search = std::make_unique<DeviceSearch>(link, session, endpoints);
    search->setChangedCallback([&] { ++changes; });
    search->start();
    EXPECT_EQ(search->mode(), SearchMode::FixedAddress);
    EXPECT_FALSE(search->ticking());
    ASSERT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(link.sent[0].address, "127.0.0.1");
    EXPECT_EQ(link.sent[0].port, 40101);
    EXPECT_EQ(link.sent[0].bytes, bytes({0, 0, 0, 3, 0, 0, 0, 0}));
    EXPECT_FALSE(search->finished());

    link.arrive({gatewayReply(10, 0), gatewayReply(11)});
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(search->finished());
    ASSERT_EQ(search->rows().size(), 1u) << "one reply is read";
    EXPECT_EQ(search->rows()[0].listNumber, "1");
    EXPECT_FALSE(session.remoteConfigAllowed);
    expectShown("Finish searching", 100, false, true);

    search->fixedQueryExpired();
    EXPECT_EQ(changes, 1);
    search->tick();
    EXPECT_EQ(link.sent.size(), 1u);

    // "Refurbish" shows the same rows again without a new query; a row click still works.
    ASSERT_TRUE(search->select(0));
    search->refresh();
    EXPECT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(search->rows().size(), 1u);
    EXPECT_EQ(session.targetAddress, "192.168.0.10");
}

TEST_F(DeviceSearchTest, FixedAddressWithoutAFittingReply)
{
    start(true, "127.0.0.1");
    search->fixedQueryExpired();
    EXPECT_TRUE(search->finished());
    EXPECT_TRUE(search->rows().empty());
    expectShown("Finish searching", 100, false, true);
    EXPECT_FALSE(search->select(0));
    EXPECT_FALSE(search->logInEnabled());

    // The single reply read is not a search reply: nothing is listed, later replies are dropped.
    start(true, "127.0.0.1");
    link.arrive({bytes({0, 0, 0, 5}) + gatewayReply(10).substr(4), gatewayReply(10)});
    EXPECT_TRUE(search->finished());
    EXPECT_TRUE(search->rows().empty());
    EXPECT_TRUE(session.remoteConfigAllowed);

    // A query that could not be sent ends the search at once.
    link.sendSucceeds = false;
    start(true, "127.0.0.1");
    EXPECT_TRUE(search->finished());
    EXPECT_TRUE(search->rows().empty());
}

TEST_F(DeviceSearchTest, EndingTheSearchClosesTheLink)
{
    start();
    EXPECT_TRUE(link.hasReadyCallback());
    search.reset();
    EXPECT_FALSE(link.hasReadyCallback());
    EXPECT_EQ(link.closes, 1);
}

TEST(EthernetConfigRules, CheckBoxOkAndCancel)
{
    struct Row {
        bool searchChecked;
        std::string address;
        std::string target;
        bool fixed;
    };
    const Row rows[] = {
        {false, "192.168.0.10", "192.168.0.10", true},
        {false, "0.0.0.0", "0.0.0.0", false},
        {false, "", "", false},
        {true, "192.168.0.10", "", false},
    };
    for (const Row &r : rows) {
        SessionState s{false, true, "10.0.0.1", true};
        confirmEthernetConfig(s, r.searchChecked, r.address);
        EXPECT_EQ(s.targetAddress, r.target);
        EXPECT_EQ(s.useFixedAddress, r.fixed);
    }
    SessionState s{false, true, "10.0.0.1", true};
    cancelEthernetConfig(s);
    EXPECT_EQ(s.targetAddress, "");
    EXPECT_FALSE(s.useFixedAddress);
    setSearchFunctionChecked(s, false);
    EXPECT_TRUE(s.useFixedAddress);
    setSearchFunctionChecked(s, true);
    EXPECT_FALSE(s.useFixedAddress);
}

} // namespace
} // namespace tqv
