#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QString>
#include <QWidget>
#include <QtTest>

// A window's control by its object name; the test fails when there is none.
template <class Control>
Control* control(const QWidget& window, const char* name) {
    auto* found = window.findChild<Control*>(name);
    if (!found)
        qFatal("%s has no control named %s", qPrintable(window.objectName()), name);
    return found;
}

// The text a list view shows in a cell, and its row count.
inline QString cellText(const QAbstractItemView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}
inline int rowCount(const QAbstractItemView* view) {
    return view->model()->rowCount();
}
// Makes a row the current and only selected one, as a click on it does.
inline void selectRow(QAbstractItemView* view, int row, int column = 0) {
    view->setCurrentIndex(view->model()->index(row, column));
}

// Clicks a window's button by its object name, as the mouse does.
inline void clickButton(const QWidget& window, const char* name) {
    QTest::mouseClick(control<QAbstractButton>(window, name), Qt::LeftButton);
}
