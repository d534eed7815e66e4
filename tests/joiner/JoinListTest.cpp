#include <gtest/gtest.h>

#include "JoinList.h"

namespace {

// A list of rows named 0, 1, 2, ... with the given rows selected and unticked.
TJoinList Make(int count, std::initializer_list<int> selected, std::initializer_list<int> unticked = {}) {
    TJoinList list;
    for (int i = 0; i < count; ++i)
        list.Rows.push_back({std::to_string(i), "MP3", "00 : 01 : 00", "   1 MB", " ", true, false});
    for (const int i : selected)
        list.Rows[static_cast<size_t>(i)].Selected = true;
    for (const int i : unticked)
        list.Rows[static_cast<size_t>(i)].Ticked = false;
    return list;
}

std::string Order(const TJoinList& list) {
    std::string order;
    for (const auto& row : list.Rows)
        order += row.Caption + (row.Selected ? "*" : "") + (row.Ticked ? "" : "-") + " ";
    return order;
}

TJoinRow Row(const std::string& caption, const std::string& duration = "00 : 00 : 10", bool ticked = true) {
    TJoinRow row;
    row.Caption = caption;
    row.Duration = duration;
    row.Ticked = ticked;
    return row;
}

} // namespace

TEST(JoinList, MovesFollowTheReorderRules) {
    struct Case {
        const char* name;
        int count;
        std::initializer_list<int> selected, unticked;
        void (TJoinList::*move)();
        const char* order;
    };
    const Case cases[] = {
        {"up, rows 0 and 1", 4, {0, 1}, {}, &TJoinList::MoveUp, "0* 1* 2 3 "},
        {"up, rows 1 and 3", 4, {1, 3}, {}, &TJoinList::MoveUp, "1* 0 3* 2 "},
        {"down, rows 2 and 3", 4, {2, 3}, {}, &TJoinList::MoveDown, "0 1 2* 3* "},
        {"down, rows 0 and 2", 4, {0, 2}, {}, &TJoinList::MoveDown, "1 0* 3 2* "},
        {"first, rows 2 and 4 of five", 5, {2, 4}, {}, &TJoinList::MoveFirst, "2* 4* 0 1 3 "},
        {"last, rows 2 and 4 of five", 5, {2, 4}, {}, &TJoinList::MoveLast, "0 1 3 2* 4* "},
        {"ticks travel with their rows", 3, {2}, {2, 0}, &TJoinList::MoveUp, "0- 2*- 1 "},
        {"first keeps ticks", 3, {1}, {1}, &TJoinList::MoveFirst, "1*- 0 2 "},
    };
    for (const auto& c : cases) {
        TJoinList list = Make(c.count, c.selected, c.unticked);
        (list.*c.move)();
        EXPECT_EQ(Order(list), c.order) << c.name;
    }
}

TEST(JoinList, AddingKeepsEachPathOnceAndTicksIt) {
    TJoinList list;
    TJoinRow first = Row("/a/song.mp3", "00 : 00 : 10", false);
    first.Selected = true;
    first.Status = "x";
    EXPECT_TRUE(list.Add(first));
    EXPECT_FALSE(list.Add(Row("/a/song.mp3")));
    EXPECT_TRUE(list.Add(Row("/b/song.mp3"))); // the same name in another folder
    EXPECT_FALSE(list.Add(Row("/b/song.mp3")));
    EXPECT_TRUE(list.Add(Row("/a/Song.mp3"))); // identity is the exact path
    ASSERT_EQ(list.Rows.size(), 3u);
    EXPECT_TRUE(list.Rows[0].Ticked);
    EXPECT_FALSE(list.Rows[0].Selected);
    EXPECT_EQ(list.Rows[0].Status, " ");
    list.Rows[1].Selected = true;
    list.RemoveSelected();
    EXPECT_EQ(Order(list), "/a/song.mp3 /a/Song.mp3 ");
}

TEST(JoinList, SummaryLine) {
    TJoinList list;
    EXPECT_EQ(list.SummaryText(), "0 file in list, 0 file selected, selected duration is approximately: 00h 00m 00s ");
    list.Rows.push_back(Row("/a.mp3", "00 : 03 : 10"));
    EXPECT_EQ(list.SummaryText(), "1 file in list, 1 file selected, selected duration is approximately: 00h 03m 10s ");
    list.Rows.push_back(Row("/b.mp3", "00 : 04 : 21", false));
    EXPECT_EQ(list.SummaryText(), "2 files in list, 1 file selected, selected duration is approximately: 00h 03m 10s ");
    list.Rows[1].Ticked = true;
    list.Rows.push_back(Row("/c.mp3", "00 : 09 : 00", false));
    EXPECT_EQ(list.SummaryText(),
              "3 files in list, 2 files selected, selected duration is approximately: 00h 07m 31s ");
}

TEST(JoinList, DurationTextsOfAnyLength) {
    EXPECT_EQ(DurationTextToSeconds("00 : 03 : 10"), 190);
    EXPECT_EQ(DurationTextToSeconds("01 : 00 : 01"), 3601);
    EXPECT_EQ(DurationTextToSeconds("100 : 00 : 00"), 360000);
    EXPECT_EQ(DurationTextToSeconds(" 1234 : 59 : 59"), 1234 * 3600 + 3599);
    EXPECT_EQ(DurationTextToSeconds(""), 0);
    EXPECT_EQ(DurationTextToSeconds("garbage"), 0);
}
