#include "shell/music_glue.h"

#include "platform/qt/messages.h"
#include "platform/base/product.h"
#include "shell/music_player.h"

CMusicGlue::CMusicGlue(CMusicPlayer& player, TooltipSetter setTooltip)
    : player_(player), setTooltip_(std::move(setTooltip)) {}

bool CMusicGlue::StartMusic() {
    if (player_.Play()) {
        setTooltip_(PlayingText(player_.GetCurrentSong()));
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
    if (flag == kMusicNotifySuccessful) {
        CMusicPlayer::Stop();
        AdvanceAfterSong();
    } else if (flag == kMusicNotifyFailure) {
        AdvanceAfterSong();
    }
}

void CMusicGlue::AdvanceAfterSong() {
    // One unreadable file must not end the music while the tooltip still
    // claims to play it: skip to the next song that opens.
    const std::size_t attempts = player_.GetPlaylist().size();
    for (std::size_t i = 0; i < attempts; ++i) {
        if (player_.PlayNext()) {
            setTooltip_(PlayingText(player_.GetCurrentSong()));
            return;
        }
    }
    setTooltip_(GetProductName());
    if (attempts > 0) {
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
