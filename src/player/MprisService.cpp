#include "MprisService.h"

#include <algorithm>
#include <cmath>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSlider>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QUrl>

#include "AudioTags.h"
#include "FileNames.h"
#include "PlayerWindow.h"

namespace {

constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";

// The cover as a file the desktop can show, in the user's runtime folder; "" without one.
QString writtenCover(const CoverPicture& cover) {
    if (cover.data.empty())
        return {};
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString path = (folder.isEmpty() ? QDir::tempPath() : folder) + "/zelvo-mp3-cover" +
                         (cover.mimeType == "image/png" ? ".png" : ".jpg");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(cover.data.data(), static_cast<qint64>(cover.data.size())) !=
            static_cast<qint64>(cover.data.size()) ||
        !file.commit())
        return {};
    return path;
}

} // namespace

MprisService::MprisService(PlayerWindow& player) : player_(player) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no desktop session: nothing to offer media keys to
    new MprisRootAdaptor(this, *this);
    new MprisPlayerAdaptor(this, *this);
    registered_ = bus.registerObject(ObjectPath, this) && bus.registerService(ServiceName);
    player_.onPlaybackChange = [this] { playbackChanged(); };
}

MprisService::~MprisService() {
    player_.onPlaybackChange = nullptr;
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
    if (player_.playingRow_ == -1)
        return "Stopped";
    return player_.paused_ ? "Paused" : "Playing";
}

QVariantMap MprisService::metadata() const {
    const int row = player_.playingRow_;
    if (row == -1 || !player_.file_.isReading())
        return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack"))}};
    const QString path = player_.currentFolder_ + player_.rowFileName(row);
    if (path == metadataOf_)
        return metadata_;
    const AudioTags tags = readAudioTags(Platform::pathBytes(path));
    QVariantMap map{
        {"mpris:trackid", QVariant::fromValue(QDBusObjectPath(QString("/org/zelvo/mp3/track/%1").arg(row)))},
        {"mpris:length", static_cast<qlonglong>(player_.file_.totalFrames() * 1000000.0 / player_.file_.sampleRate())},
        {"xesam:title", tags.title.empty() ? player_.rowFileName(row) : QString::fromStdString(tags.title)},
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
    return (65535 - player_.volumeSlider_->value()) / 65535.0;
}

void MprisService::setVolume(double volume) {
    player_.volumeSlider_->setValue(65535 - static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 65535)));
}

qlonglong MprisService::positionUs() const {
    if (player_.playingRow_ == -1 || !player_.file_.isReading())
        return 0;
    return static_cast<qlonglong>(player_.playedFrame() * 1000000.0 / player_.file_.sampleRate());
}

void MprisService::seekTo(qlonglong positionUs) {
    if (player_.playingRow_ == -1 || !player_.file_.isReading())
        return;
    player_.seekToFrame(std::llround(std::max<qlonglong>(positionUs, 0) * player_.file_.sampleRate() / 1e6));
}

void MprisService::playNeighbour(int step) {
    QTreeWidget* list = player_.playList_;
    const int from = player_.playingRow_ != -1 ? player_.playingRow_ : list->indexOfTopLevelItem(list->currentItem());
    const int row = from + step;
    if (row < 0 || row >= list->topLevelItemCount())
        return;
    list->setCurrentItem(list->topLevelItem(row));
    player_.play();
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
        service_.player().pause();
}

void MprisPlayerAdaptor::PlayPause() {
    if (service_.playbackStatus() == "Stopped")
        Play();
    else
        service_.player().pause();
}

void MprisPlayerAdaptor::Stop() {
    service_.player().stop();
}

void MprisPlayerAdaptor::Play() {
    const QString status = service_.playbackStatus();
    if (status == "Paused")
        service_.player().pause();
    else if (status == "Stopped")
        service_.playNeighbour(0);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath&, qlonglong positionUs) {
    service_.seekTo(positionUs);
    emit Seeked(service_.positionUs());
}
