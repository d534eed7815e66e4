#pragma once

#include <cstdint>

#include <QTimer>
#include <QWidget>

// The joiner's two-line information box: a file's format shows for a few seconds, then
// the list's summary scrolls up into its place. Its height follows the window's font.
class InfoBox : public QWidget {
    Q_OBJECT

public:
    explicit InfoBox(QWidget* parent = nullptr);

    // A file's information, shown at once and for a while.
    void showInfo(const QString& text);
    // The second line (the list's summary, a merge's progress); with now, shown at once.
    void setSummary(const QString& text, bool now = false);
    QString info() const { return line1_; }
    QString summary() const { return line2_; }
    // The first line's top, where it stands when centred, and the step to the second line.
    int top() const { return top_; }
    int centre() const;
    int linePitch() const { return height() + 3; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void scroll();

    QString line1_, line2_;
    int top_ = 0;
    int64_t shownAt_ = 0;
    QTimer timer_;
};
