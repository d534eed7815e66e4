#include "MprisService.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QSaveFile>
#include <QSlider>
#include <QTreeWidget>
#include <QUrl>

#include "AudioTags.h"
#include "FileNames.h"
#include "PlaybackController.h"
#include "PlayerWindow.h"
#include "SpecialFolders.h"

namespace {

constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";

// The cover as a file the desktop can show, in the user's private runtime folder; "" without
// one (a cover is never put where other users could read it).
QString writtenCover(const CoverPicture& cover) {
    const QString folder = QString::fromStdString(Platform::privateRuntimeFolder());
    if (cover.data.empty() || folder.isEmpty())
        return {};
    const QString path = folder + "/zelvo-mp3-cover" + (cover.mimeType == "image/png" ? ".png" : ".jpg");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(cover.data.data(), static_cast<qint64>(cover.data.size())) !=
            static_cast<qint64>(cover.data.size()) ||
        !file.commit())
        return {};
    return path;
}

} // namespace

MprisService::MprisService(PlayerWindow& player) : player_(player), playback_(player.playback()) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no desktop session: nothing to offer media keys to
    new MprisRootAdaptor(this, *this);
    new MprisPlayerAdaptor(this, *this);
    registered_ = bus.registerObject(ObjectPath, this) && bus.registerService(ServiceName);
    connect(&playback_, &PlaybackController::stateChanged, this, &MprisService::playbackChanged);
}

MprisService::~MprisService() {
    if (!registered_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(ServiceName);
    bus.unregisterObject(ObjectPath);
    if (!coverFile_.isEmpty())
        QFile::remove(coverFile_);
}

void MprisService::playbackChanged() {
    if (!registered_)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
    signal << QString(PlayerInterface) << QVariantMap{{"PlaybackStatus", playbackStatus()}, {"Metadata", metadata()}}
           << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

QString MprisService::playbackStatus() const {
    switch (playback_.state()) {
    case PlaybackController::State::Playing: return "Playing";
    case PlaybackController::State::Paused: return "Paused";
    default: return "Stopped";
    }
}

QVariantMap MprisService::metadata() const {
    if (!playback_.isActive())
        return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack"))}};
    const QString path = playback_.file();
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    if (path == metadataOf_)
        return metadata_;
    const AudioTags tags = readAudioTags(Platform::pathBytes(path));
    QVariantMap map{
        {"mpris:trackid",
         QVariant::fromValue(QDBusObjectPath(QString("/org/zelvo/mp3/track/%1").arg(qHash(path) & 0x7fffffff)))},
        {"mpris:length", static_cast<qlonglong>(playback_.lengthFrames() * 1000000.0 / playback_.sampleRate())},
        {"xesam:title", tags.title.empty() ? name : QString::fromStdString(tags.title)},
        {"xesam:url", QUrl::fromLocalFile(path).toString()}};
    if (!tags.artist.empty())
        map.insert("xesam:artist", QStringList{QString::fromStdString(tags.artist)});
    if (!tags.album.empty())
        map.insert("xesam:album", QString::fromStdString(tags.album));
    coverFile_ = writtenCover(tags.cover);
    if (!coverFile_.isEmpty())
        map.insert("mpris:artUrl", QUrl::fromLocalFile(coverFile_).toString());
    metadataOf_ = path;
    metadata_ = map;
    return map;
}

double MprisService::volume() const {
    return playback_.volume() / 65535.0;
}

void MprisService::setVolume(double volume) {
    playback_.setVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 65535)));
}

qlonglong MprisService::positionUs() const {
    if (!playback_.isActive())
        return 0;
    return static_cast<qlonglong>(playback_.positionFrame() * 1000000.0 / playback_.sampleRate());
}

void MprisService::seekTo(qlonglong positionUs) {
    if (playback_.isActive())
        playback_.seekToFrame(std::llround(std::max<qlonglong>(positionUs, 0) * playback_.sampleRate() / 1e6));
}

void MprisService::playNeighbour(int step) {
    player_.playNeighbour(step);
}

QString MprisService::trackId() const {
    return playback_.isActive() ? metadata().value("mpris:trackid").value<QDBusObjectPath>().path() : QString();
}

qlonglong MprisService::lengthUs() const {
    return playback_.isActive() ? static_cast<qlonglong>(playback_.lengthFrames() * 1000000.0 / playback_.sampleRate())
                                : 0;
}

bool MprisService::setPosition(const QString& track, qlonglong positionUs) {
    if (track != trackId() || positionUs < 0 || positionUs > lengthUs())
        return false;
    seekTo(positionUs);
    return true;
}

void MprisService::seekBy(qlonglong offsetUs) {
    if (!playback_.isActive())
        return;
    qlonglong target = 0;
    if (__builtin_add_overflow(positionUs(), offsetUs, &target))
        target = offsetUs > 0 ? std::numeric_limits<qlonglong>::max() : std::numeric_limits<qlonglong>::min();
    if (target > lengthUs()) {
        if (!player_.playNeighbour(1))
            playback_.stop();
        return;
    }
    seekTo(std::max<qlonglong>(target, 0));
}

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MprisService& service)
    : QDBusAbstractAdaptor(object), service_(service) {}

QStringList MprisRootAdaptor::mimeTypes() const {
    return {"audio/mpeg", "audio/x-wav", "audio/ogg", "audio/x-ms-wma", "audio/flac", "audio/mp4", "audio/x-aiff"};
}

void MprisRootAdaptor::Raise() {
    PlayerWindow& window = service_.player();
    window.show();
    window.raise();
    window.activateWindow();
}

void MprisRootAdaptor::Quit() {
    service_.player().close();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* object, MprisService& service)
    : QDBusAbstractAdaptor(object), service_(service) {}

void MprisPlayerAdaptor::Pause() {
    if (service_.playbackStatus() == "Playing")
        service_.playback().pause();
}

void MprisPlayerAdaptor::PlayPause() {
    if (service_.playbackStatus() == "Stopped")
        Play();
    else
        service_.playback().togglePause();
}

void MprisPlayerAdaptor::Stop() {
    service_.playback().stop();
}

void MprisPlayerAdaptor::Play() {
    const QString status = service_.playbackStatus();
    if (status == "Paused")
        service_.playback().resume();
    else if (status == "Stopped")
        service_.playNeighbour(0);
}

void MprisPlayerAdaptor::Seek(qlonglong offsetUs) {
    service_.seekBy(offsetUs);
    emit Seeked(service_.positionUs());
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& track, qlonglong positionUs) {
    if (service_.setPosition(track.path(), positionUs))
        emit Seeked(service_.positionUs());
}
