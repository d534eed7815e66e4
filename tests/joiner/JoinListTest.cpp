#include <gtest/gtest.h>

#include "JoinList.h"

namespace {

// A list of rows named 0, 1, 2, ... with the given rows selected and unticked.
JoinList make(int count, std::initializer_list<int> selected, std::initializer_list<int> unticked = {}) {
    JoinList list;
    for (int i = 0; i < count; ++i)
        list.rows.push_back({std::to_string(i), "MP3", "00 : 01 : 00", "   1 MB", " ", true, false});
    for (const int i : selected)
        list.rows[static_cast<size_t>(i)].selected = true;
    for (const int i : unticked)
        list.rows[static_cast<size_t>(i)].ticked = false;
    return list;
}

std::string order(const JoinList& list) {
    std::string order;
    for (const auto& row : list.rows)
        order += row.caption + (row.selected ? "*" : "") + (row.ticked ? "" : "-") + " ";
    return order;
}

JoinRow row(const std::string& caption, const std::string& duration = "00 : 00 : 10", bool ticked = true) {
    JoinRow row;
    row.caption = caption;
    row.duration = duration;
    row.ticked = ticked;
    return row;
}

} // namespace

TEST(JoinList, MovesFollowTheReorderRules) {
    struct Case {
        const char* name;
        int count;
        std::initializer_list<int> selected, unticked;
        void (JoinList::*move)();
        const char* order;
    };
    const Case cases[] = {
        {"up, rows 0 and 1", 4, {0, 1}, {}, &JoinList::moveUp, "0* 1* 2 3 "},
        {"up, rows 1 and 3", 4, {1, 3}, {}, &JoinList::moveUp, "1* 0 3* 2 "},
        {"down, rows 2 and 3", 4, {2, 3}, {}, &JoinList::moveDown, "0 1 2* 3* "},
        {"down, rows 0 and 2", 4, {0, 2}, {}, &JoinList::moveDown, "1 0* 3 2* "},
        {"first, rows 2 and 4 of five", 5, {2, 4}, {}, &JoinList::moveFirst, "2* 4* 0 1 3 "},
        {"last, rows 2 and 4 of five", 5, {2, 4}, {}, &JoinList::moveLast, "0 1 3 2* 4* "},
        {"ticks travel with their rows", 3, {2}, {2, 0}, &JoinList::moveUp, "0- 2*- 1 "},
        {"first keeps ticks", 3, {1}, {1}, &JoinList::moveFirst, "1*- 0 2 "},
    };
    for (const auto& c : cases) {
        JoinList list = make(c.count, c.selected, c.unticked);
        (list.*c.move)();
        EXPECT_EQ(order(list), c.order) << c.name;
    }
}

TEST(JoinList, AddingKeepsEachPathOnceAndTicksIt) {
    JoinList list;
    JoinRow first = row("/a/song.mp3", "00 : 00 : 10", false);
    first.selected = true;
    first.status = "x";
    EXPECT_TRUE(list.add(first));
    EXPECT_FALSE(list.add(row("/a/song.mp3")));
    EXPECT_TRUE(list.add(row("/b/song.mp3"))); // the same name in another folder
    EXPECT_FALSE(list.add(row("/b/song.mp3")));
    EXPECT_TRUE(list.add(row("/a/Song.mp3"))); // identity is the exact path
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_TRUE(list.rows[0].ticked);
    EXPECT_FALSE(list.rows[0].selected);
    EXPECT_EQ(list.rows[0].status, " ");
    list.rows[1].selected = true;
    list.removeSelected();
    EXPECT_EQ(order(list), "/a/song.mp3 /a/Song.mp3 ");
}

TEST(JoinList, SummaryLine) {
    JoinList list;
    EXPECT_EQ(list.summaryText(), "0 file in list, 0 file selected, selected duration is approximately: 00h 00m 00s ");
    list.rows.push_back(row("/a.mp3", "00 : 03 : 10"));
    EXPECT_EQ(list.summaryText(), "1 file in list, 1 file selected, selected duration is approximately: 00h 03m 10s ");
    list.rows.push_back(row("/b.mp3", "00 : 04 : 21", false));
    EXPECT_EQ(list.summaryText(), "2 files in list, 1 file selected, selected duration is approximately: 00h 03m 10s ");
    list.rows[1].ticked = true;
    list.rows.push_back(row("/c.mp3", "00 : 09 : 00", false));
    EXPECT_EQ(list.summaryText(),
              "3 files in list, 2 files selected, selected duration is approximately: 00h 07m 31s ");
}

TEST(JoinList, DurationTextsOfAnyLength) {
    EXPECT_EQ(durationTextToSeconds("00 : 03 : 10"), 190);
    EXPECT_EQ(durationTextToSeconds("01 : 00 : 01"), 3601);
    EXPECT_EQ(durationTextToSeconds("100 : 00 : 00"), 360000);
    EXPECT_EQ(durationTextToSeconds(" 1234 : 59 : 59"), 1234 * 3600 + 3599);
    EXPECT_EQ(durationTextToSeconds(""), 0);
    EXPECT_EQ(durationTextToSeconds("garbage"), 0);
}
