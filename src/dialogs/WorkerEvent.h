#pragma once

#include <QEvent>

// The workers' progress messages to their windows, posted as events.
constexpr int WM_USER = 0x400;
constexpr int WM_CONVERT_PROGRESS = WM_USER + 1;
constexpr int WM_CUT_PROGRESS = WM_USER + 2;
constexpr int WM_MERGE_PROGRESS = WM_USER + 3;

class WorkerEvent : public QEvent {
public:
    // The Qt event type of a message number.
    static QEvent::Type typeOf(int message) { return static_cast<QEvent::Type>(QEvent::User + message); }

    WorkerEvent(int message, int item, int percent) : QEvent(typeOf(message)), item(item), percent(percent) {}

    const int item;    // the item
    const int percent; // the percentage
};
