// The monitor lists: top insertion with the index, the 151-row rule, suspending, saving.
#include "monitor/MonitorRows.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

MonitorRow masterRow(const char *slave, const char *data)
{
    return {0, {"", "Respond correctly", slave, "3", "16", data}};
}

MonitorRow serialRow(const char *slave) { return {0, {"", "Respond correctly", slave, "16", "12 "}}; }

TEST(FramedMonitorRows, NewestOnTopWithTheirCountAndReadDate)
{
    FramedMonitorRows rows(FramedMode::Master);
    rows.add(masterRow("1", " 11"));
    rows.add(masterRow("2", " 22"));
    rows.add(masterRow("3", " 33"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.row(0).cells[0], "3");
    EXPECT_EQ(rows.row(0).cells[2], "3");
    EXPECT_EQ(rows.row(2).cells[0], "1");
    EXPECT_EQ(rows.readDate(), " 33");
    EXPECT_EQ(rows.dataText(2), " 11");
    // A highlighted row keeps "Read date" while newer rows come in above it.
    rows.setHighlighted(1);
    EXPECT_EQ(rows.readDate(), " 22");
    rows.add(masterRow("5", " 55"));
    EXPECT_EQ(rows.highlighted(), 2u);
    EXPECT_EQ(rows.readDate(), " 22");
    rows.clear();
    EXPECT_EQ(rows.highlighted(), std::nullopt);
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_EQ(rows.readDate(), "");
    rows.add(masterRow("4", " 44"));
    EXPECT_EQ(rows.row(0).cells[0], "1");
}

TEST(FramedMonitorRows, SaveTextModeZeroHasTheHeaderAndNewestFirst)
{
    setLanguage(Language::English);
    FramedMonitorRows rows(FramedMode::Master);
    rows.add(masterRow("5", " 12 34"));
    rows.add(masterRow("6", " AB"));
    EXPECT_EQ(rows.saveText(),
              "Index     Status       Slave address        Functional codes   Starting address       "
              "Data/Malfunction code\r\n"
              "2\tRespond correctly\t6\t\t3\t16\t\t AB\r\n"
              "1\tRespond correctly\t5\t\t3\t16\t\t 12 34\r\n");
    FramedMonitorRows slave(FramedMode::Slave);
    slave.add({0, {"", "Modbus->Profibus", "01 "}});
    slave.add({1, {"", "Profibus->Modbus", "02 "}});
    EXPECT_EQ(slave.saveText(), "2\tProfibus->Modbus\t02 \r\n1\tModbus->Profibus\t01 \r\n");
    EXPECT_EQ(slave.dataText(1), "01 ");
}

TEST(RecordMonitorRows, At151RowsTheNextRecordEmptiesTheList)
{
    RecordMonitorRows rows(MonitorLinkKind::RecordSerial);
    for (int i = 0; i < 151; ++i) {
        const auto added = rows.add(serialRow(std::to_string(i).c_str()));
        ASSERT_TRUE(added.added);
        ASSERT_FALSE(added.cleared);
        ASSERT_EQ(added.index, static_cast<std::size_t>(i));
    }
    EXPECT_EQ(rows.size(), 151u);
    EXPECT_EQ(rows.row(150).cells[2], "150");
    EXPECT_EQ(rows.row(150).cells[0], "151");
    const auto added = rows.add(serialRow("next"));
    EXPECT_TRUE(added.cleared);
    EXPECT_EQ(added.index, 0u);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.row(0).cells[2], "next");
    EXPECT_EQ(rows.row(0).cells[0], "152"); // the index counts on across the emptying
    EXPECT_EQ(rows.counter(), 1);
}

TEST(RecordMonitorRows, SuspendedAddsNothingAndResumingEmptiesTheList)
{
    RecordMonitorRows rows(MonitorLinkKind::Udp);
    rows.add(serialRow("1"));
    rows.add(serialRow("2"));
    EXPECT_TRUE(rows.toggleSuspended());
    EXPECT_FALSE(rows.add(serialRow("3")).added);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows.toggleSuspended());
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_EQ(rows.counter(), 0);
    EXPECT_EQ(rows.add(serialRow("4")).index, 0u);
}

} // namespace
} // namespace tqv
