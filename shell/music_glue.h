#pragma once

// What the main window does with its music player: start and stop it with
// the tray tooltip following, react to the play-music box, to the end of a
// song and to a newly scanned music directory, with the messages the user
// sees. The window keeps its settings and lists and hands in what each step
// needs.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CMusicPlayer;

class CMusicGlue {
public:
    using TooltipSetter = std::function<void(const std::string& text)>;

    CMusicGlue(CMusicPlayer& player, TooltipSetter setTooltip);
    CMusicGlue(const CMusicGlue&) = delete;
    CMusicGlue& operator=(const CMusicGlue&) = delete;

    // Play; the tooltip names the song once it plays (a song that does not
    // open is skipped), or the player's error is shown when nothing can be
    // started.
    bool StartMusic();
    // Stop; the tooltip shows the program's name again.
    void StopMusic();
    // After the window has read the play-music box into its settings.
    void OnPlayMusicClicked(bool playMusic, bool haveMusicFiles);
    // A notification flag from the player (kMusicNotify...): the tooltip
    // follows the song that plays, and the end or failure of a song moves
    // on to the next one that opens.
    void OnMusicNotify(int flag);
    // After a newly chosen music directory was scanned: a list with entries
    // replaces the playlist (and starts it when music is on); an empty one
    // keeps the old playlist and says so.
    void OnMusicDirectoryScanned(const std::vector<std::string>& musicFiles, bool playMusic);

    static std::string PlayingText(const std::string& song) { return "Playing - " + song; }

private:
    // Starts the next song; its open reports back as a notification.
    void AdvanceAfterSong();
    // Nothing could be played: the music stops, the tooltip shows the
    // program's name again and the last error is shown.
    void GiveUp();

    CMusicPlayer& player_;
    TooltipSetter setTooltip_;
    // Songs that failed, to open or while playing, since the last one that
    // played to its end: once every song of the list has failed in a row
    // (no audio output fails each song just after it opens), the music stops.
    std::size_t failedInARow_ = 0;
};
