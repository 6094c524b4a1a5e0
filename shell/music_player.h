#pragma once

// Background music: a list of sound files played one after another, in list
// order or at random, on one playback device shared by every player (only
// one song sounds at a time). Opening a song returns at once: the media
// loads in the background, and whether the song started, could not be
// opened, played to its end or failed while playing reaches the
// notification handler later, on the user-interface thread, never from
// within the call that started it. That is how the main window learns that
// it should move on; nothing waits in a nested event loop. User-interface
// thread only.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Flags passed to the notification handler.
inline constexpr int kMusicNotifySuccessful = 1;  // the song played to its end
inline constexpr int kMusicNotifySuperseded = 2;
inline constexpr int kMusicNotifyAborted = 4;
// Playback failed after the open (GetErrorText says why).
inline constexpr int kMusicNotifyFailure = 8;
// The song could not be opened (GetErrorText says why); the device is closed.
inline constexpr int kMusicNotifyOpenFailed = 16;
// The song opened and plays now.
inline constexpr int kMusicNotifyPlaying = 32;

// Error codes of the device: 0, or QMediaPlayer::Error values, or these.
inline constexpr int kMusicErrorTimeout = 100;   // the media did not load in time
inline constexpr int kMusicErrorNoDevice = 101;  // no application, so no player

class CMusicPlayer {
public:
    CMusicPlayer();
    explicit CMusicPlayer(const std::vector<std::string>& playlist);
    virtual ~CMusicPlayer();
    CMusicPlayer(const CMusicPlayer&) = delete;
    CMusicPlayer& operator=(const CMusicPlayer&) = delete;

    // Copies the list, forgets the position and the current song, then
    // selects the next one (at once in random mode). Returns true.
    bool SetPlaylist(const std::vector<std::string>& playlist);
    // 0 = in order, 1 = random; other values make SelectNext do nothing.
    void SetPlayMode(int mode) { mode_ = mode; }
    int GetPlayMode() const { return mode_; }
    std::string GetCurrentSong() const { return currentSong_; }
    const std::vector<std::string>& GetPlaylist() const { return playlist_; }

    void SelectNext();
    // Random mode's choice of the next song, in place of a free draw (the
    // owner keeps a shuffled order so no song repeats before every one has
    // played): the index of the song in `playlist`, or none to fall back to
    // the draw.
    using RandomChooser =
        std::function<std::optional<std::size_t>(const std::vector<std::string>& playlist)>;
    void SetRandomChooser(RandomChooser chooser) { chooser_ = std::move(chooser); }
    // Stops whatever plays, then starts opening the current song (selecting
    // one first when none is current); it plays as soon as it is loaded.
    // False when there is no song or no device; whether the open succeeded
    // comes later, as kMusicNotifyPlaying or kMusicNotifyOpenFailed.
    bool Play();
    bool PlayNext();

    // Stops, then starts opening `path` on the shared device, as Play does;
    // the current song is not changed. False at once for an empty path.
    static bool PlayFile(const std::string& path);
    // Stops and closes the shared device. Harmless when nothing is open.
    static bool Stop();
    // True for 0; otherwise keeps the code's message as the last error text.
    static bool CheckMciError(int code);
    // The message of the last failure of any player; never cleared.
    static std::string GetErrorText();
    // The fixed text for an error code (no detail from the backend).
    static std::string DescribeError(int code);

    // Receives the notification flags above on the user-interface thread.
    // Notifications of a song that has since been stopped or replaced are
    // dropped, so a late end-of-song never skips the song that followed it.
    using NotifyHandler = std::function<void(int flag)>;
    static void SetNotifyHandler(NotifyHandler handler);
    // How long an open may take before it counts as failed (milliseconds);
    // applies to opens started afterwards.
    static void SetOpenTimeout(int milliseconds);

private:
    int mode_ = 0;
    std::string currentSong_;
    std::vector<std::string> playlist_;
    std::optional<std::size_t> position_;
    RandomChooser chooser_;
};
