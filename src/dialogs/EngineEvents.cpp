#include "EngineEvents.h"

#include <QCoreApplication>

#include "AudioPlayer.h"

void routeEngineEventsToTheWindows() {
    AudioPlayer::setDispatcher([](std::function<void()> event) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(event), Qt::QueuedConnection);
    });
}

void stopRoutingEngineEvents() {
    AudioPlayer::setDispatcher({});
}
