#include "shell/music_glue.h"

#include "platform/base/product.h"
#include "platform/qt/messages.h"
#include "shell/music_player.h"

CMusicGlue::CMusicGlue(CMusicPlayer& player, TooltipSetter setTooltip)
    : player_(player), setTooltip_(std::move(setTooltip)) {}

bool CMusicGlue::StartMusic() {
    failedInARow_ = 0;
    if (player_.Play()) {
        return true;
    }
    platform::ShowMessage(CMusicPlayer::GetErrorText());
    return false;
}

void CMusicGlue::StopMusic() {
    CMusicPlayer::Stop();
    setTooltip_(GetProductName());
}

void CMusicGlue::OnPlayMusicClicked(bool playMusic, bool haveMusicFiles) {
    if (!playMusic) {
        StopMusic();
    } else if (haveMusicFiles) {
        StartMusic();
    } else {
        platform::ShowMessage("No music files in music directory");
    }
}

void CMusicGlue::OnMusicNotify(int flag) {
    switch (flag) {
    case kMusicNotifyPlaying:
        // Opening is not playing: without a working audio output each song
        // opens and fails at once, so only a song's end clears the count.
        setTooltip_(PlayingText(player_.GetCurrentSong()));
        break;
    case kMusicNotifySuccessful:
        CMusicPlayer::Stop();
        failedInARow_ = 0;
        AdvanceAfterSong();
        break;
    case kMusicNotifyFailure:
    case kMusicNotifyOpenFailed:
        // One bad file must not end the music while the tooltip still claims
        // to play the song before it: skip to the next song, until every
        // song of the list has failed once in a row.
        if (++failedInARow_ >= player_.GetPlaylist().size())
            GiveUp();
        else
            AdvanceAfterSong();
        break;
    default:
        break;
    }
}

void CMusicGlue::AdvanceAfterSong() {
    if (!player_.PlayNext())
        GiveUp();
}

void CMusicGlue::GiveUp() {
    failedInARow_ = 0;
    CMusicPlayer::Stop();
    setTooltip_(GetProductName());
    if (!player_.GetPlaylist().empty()) {
        platform::ShowMessage(CMusicPlayer::GetErrorText());
    }
}

void CMusicGlue::OnMusicDirectoryScanned(const std::vector<std::string>& musicFiles,
                                         bool playMusic) {
    if (musicFiles.empty()) {
        platform::ShowMessage("No any music file in this directory");
        return;
    }
    player_.SetPlaylist(musicFiles);
    if (playMusic) {
        StartMusic();
    }
}
