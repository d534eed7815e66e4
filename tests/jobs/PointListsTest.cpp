#include <gtest/gtest.h>

#include "PointLists.h"
#include "TempFolder.h"

namespace {

PlannedSection cut(int64_t start, const std::string& title = {}) {
    return {start, true, title, {}};
}
PlannedSection skip(int64_t start) {
    return {start, false, {}, {}};
}

} // namespace

TEST(PointLists, ChaptersBecomeSections) {
    struct Case {
        const char* what;
        std::vector<Chapter> chapters;
        CutPlan plan;
    };
    const Case cases[] = {
        {"from the start",
         {{0, 1000, "A"}, {1000, 2500, "B"}, {2500, 9000, "C"}},
         {cut(0, "A"), cut(1000, "B"), cut(2500, "C")}},
        {"ends are not gaps", {{0, 990, "A"}, {1000, 8000, "B"}}, {cut(0, "A"), cut(1000, "B")}},
        {"a late first one", {{1500, 3000, "A"}, {3000, 9000, "B"}}, {skip(0), cut(1500, "A"), cut(3000, "B")}},
        {"past the end", {{0, 5000, "A"}, {9000, 9500, "B"}, {12000, 13000, "C"}}, {cut(0, "A")}},
        {"one start twice", {{0, 0, "A"}, {0, 4000, "A2"}, {4000, 9000, "B"}}, {cut(0, "A2"), cut(4000, "B")}},
        {"none", {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(planFromChapters(c.chapters, 9000), c.plan) << c.what;
}

TEST(PointLists, AudacityLabelsAreRead) {
    struct Case {
        const char* what;
        const char* text;
        CutPlan plan;
    };
    const Case cases[] = {
        {"points", "1.5\t1.5\tone\n4\t4\ttwo\n", {skip(0), cut(1500, "one"), cut(4000, "two")}},
        {"regions with gaps",
         "0.000000\t2.000000\tA\n3.25\t5\tB\n",
         {cut(0, "A"), skip(2000), cut(3250, "B"), skip(5000)}},
        {"regions touching", "0\t2\tA\n2\t10\tB\n", {cut(0, "A"), cut(2000, "B")}},
        {"out of order, CR LF, decimal commas",
         "6,5\t6,5\tlate\r\n2\t2\tearly\r\n",
         {skip(0), cut(2000, "early"), cut(6500, "late")}},
        {"spectral lines and no text", "1\t3\n\\\t100.0\t2000.0\n", {skip(0), cut(1000, ""), skip(3000)}},
        {"past the end", "2\t2\tin\n9.5\t9.5\tout\n", {skip(0), cut(2000, "in")}},
        {"empty", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseAudacityLabels(c.text, 9000), c.plan) << c.what;
    for (const char* wrong : {"1.5\n", "abc\t2\tx\n", "1\t-2\tx\n", "1\tnan\tx\n", "1e300\t1\tx\n"}) {
        try {
            parseAudacityLabels(std::string("0\t0\tfine\n") + wrong, 9000);
            ADD_FAILURE() << wrong << " was read";
        } catch (const PointListError& error) {
            EXPECT_STREQ(error.what(),
                         "line 2 is not a label (start and end in seconds and a text, separated by tabs)");
        }
    }
}

// The cut list written as labels reads back as the same cut list (its ticked sections
// as regions, the others as the gaps between them).
TEST(PointLists, LabelsWrittenReadBackTheSameList) {
    const CutPlan plan = {cut(0, "Intro"), skip(1234), cut(2500, "Tab\there"), cut(7001)};
    const std::string text = audacityLabelsText(plan, 9000);
    EXPECT_EQ(text, "0.000000\t1.234000\tIntro\n2.500000\t7.001000\tTab here\n7.001000\t9.000000\t\n");
    CutPlan expected = plan;
    expected[2].title = "Tab here";
    EXPECT_EQ(parseAudacityLabels(text, 9000), expected);

    TempFolder folder;
    writeTextFile(folder / "labels.txt", text);
    EXPECT_EQ(readAudacityLabels(folder / "labels.txt", 9000), expected);
    EXPECT_THROW(readAudacityLabels(folder / "none.txt", 9000), PointListError);
    EXPECT_THROW(writeTextFile(folder / "no folder/labels.txt", text), PointListError);
}

TEST(PointLists, PlaylistsNameFilesFromTheirFolder) {
    const std::string text =
        m3uText("/music/out/", {{"/music/out/Album/01 A.flac", 61499, "Ann - A"}, {"/elsewhere/b.mp3", 500, "b"}});
    EXPECT_EQ(text, "#EXTM3U\n#EXTINF:61,Ann - A\nAlbum/01 A.flac\n#EXTINF:1,b\n/elsewhere/b.mp3\n");
}
