#include "JoinList.h"

#include <algorithm>
#include <sstream>

#include "AppSettings.h"

bool TJoinList::Contains(const std::string& path) const {
    return std::any_of(Rows.begin(), Rows.end(), [&](const TJoinRow& row) { return row.Caption == path; });
}

bool TJoinList::Add(TJoinRow row) {
    if (Contains(row.Caption))
        return false;
    row.Status = " ";
    row.Ticked = true;
    row.Selected = false;
    Rows.push_back(std::move(row));
    return true;
}

bool TJoinList::AnySelected() const {
    return std::any_of(Rows.begin(), Rows.end(), [](const TJoinRow& row) { return row.Selected; });
}

void TJoinList::RemoveSelected() {
    Rows.erase(std::remove_if(Rows.begin(), Rows.end(), [](const TJoinRow& row) { return row.Selected; }), Rows.end());
}

void TJoinList::Swap(int a, int b) {
    const int last = static_cast<int>(Rows.size()) - 1;
    if (a < 0 || b < 0 || a > last || b > last ||
        (Rows[static_cast<size_t>(a)].Selected && Rows[static_cast<size_t>(b)].Selected))
        return;
    std::swap(Rows[static_cast<size_t>(a)], Rows[static_cast<size_t>(b)]);
}

void TJoinList::MoveUp() {
    for (int i = 0; i < static_cast<int>(Rows.size()); ++i)
        if (Rows[static_cast<size_t>(i)].Selected)
            Swap(i, i - 1);
}

void TJoinList::MoveDown() {
    for (int i = static_cast<int>(Rows.size()) - 1; i >= 0; --i)
        if (Rows[static_cast<size_t>(i)].Selected)
            Swap(i, i + 1);
}

void TJoinList::MoveFirst() {
    std::stable_partition(Rows.begin(), Rows.end(), [](const TJoinRow& row) { return row.Selected; });
}

void TJoinList::MoveLast() {
    std::stable_partition(Rows.begin(), Rows.end(), [](const TJoinRow& row) { return !row.Selected; });
}

std::string TJoinList::SummaryText() const {
    const size_t n = Rows.size();
    size_t m = 0;
    int64_t seconds = 0;
    for (const TJoinRow& row : Rows)
        if (row.Ticked) {
            ++m;
            seconds += DurationTextToSeconds(row.Duration);
        }
    const char* files = n > 1 ? " files " : " file ";
    const char* ticked = n > 1 && m > 1 ? " files " : " file ";
    return std::to_string(n) + files + "in list, " + std::to_string(m) + ticked +
           "selected, selected duration is approximately: " + GlobeVar::FormatHms(seconds * 1000);
}

int DurationTextToSeconds(const std::string& text) {
    std::istringstream fields(GlobeVar::Trim(text));
    long hours = 0, minutes = 0, seconds = 0;
    char colon1 = 0, colon2 = 0;
    if (!(fields >> hours >> colon1 >> minutes >> colon2 >> seconds) || colon1 != ':' || colon2 != ':')
        return 0;
    return static_cast<int>(hours * 3600 + minutes * 60 + seconds);
}
