#pragma once

#include <QEvent>

// The workers' progress messages to their windows, posted as events.
constexpr int WM_USER = 0x400;
constexpr int WM_CONVERT_PROGRESS = WM_USER + 1;
constexpr int WM_CUT_PROGRESS = WM_USER + 2;
constexpr int WM_MERGE_PROGRESS = WM_USER + 3;

class TWorkerEvent : public QEvent {
public:
    // The Qt event type of a message number.
    static QEvent::Type TypeOf(int message) { return static_cast<QEvent::Type>(QEvent::User + message); }

    TWorkerEvent(int message, int wParam, int lParam) : QEvent(TypeOf(message)), WParam(wParam), LParam(lParam) {}

    const int WParam; // the item
    const int LParam; // the percentage
};
