#include "EngineEvents.h"

#include <QCoreApplication>

#include "AudioPlayer.h"

void RouteEngineEventsToTheWindows() {
    TAudioPlayer2::SetDispatcher([](std::function<void()> event) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(event), Qt::QueuedConnection);
    });
}

void StopRoutingEngineEvents() {
    TAudioPlayer2::SetDispatcher({});
}
