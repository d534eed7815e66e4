#pragma once

#include <string>
#include <vector>

// The joiner's list of files to merge, in merge order, as plain rows: the reordering
// rules of its eight buttons and its one-line summary.
struct TJoinRow {
    std::string Caption; // the file's full path: the row's identity
    std::string Format, Duration, Size;
    std::string Status = " ";
    bool Ticked = true;
    bool Selected = false;

    bool operator==(const TJoinRow&) const = default;
};

class TJoinList {
public:
    std::vector<TJoinRow> Rows;

    bool Contains(const std::string& path) const;
    // Appends a ticked row unless the path is in the list already; false when skipped.
    bool Add(TJoinRow row);
    void RemoveSelected();
    void RemoveAll() { Rows.clear(); }
    // Every selected row one place up (down); a row at the edge, and a block of
    // selected rows touching it, stays.
    void MoveUp();
    void MoveDown();
    // The selected rows first (last), the others after (before) them, each in their order.
    void MoveFirst();
    void MoveLast();
    bool AnySelected() const;

    // "3 files in list, 2 files selected, selected duration is approximately: 00h 07m 31s "
    std::string SummaryText() const;

private:
    void Swap(int a, int b);
};

// Seconds of a duration text "hh : mm : ss" (any number of hour digits); 0 when unreadable.
int DurationTextToSeconds(const std::string& text);
