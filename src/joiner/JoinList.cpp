#include "JoinList.h"

#include <algorithm>
#include <sstream>

#include "AppSettings.h"

bool JoinList::contains(const std::string& path) const {
    return std::any_of(rows.begin(), rows.end(), [&](const JoinRow& row) { return row.caption == path; });
}

bool JoinList::add(JoinRow row) {
    if (contains(row.caption))
        return false;
    row.status = " ";
    row.ticked = true;
    row.selected = false;
    rows.push_back(std::move(row));
    return true;
}

bool JoinList::anySelected() const {
    return std::any_of(rows.begin(), rows.end(), [](const JoinRow& row) { return row.selected; });
}

void JoinList::removeSelected() {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const JoinRow& row) { return row.selected; }), rows.end());
}

void JoinList::swap(int a, int b) {
    const int last = static_cast<int>(rows.size()) - 1;
    if (a < 0 || b < 0 || a > last || b > last ||
        (rows[static_cast<size_t>(a)].selected && rows[static_cast<size_t>(b)].selected))
        return;
    std::swap(rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)]);
}

void JoinList::moveUp() {
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        if (rows[static_cast<size_t>(i)].selected)
            swap(i, i - 1);
}

void JoinList::moveDown() {
    for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i)
        if (rows[static_cast<size_t>(i)].selected)
            swap(i, i + 1);
}

void JoinList::moveFirst() {
    std::stable_partition(rows.begin(), rows.end(), [](const JoinRow& row) { return row.selected; });
}

void JoinList::moveLast() {
    std::stable_partition(rows.begin(), rows.end(), [](const JoinRow& row) { return !row.selected; });
}

std::string JoinList::summaryText() const {
    const size_t n = rows.size();
    size_t m = 0;
    int64_t seconds = 0;
    for (const JoinRow& row : rows)
        if (row.ticked) {
            ++m;
            seconds += durationTextToSeconds(row.duration);
        }
    const char* files = n > 1 ? " files " : " file ";
    const char* ticked = n > 1 && m > 1 ? " files " : " file ";
    return std::to_string(n) + files + "in list, " + std::to_string(m) + ticked +
           "selected, selected duration is approximately: " + AppSettings::formatHms(seconds * 1000);
}

int durationTextToSeconds(const std::string& text) {
    std::istringstream fields(AppSettings::trim(text));
    long hours = 0, minutes = 0, seconds = 0;
    char colon1 = 0, colon2 = 0;
    if (!(fields >> hours >> colon1 >> minutes >> colon2 >> seconds) || colon1 != ':' || colon2 != ':')
        return 0;
    return static_cast<int>(hours * 3600 + minutes * 60 + seconds);
}
