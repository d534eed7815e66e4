#pragma once

#include <string>
#include <vector>

// The joiner's list of files to merge, in merge order, as plain rows: the reordering
// rules of its eight buttons and its one-line summary.
struct JoinRow {
    std::string caption; // the file's full path: the row's identity
    std::string format, duration, size;
    std::string status = " ";
    bool ticked = true;
    bool selected = false;
    std::string note = {};    // why the status is what it is (the row's tooltip)
    std::string chapter = {}; // the title of its chapter in the joined file

    bool operator==(const JoinRow&) const = default;
};

class JoinList {
public:
    std::vector<JoinRow> rows;

    bool contains(const std::string& path) const;
    // Appends a ticked row unless the path is in the list already; false when skipped.
    bool add(JoinRow row);
    void removeSelected();
    void removeAll() { rows.clear(); }
    // Every selected row one place up (down); a row at the edge, and a block of
    // selected rows touching it, stays.
    void moveUp();
    void moveDown();
    // The selected rows first (last), the others after (before) them, each in their order.
    void moveFirst();
    void moveLast();
    bool anySelected() const;

    // "3 files in list, 2 files selected, selected duration is approximately: 00h 07m 31s "
    std::string summaryText() const;

private:
    void swap(int a, int b);
};

// Seconds of a duration text "hh : mm : ss" (any number of hour digits); 0 when unreadable.
int durationTextToSeconds(const std::string& text);
