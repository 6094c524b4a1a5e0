#include "shell/music_player.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <set>

#include "platform/base/product.h"
#include "platform/qt/messages.h"
#include "shell/music_glue.h"

namespace {

// A mono 16-bit tone of `ms` milliseconds.
void WriteWav(const std::string& path, int ms, double hz) {
    const std::uint32_t rate = 22050;
    const std::uint32_t samples = rate * ms / 1000;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + samples * 2);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i) {
        u16(static_cast<std::uint16_t>(
            static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * hz * i / rate))));
    }
}

class MusicTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previousSink_ = platform::SetMessageSink(
            [this](const platform::Message& m) { messages_.push_back(m.text); });
    }
    void TearDown() override {
        CMusicPlayer::SetNotifyHandler({});
        CMusicPlayer::Stop();
        platform::SetMessageSink(previousSink_);
    }

    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

    std::string Wav(const char* name, double hz = 440) {
        WriteWav(Path(name), 250, hz);
        return Path(name);
    }

    // Encoded by Debian's lame from a WAV written here.
    std::string Mp3(const char* name) {
        const std::string wav = Wav("source.wav", 660);
        const QString lame = QStandardPaths::findExecutable("lame");
        EXPECT_FALSE(lame.isEmpty()) << "lame is missing; run scripts/install-deps";
        QProcess::execute(
            lame, {"--quiet", QString::fromStdString(wav), QString::fromStdString(Path(name))});
        return Path(name);
    }

    // Runs the event loop until `done` holds or `ms` passed; whether it holds.
    template <typename Predicate>
    static bool WaitFor(Predicate done, int ms = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return done();
    }

    // Runs the event loop until `count` tooltips were set or 20 s passed.
    void WaitForTooltips(std::size_t count) {
        WaitFor([&] { return tooltips_.size() >= count; });
    }

    // Records every notification, and whether one arrived while a call of
    // the player was still running (it must not: that would re-enter the
    // window's handler that started the song).
    void RecordNotifications() {
        CMusicPlayer::SetNotifyHandler([this](int flag) {
            reentered_ = reentered_ || inCall_;
            flags_.push_back(flag);
        });
    }
    template <typename Call>
    auto Calling(Call call) {
        inCall_ = true;
        const auto result = call();
        inCall_ = false;
        return result;
    }
    bool WaitForFlags(std::size_t count) {
        return WaitFor([&] { return flags_.size() >= count; });
    }

    CMusicGlue MakeGlue(CMusicPlayer& player) {
        return CMusicGlue(player, [this](const std::string& t) { tooltips_.push_back(t); });
    }

    QTemporaryDir dir_;
    std::vector<int> flags_;
    bool inCall_ = false;
    bool reentered_ = false;
    std::vector<std::string> tooltips_;
    std::vector<std::string> messages_;
    platform::MessageSink previousSink_;
};

std::vector<std::string> Playing(std::initializer_list<std::string> songs) {
    std::vector<std::string> texts;
    for (const std::string& song : songs) {
        texts.push_back(CMusicGlue::PlayingText(song));
    }
    return texts;
}

TEST_F(MusicTest, OrderModeCyclesThroughTheListAndWraps) {
    CMusicPlayer player({"a", "b", "c"});
    std::vector<std::string> picked{player.GetCurrentSong()};
    for (int i = 0; i < 4; ++i) {
        player.SelectNext();
        picked.push_back(player.GetCurrentSong());
    }
    EXPECT_EQ(picked, (std::vector<std::string>{"a", "b", "c", "a", "b"}));

    player.SetPlaylist({"only"});
    player.SelectNext();
    EXPECT_EQ(player.GetCurrentSong(), "only");

    // An empty list keeps the song in order mode and clears it at random.
    player.SetPlaylist({});
    EXPECT_EQ(player.GetCurrentSong(), "");
    EXPECT_FALSE(player.Play());
}

TEST_F(MusicTest, RandomModeSelectsAtOnceAndVariesWithinOneSecond) {
    CMusicPlayer player;
    player.SetPlayMode(1);
    const std::vector<std::string> list{"a", "b", "c"};
    player.SetPlaylist(list);
    EXPECT_NE(player.GetCurrentSong(), "");
    std::set<std::string> seen;
    for (int i = 0; i < 60; ++i) {
        player.SelectNext();
        seen.insert(player.GetCurrentSong());
    }
    EXPECT_EQ(seen, std::set<std::string>(list.begin(), list.end()));
    player.SetPlaylist({});
    EXPECT_EQ(player.GetCurrentSong(), "");
}

TEST_F(MusicTest, RandomModeTakesTheOwnersChoiceAndDrawsWhenItHasNone) {
    CMusicPlayer player;
    player.SetPlayMode(1);
    std::vector<std::size_t> answers{2, 0, 7};  // 7 is no song of the list
    std::size_t asked = 0;
    player.SetRandomChooser([&](const std::vector<std::string>& playlist) {
        EXPECT_EQ(playlist.size(), 3u);
        return asked < answers.size() ? std::optional(answers[asked++]) : std::nullopt;
    });
    const std::vector<std::string> list{"a", "b", "c"};
    player.SetPlaylist(list);
    EXPECT_EQ(player.GetCurrentSong(), "c");
    player.SelectNext();
    EXPECT_EQ(player.GetCurrentSong(), "a");
    for (int i = 0; i < 3; ++i) {
        player.SelectNext();  // out of range, then none: a song of the list all the same
        EXPECT_NE(std::find(list.begin(), list.end(), player.GetCurrentSong()), list.end());
    }
    player.SetPlayMode(0);
    player.SetPlaylist(list);  // in order the chooser has no say
    EXPECT_EQ(player.GetCurrentSong(), "a");
    EXPECT_EQ(asked, 3u);
}

TEST_F(MusicTest, UnopenableFilesFailLaterWithAReadableError) {
    EXPECT_TRUE(CMusicPlayer::Stop());  // nothing open yet
    RecordNotifications();
    CMusicPlayer missing({Path("missing.wav")});
    EXPECT_TRUE(Calling([&] { return missing.Play(); })) << "the open is under way";
    ASSERT_TRUE(WaitForFlags(1));
    EXPECT_EQ(flags_, std::vector<int>{kMusicNotifyOpenFailed});
    const std::string missingText = CMusicPlayer::GetErrorText();
    EXPECT_FALSE(missingText.empty());
    EXPECT_EQ(missingText.find("Unknown"), std::string::npos) << missingText;

    flags_.clear();
    std::ofstream(Path("noise.wav")) << std::string(4000, 'x');
    CMusicPlayer noise({Path("noise.wav")});
    EXPECT_TRUE(Calling([&] { return noise.Play(); }));
    ASSERT_TRUE(WaitForFlags(1));
    EXPECT_EQ(flags_, std::vector<int>{kMusicNotifyOpenFailed});
    EXPECT_FALSE(CMusicPlayer::GetErrorText().empty());
    EXPECT_FALSE(reentered_);

    // An empty path or list fails at once and keeps the last error text.
    const std::string before = CMusicPlayer::GetErrorText();
    EXPECT_FALSE(CMusicPlayer::PlayFile(""));
    EXPECT_FALSE(CMusicPlayer().Play());
    EXPECT_EQ(CMusicPlayer::GetErrorText(), before);
    EXPECT_TRUE(CMusicPlayer::Stop());
}

TEST_F(MusicTest, OutcomesArriveAfterTheCallAndLapseWithAStop) {
    const std::string a = Wav("a.wav");
    RecordNotifications();
    ASSERT_TRUE(Calling([&] { return CMusicPlayer::PlayFile(a); }));
    EXPECT_TRUE(flags_.empty()) << "nothing is reported from within the call";
    ASSERT_TRUE(WaitForFlags(2)) << CMusicPlayer::GetErrorText();
    EXPECT_EQ(flags_, (std::vector<int>{kMusicNotifyPlaying, kMusicNotifySuccessful}));

    // A song stopped, or replaced, before its open settled reports nothing.
    flags_.clear();
    ASSERT_TRUE(CMusicPlayer::PlayFile(Path("gone.wav")));
    ASSERT_TRUE(CMusicPlayer::PlayFile(a));
    CMusicPlayer::Stop();
    WaitFor([] { return false; }, 1000);
    EXPECT_TRUE(flags_.empty());

    ASSERT_TRUE(CMusicPlayer::PlayFile(Path("gone.wav")));
    ASSERT_TRUE(CMusicPlayer::PlayFile(a));
    ASSERT_TRUE(WaitForFlags(1));
    EXPECT_EQ(flags_.front(), kMusicNotifyPlaying) << "the failure of the replaced song lapsed";
    EXPECT_FALSE(reentered_);
}

TEST_F(MusicTest, SongsFollowOneAnotherInOrderWithTheTooltip) {
    const std::string a = Wav("a.wav", 440);
    const std::string b = Mp3("b.mp3");
    const std::string c = Wav("c.wav", 880);
    CMusicPlayer player({a, b, c});
    CMusicGlue glue = MakeGlue(player);
    CMusicPlayer::SetNotifyHandler([&glue](int flag) { glue.OnMusicNotify(flag); });
    ASSERT_TRUE(glue.StartMusic()) << CMusicPlayer::GetErrorText();
    WaitForTooltips(4);
    EXPECT_EQ(tooltips_, Playing({a, b, c, a}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MusicTest, OneSongRepeats) {
    const std::string a = Wav("a.wav");
    CMusicPlayer player({a});
    CMusicGlue glue = MakeGlue(player);
    CMusicPlayer::SetNotifyHandler([&glue](int flag) { glue.OnMusicNotify(flag); });
    ASSERT_TRUE(glue.StartMusic());
    WaitForTooltips(3);
    EXPECT_EQ(tooltips_, Playing({a, a, a}));
}

TEST_F(MusicTest, AFailedSongIsSkippedAndAllFailingStopsVisibly) {
    const std::string a = Path("long.wav");
    WriteWav(a, 3000, 440);  // plays on while the failure below is handled
    const std::string c = Wav("c.wav");
    CMusicPlayer player({a, Path("gone.wav"), c});
    CMusicGlue glue = MakeGlue(player);
    CMusicPlayer::SetNotifyHandler([&glue](int flag) { glue.OnMusicNotify(flag); });
    ASSERT_TRUE(glue.StartMusic());
    EXPECT_TRUE(tooltips_.empty()) << "the song is named once it plays";
    WaitForTooltips(1);
    EXPECT_EQ(tooltips_, Playing({a}));
    glue.OnMusicNotify(kMusicNotifyAborted);
    glue.OnMusicNotify(kMusicNotifySuperseded);
    EXPECT_EQ(tooltips_, Playing({a}));
    glue.OnMusicNotify(kMusicNotifyFailure);
    WaitForTooltips(2);
    ASSERT_GE(tooltips_.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(tooltips_.begin(), tooltips_.begin() + 2), Playing({a, c}));
    EXPECT_TRUE(messages_.empty());

    // Every song fails to open: each is tried once, then the music stops
    // with the tooltip and the error shown.
    CMusicPlayer::Stop();
    player.SetPlaylist({Path("gone.wav"), Path("gone2.wav")});
    tooltips_.clear();
    ASSERT_TRUE(glue.StartMusic());
    WaitForTooltips(1);
    WaitFor([] { return false; }, 300);  // nothing further follows
    EXPECT_EQ(tooltips_, std::vector<std::string>{GetProductName()});
    EXPECT_EQ(messages_, std::vector<std::string>{CMusicPlayer::GetErrorText()});
}

// Without a working audio output every song opens and then fails at once.
// Each is tried once; then the music stops, the tooltip no longer claims to
// play and the reason is shown once, instead of skipping on for ever.
TEST_F(MusicTest, SongsThatOpenButFailToPlayStopOnceAllFailed) {
    const std::string a = Wav("a.wav"), b = Wav("b.wav", 880);
    CMusicPlayer player({a, b});
    CMusicGlue glue = MakeGlue(player);
    int opened = 0;
    CMusicPlayer::SetNotifyHandler([&](int flag) {
        glue.OnMusicNotify(flag);
        if (flag == kMusicNotifyPlaying) {
            ++opened;
            // As a backend without a sink reports it: later, from the loop.
            QTimer::singleShot(0, [&glue] { glue.OnMusicNotify(kMusicNotifyFailure); });
        }
    });
    ASSERT_TRUE(glue.StartMusic());
    WaitFor([&] { return !messages_.empty(); }, 5000);
    WaitFor([] { return false; }, 500);  // nothing further follows
    EXPECT_EQ(opened, 2);
    const std::vector<std::string> expected{CMusicGlue::PlayingText(a), CMusicGlue::PlayingText(b),
                                            GetProductName()};
    EXPECT_EQ(tooltips_, expected);
    EXPECT_EQ(messages_.size(), 1u);

    // A song that plays to its end clears the count: a failure after it
    // skips on rather than stopping.
    tooltips_.clear();
    messages_.clear();
    CMusicPlayer::SetNotifyHandler([&glue](int flag) { glue.OnMusicNotify(flag); });
    ASSERT_TRUE(glue.StartMusic());
    WaitForTooltips(2);  // b, then a again after b's end
    glue.OnMusicNotify(kMusicNotifyFailure);
    WaitForTooltips(3);
    ASSERT_GE(tooltips_.size(), 3u);
    EXPECT_EQ(tooltips_[2], CMusicGlue::PlayingText(b));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MusicTest, GlueMessagesAndTheKeptPlaylist) {
    const std::string a = Wav("a.wav");
    CMusicPlayer player({a});
    CMusicGlue glue = MakeGlue(player);

    glue.OnPlayMusicClicked(true, false);
    glue.OnMusicDirectoryScanned({}, true);
    EXPECT_EQ(messages_, (std::vector<std::string>{"No music files in music directory",
                                                   "No any music file in this directory"}));
    EXPECT_EQ(player.GetPlaylist(), std::vector<std::string>{a});
    EXPECT_TRUE(tooltips_.empty());

    glue.OnPlayMusicClicked(false, true);
    EXPECT_EQ(tooltips_, std::vector<std::string>{GetProductName()});

    messages_.clear();
    CMusicPlayer::SetNotifyHandler([&glue](int flag) { glue.OnMusicNotify(flag); });
    glue.OnMusicDirectoryScanned({Path("gone.wav")}, true);
    EXPECT_EQ(player.GetPlaylist(), std::vector<std::string>{Path("gone.wav")});
    WaitFor([&] { return !messages_.empty(); });
    EXPECT_EQ(messages_, std::vector<std::string>{CMusicPlayer::GetErrorText()});
}

}  // namespace
