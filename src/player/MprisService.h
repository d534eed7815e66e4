#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class PlayerWindow;
class PlaybackController;

// The main window's player on the session bus as MPRIS 2
// (org.mpris.MediaPlayer2.zelvo-mp3), so media keys, the desktop's sound menu and
// playerctl control it. Without a session bus it stays unregistered and does nothing.
class MprisService : public QObject {
    Q_OBJECT

public:
    static constexpr const char* ServiceName = "org.mpris.MediaPlayer2.zelvo-mp3";

    // Lives no longer than the player window and its playback it serves.
    explicit MprisService(PlayerWindow& player);
    ~MprisService() override;
    bool isRegistered() const { return registered_; }

    // The player started, paused or stopped: the desktop is told.
    void playbackChanged();

    // What the bus asks, in the player's terms.
    PlayerWindow& player() { return player_; }
    PlaybackController& playback() { return playback_; }
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong positionUs() const;
    void seekTo(qlonglong positionUs);
    // As MPRIS 2 asks: a position for another track, or outside the track, is ignored
    // (false); a move past the end goes to the next track (or stops), before the start to
    // the start, whatever the offset's size.
    bool setPosition(const QString& trackId, qlonglong positionUs);
    void seekBy(qlonglong offsetUs);
    QString trackId() const;
    qlonglong lengthUs() const;
    void playNeighbour(int step);

private:
    PlayerWindow& player_;
    PlaybackController& playback_;
    bool registered_ = false;
    // The playing file's metadata, read once per file, and its front cover's file.
    mutable QString metadataOf_;
    mutable QVariantMap metadata_;
    mutable QString coverFile_;
};

// org.mpris.MediaPlayer2: the program as a whole.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)

public:
    MprisRootAdaptor(QObject* object, MprisService& service);
    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return "Zelvo MP3 Zovozu Darozu"; }
    QString desktopEntry() const { return "zelvo-mp3"; }
    QStringList uriSchemes() const { return {"file"}; }
    QStringList mimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MprisService& service_;
};

// org.mpris.MediaPlayer2.Player: playing, pausing, moving in the play list, seeking.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ yes)
    Q_PROPERTY(bool CanControl READ yes)

public:
    MprisPlayerAdaptor(QObject* object, MprisService& service);
    QString playbackStatus() const { return service_.playbackStatus(); }
    double rate() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return service_.metadata(); }
    double volume() const { return service_.volume(); }
    void setVolume(double volume) { service_.setVolume(volume); }
    qlonglong position() const { return service_.positionUs(); }
    bool yes() const { return true; }

public slots:
    void Next() { service_.playNeighbour(1); }
    void Previous() { service_.playNeighbour(-1); }
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& track, qlonglong positionUs);
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong positionUs);

private:
    MprisService& service_;
};
