#include "WindowGeometry.h"

#include <QEvent>
#include <QWidget>

namespace {

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
        } else if (event->type() == QEvent::Hide) {
            stored_ = window_->saveGeometry().toBase64().toStdString();
        }
        return false;
    }

private:
    QWidget* window_;
    std::string& stored_;
    bool restored_ = false;
};

} // namespace

void keepGeometry(QWidget* window, std::string& stored) {
    new GeometryKeeper(window, stored);
}
