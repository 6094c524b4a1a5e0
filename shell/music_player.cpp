#include "shell/music_player.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <cstdint>
#include <mutex>
#include <random>

namespace {

std::mutex errorMutex;
std::string& LastErrorText() {
    static std::string text;
    return text;
}

void StoreErrorText(const std::string& text) {
    std::lock_guard lock(errorMutex);
    LastErrorText() = text;
}

// Seeded once: reseeding from the clock for every pick would choose the same
// song for every pick within one second.
std::mt19937& RandomGenerator() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

void StoreOpenError(int code, const std::string& detail) {
    CMusicPlayer::CheckMciError(code);
    if (!detail.empty()) {
        StoreErrorText(CMusicPlayer::DescribeError(code) + "\n" + detail);
    }
}

// The one playback device, owned by the application object so that it goes
// away with it. Each open gets a media player of its own: a backend keeps
// reporting errors of a failed source for a while, and they must not count
// against the next song. Every notification carries the generation of the
// song it is about; Stop and each open start a new generation.
//
// Loading is asynchronous and stays so: the outcome of an open is a
// notification like the end of a song, not something a caller waits for in
// a nested event loop, where any handler of the window could run again
// inside the one that started the song.
class MusicDevice : public QObject {
public:
    explicit MusicDevice(QObject* parent) : QObject(parent) {
        openTimer_.setSingleShot(true);
        connect(&openTimer_, &QTimer::timeout, this, [this] {
            if (opening_) {
                Fail(kMusicErrorTimeout, {});
            }
        });
    }

    // Closes the open song, if any; its pending notifications lapse.
    void Close() {
        ++generation_;
        playing_ = false;
        opening_ = false;
        openTimer_.stop();
        if (player_ != nullptr) {
            player_->disconnect(this);
            player_->stop();
            // Deleted later: Close may run inside one of the player's signals.
            player_->deleteLater();
            player_ = nullptr;
        }
    }

    // Starts loading `path`; it plays once loaded. The outcome arrives as
    // kMusicNotifyPlaying or kMusicNotifyOpenFailed.
    void Open(const std::string& path) {
        Close();
        opening_ = true;
        player_ = new QMediaPlayer(this);
        player_->setAudioOutput(new QAudioOutput(player_));
        connect(player_, &QMediaPlayer::mediaStatusChanged, this,
                [this](QMediaPlayer::MediaStatus status) {
                    if (opening_) {
                        if (Settled()) {
                            FinishOpen();
                        }
                    } else if (playing_ && status == QMediaPlayer::EndOfMedia) {
                        playing_ = false;
                        Post(kMusicNotifySuccessful);
                    }
                });
        connect(player_, &QMediaPlayer::errorOccurred, this, [this] {
            if (opening_) {
                FinishOpen();
            } else if (playing_) {
                // The backend may report one failure several times.
                playing_ = false;
                StoreOpenError(player_->error(), player_->errorString().toStdString());
                Post(kMusicNotifyFailure);
            }
        });
        openTimer_.start(openTimeout);
        player_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
        // Some outcomes are known before setSource returns, without a signal.
        if (opening_ && Settled()) {
            FinishOpen();
        }
    }

    CMusicPlayer::NotifyHandler handler;
    static inline int openTimeout = 10000;

private:
    bool Settled() const {
        if (player_->error() != QMediaPlayer::NoError) {
            return true;
        }
        switch (player_->mediaStatus()) {
        case QMediaPlayer::LoadedMedia:
        case QMediaPlayer::BufferingMedia:
        case QMediaPlayer::BufferedMedia:
        case QMediaPlayer::InvalidMedia:
            return true;
        default:
            return false;
        }
    }

    // The media has loaded, or failed to: start it or report why not.
    void FinishOpen() {
        opening_ = false;
        openTimer_.stop();
        if (player_->error() != QMediaPlayer::NoError) {
            Fail(player_->error(), player_->errorString().toStdString());
        } else if (player_->mediaStatus() == QMediaPlayer::InvalidMedia) {
            Fail(QMediaPlayer::FormatError, {});
        } else {
            playing_ = true;
            player_->play();
            Post(kMusicNotifyPlaying);
        }
    }

    void Fail(int code, const std::string& detail) {
        StoreOpenError(code, detail);
        // Posted in the generation after the close: a song opened or a stop
        // before it arrives makes it lapse, as it no longer concerns anyone.
        Close();
        Post(kMusicNotifyOpenFailed);
    }

    void Post(int flag) {
        const std::uint64_t generation = generation_;
        // Queued, as the end of a song is a message to the window: the
        // handler may stop and reopen the device without re-entering it.
        QMetaObject::invokeMethod(
            this,
            [this, generation, flag] {
                if (generation == generation_ && handler) {
                    handler(flag);
                }
            },
            Qt::QueuedConnection);
    }

    QMediaPlayer* player_ = nullptr;
    QTimer openTimer_;
    std::uint64_t generation_ = 0;
    bool opening_ = false;
    bool playing_ = false;
};

QPointer<MusicDevice>& DeviceSlot() {
    static QPointer<MusicDevice> device;
    return device;
}

CMusicPlayer::NotifyHandler& PendingHandler() {
    static CMusicPlayer::NotifyHandler handler;
    return handler;
}

// The device, created on first use; null without an application object.
MusicDevice* Device() {
    QPointer<MusicDevice>& device = DeviceSlot();
    if (device.isNull() && QCoreApplication::instance() != nullptr) {
        device = new MusicDevice(QCoreApplication::instance());
        device->handler = PendingHandler();
    }
    return device.data();
}

bool OpenAndStart(const std::string& path) {
    MusicDevice* device = Device();
    if (device == nullptr) {
        return CMusicPlayer::CheckMciError(kMusicErrorNoDevice);
    }
    device->Open(path);
    return true;
}

}  // namespace

CMusicPlayer::CMusicPlayer() = default;

CMusicPlayer::CMusicPlayer(const std::vector<std::string>& playlist) {
    SetPlaylist(playlist);
}

CMusicPlayer::~CMusicPlayer() {
    Stop();
}

bool CMusicPlayer::SetPlaylist(const std::vector<std::string>& playlist) {
    playlist_ = playlist;
    position_.reset();
    currentSong_.clear();
    SelectNext();
    return true;
}

void CMusicPlayer::SelectNext() {
    if (mode_ == 0) {
        if (!position_) {
            if (playlist_.empty()) {
                return;
            }
            position_ = 0;
        }
        currentSong_ = playlist_[*position_];
        if (*position_ + 1 < playlist_.size()) {
            ++*position_;
        } else {
            position_.reset();
        }
    } else if (mode_ == 1) {
        if (playlist_.empty()) {
            position_.reset();
            currentSong_.clear();
            return;
        }
        std::optional<std::size_t> chosen;
        if (chooser_)
            chosen = chooser_(playlist_);
        if (!chosen || *chosen >= playlist_.size())
            chosen = std::uniform_int_distribution<std::size_t>(
                0, playlist_.size() - 1)(RandomGenerator());
        position_ = chosen;
        currentSong_ = playlist_[*position_];
    }
}

bool CMusicPlayer::Play() {
    Stop();
    if (currentSong_.empty()) {
        SelectNext();
        if (currentSong_.empty()) {
            return false;
        }
    }
    return OpenAndStart(currentSong_);
}

bool CMusicPlayer::PlayNext() {
    SelectNext();
    Stop();
    return Play();
}

bool CMusicPlayer::PlayFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    Stop();
    return OpenAndStart(path);
}

bool CMusicPlayer::Stop() {
    // Never creates the device: stopping what was never opened does nothing.
    if (MusicDevice* device = DeviceSlot().data()) {
        device->Close();
    }
    return true;
}

bool CMusicPlayer::CheckMciError(int code) {
    if (code == 0) {
        return true;
    }
    StoreErrorText(DescribeError(code));
    return false;
}

std::string CMusicPlayer::GetErrorText() {
    std::lock_guard lock(errorMutex);
    return LastErrorText();
}

std::string CMusicPlayer::DescribeError(int code) {
    switch (code) {
    case 0:
        return "The operation completed successfully.";
    case QMediaPlayer::ResourceError:
        return "The file could not be opened or played.";
    case QMediaPlayer::FormatError:
        return "The file's format is not supported.";
    case QMediaPlayer::NetworkError:
        return "The file could not be reached.";
    case QMediaPlayer::AccessDeniedError:
        return "Access to the file was denied.";
    case kMusicErrorTimeout:
        return "The file did not open in time.";
    case kMusicErrorNoDevice:
        return "No media player is available.";
    default:
        return "Unknown media error (" + std::to_string(code) + ").";
    }
}

void CMusicPlayer::SetNotifyHandler(NotifyHandler handler) {
    PendingHandler() = handler;
    if (MusicDevice* device = DeviceSlot().data()) {
        device->handler = std::move(handler);
    }
}

void CMusicPlayer::SetOpenTimeout(int milliseconds) {
    MusicDevice::openTimeout = milliseconds;
}
