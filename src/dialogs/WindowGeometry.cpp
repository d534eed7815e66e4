#include "WindowGeometry.h"

#include <algorithm>

#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

// The window within the screen's available area (what panels and docks leave), as far as
// its layout's minimum allows: a window from a larger screen, a larger font or scale
// would otherwise open with its buttons off the screen.
void fitIntoScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // Before the window manager has framed the window its frame is not known: a title bar
    // as the style draws one stands for it.
    QSize frame = window->frameGeometry().size() - window->size();
    if (frame.isNull())
        frame = QSize(8, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 8);
    const QSize room = (area.size() - frame).expandedTo(window->minimumSizeHint());
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room));
    const QRect placed = window->frameGeometry();
    const int x = std::clamp(placed.x(), area.left(), std::max(area.left(), area.right() + 1 - placed.width()));
    const int y = std::clamp(placed.y(), area.top(), std::max(area.top(), area.bottom() + 1 - placed.height()));
    if (x != placed.x() || y != placed.y())
        window->move(x, y);
}

class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget* window, std::string& stored) : QObject(window), window_(window), stored_(stored) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_)
            return false;
        if (event->type() == QEvent::Show && !restored_) {
            restored_ = true;
            if (!stored_.empty())
                window_->restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(stored_)));
            fitIntoScreen(window_);
        } else if (event->type() == QEvent::WindowActivate && !framed_) {
            framed_ = true; // the frame is known now
            fitIntoScreen(window_);
        } else if (event->type() == QEvent::Hide) {
            stored_ = window_->saveGeometry().toBase64().toStdString();
        }
        return false;
    }

private:
    QWidget* window_;
    std::string& stored_;
    bool restored_ = false;
    bool framed_ = false;
};

} // namespace

void keepGeometry(QWidget* window, std::string& stored) {
    new GeometryKeeper(window, stored);
}
