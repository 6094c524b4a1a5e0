// The window's newer commands on Qt's offscreen platform: "Previous" and
// "Next" through the history (across a restart), random mode's rounds, the
// pause and its key, a picture named from outside, the picture list
// following its folder (and "Next" when the shown picture left it), and the
// place of the two new buttons.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "app/main_dialog.h"
#include "platform/qt/messages.h"
#include "shell/ini_file.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class NullSetter : public desktop::WallpaperSetter {
public:
    std::string Name() const override { return "null"; }
    desktop::Outcome Apply(const std::string&, const desktop::PixelView&,
                           desktop::Placement) override {
        return {true, "done"};
    }
};

class MainDialogControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-control-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        pictures_ = dir_ / "pictures";
        fs::create_directories(pictures_);
        ini_.SetFileName((dir_ / "Drapewell.ini").string());
        ini_.SetSection("Setting");
        ini_.WriteString("ImagePath", pictures_.string() + "/");
        ini_.WriteString("Hide2TrayIcon", "0");
        ini_.WriteString("EnableTimer", "0");
        ini_.WriteString("StartAtLogin", "0");
        platform::SetMessageSink([](const platform::Message&) {});
    }
    void TearDown() override {
        dialog_.reset();
        platform::SetMessageSink({});
        fs::remove_all(dir_);
    }

    std::string Picture(const std::string& name) {
        const fs::path path = pictures_ / name;
        fs::create_directories(path.parent_path());
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::darkYellow);
        EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "PNG"));
        return path.string();
    }
    CMainDlg& Start() {
        MainDlgOptions options;
        options.settingsFile = (dir_ / "Drapewell.ini").string();
        options.makeSetter = [](int) { return std::make_unique<NullSetter>(); };
        options.screenSize = [] { return wallpaper::Size{8, 6}; };
        options.secondLength = 10ms;
        options.useGlobalHotkey = false;
        options.useTrayIcon = false;
        options.randomSeed = 3;
        options.folderSettleDelay = 50ms;
        dialog_.reset();
        dialog_ = std::make_unique<CMainDlg>(options);
        dialog_->OnInitDialog();
        return *dialog_;
    }
    QListWidget* List() {
        return dialog_->findChild<QListWidget*>(QString::number(IDC_IMAGE_LIST));
    }
    QPushButton* Button(int id) { return dialog_->findChild<QPushButton*>(QString::number(id)); }
    std::string Current() {
        const auto pictures = dialog_->CurrentPictures();
        return pictures.empty() ? std::string() : pictures.front();
    }
    std::string Name(int i) { return (pictures_ / (std::to_string(i) + ".png")).string(); }

    fs::path dir_;
    fs::path pictures_;
    CIniFile ini_;
    std::unique_ptr<CMainDlg> dialog_;
};

TEST_F(MainDialogControlTest, NextFiveBackThreeNextTwoAcrossARestart) {
    for (int i = 0; i < 7; ++i)
        Picture(std::to_string(i) + ".png");
    ini_.WriteString("RandomMode", "0");
    CMainDlg& dlg = Start();
    for (int i = 0; i < 5; ++i)
        Button(IDC_NEXT_IMAGE)->click();
    EXPECT_EQ(Current(), Name(5));
    for (int i = 0; i < 3; ++i)
        Button(IDC_PREVIOUS_IMAGE)->click();
    EXPECT_EQ(Current(), Name(2));
    EXPECT_EQ(List()->currentRow(), 2);
    dlg.OnCommand(ID_TRAY_NEXT);
    dlg.OnCommand(ID_TRAY_NEXT);
    EXPECT_EQ(Current(), Name(4));
    ASSERT_TRUE(dlg.WaitForChanges(10s));

    // After a restart: back once, then forward through the history (to 5)
    // before the order goes on from there (to 6).
    CMainDlg& again = Start();
    EXPECT_EQ(Current(), Name(4));
    again.OnCommand(ID_TRAY_PREVIOUS);
    EXPECT_EQ(Current(), Name(3));
    again.ShowNextImage();
    again.ShowNextImage();
    EXPECT_EQ(Current(), Name(5));
    again.ShowNextImage();
    EXPECT_EQ(Current(), Name(6));
    EXPECT_EQ(ini_.GetLongString("LaterPaper", ""), Name(6));
}

TEST_F(MainDialogControlTest, PreviousSkipsDeletedPicturesAndStopsAtTheOldest) {
    for (int i = 0; i < 4; ++i)
        Picture(std::to_string(i) + ".png");
    ini_.WriteString("RandomMode", "0");
    CMainDlg& dlg = Start();
    for (int i = 0; i < 3; ++i)
        dlg.ShowNextImage();
    ASSERT_EQ(Current(), Name(3));
    fs::remove(Name(2));
    EXPECT_TRUE(dlg.ShowPreviousImage());
    EXPECT_EQ(Current(), Name(1));
    EXPECT_FALSE(dlg.ShowPreviousImage());
    EXPECT_EQ(Current(), Name(1));
}

// The shown picture deleted: "Next" in order goes to the one that took its
// place in the list, not past it; after the last one, round to the first.
TEST_F(MainDialogControlTest, NextAfterTheShownPictureVanishedPassesNoneOver) {
    for (int i = 0; i < 5; ++i)
        Picture(std::to_string(i) + ".png");
    ini_.WriteString("RandomMode", "0");
    CMainDlg& dlg = Start();
    std::string why;
    ASSERT_TRUE(dlg.ShowPictureFile(Name(1), why)) << why;
    fs::remove(Name(1));
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 4, 5000);
    dlg.ShowNextImage();
    EXPECT_EQ(Current(), Name(2));
    dlg.ShowNextImage();
    EXPECT_EQ(Current(), Name(3));

    ASSERT_TRUE(dlg.ShowPictureFile(Name(4), why)) << why;
    fs::remove(Name(4));
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 3, 5000);
    dlg.ShowNextImage();
    EXPECT_EQ(Current(), Name(0));
    ASSERT_TRUE(dlg.WaitForChanges(10s));
}

TEST_F(MainDialogControlTest, RandomModeShowsEveryPictureOncePerRound) {
    for (int i = 0; i < 6; ++i)
        Picture(std::to_string(i) + ".png");
    CMainDlg& dlg = Start();
    std::string previous;
    for (int round = 0; round < 5; ++round) {
        std::set<std::string> seen;
        for (int i = 0; i < 6; ++i) {
            dlg.ShowNextImage();
            EXPECT_NE(Current(), previous);
            seen.insert(previous = Current());
        }
        EXPECT_EQ(seen.size(), 6u) << "round " << round;
    }
    ASSERT_TRUE(dlg.WaitForChanges(10s));
}

TEST_F(MainDialogControlTest, PauseHoldsTheTimerAcrossARestartButNotNext) {
    Picture("0.png");
    Picture("1.png");
    ini_.WriteString("RandomMode", "0");
    ini_.WriteString("EnableTimer", "1");
    ini_.WriteString("TimeInterval", "5");
    CMainDlg& dlg = Start();
    EXPECT_TRUE(dlg.AutoChangeTimer().isActive());
    QSignalSpy paused(&dlg, &CMainDlg::PausedChanged);
    dlg.OnCommand(ID_TRAY_PAUSE);
    EXPECT_TRUE(dlg.IsPaused());
    EXPECT_FALSE(dlg.AutoChangeTimer().isActive());
    EXPECT_EQ(paused.count(), 1);
    EXPECT_EQ(ini_.GetLongString("Paused", ""), "1");
    dlg.ShowNextImage();  // the user's own "Next" still acts
    EXPECT_EQ(Current(), Name(1));

    CMainDlg& again = Start();
    EXPECT_TRUE(again.IsPaused());
    EXPECT_FALSE(again.AutoChangeTimer().isActive());
    QTest::qWait(150);  // three periods of the timer
    EXPECT_EQ(Current(), Name(1));
    again.OnCommand(ID_TRAY_PAUSE);
    EXPECT_FALSE(again.IsPaused());
    EXPECT_TRUE(again.AutoChangeTimer().isActive());
    EXPECT_EQ(ini_.GetLongString("Paused", ""), "0");
}

TEST_F(MainDialogControlTest, APictureNamedFromOutsideIsShownOrRefusedWithAReason) {
    Picture("0.png");
    const std::string inList = Picture("1.png");
    const fs::path elsewhere = dir_ / "elsewhere.png";
    QImage(2, 2, QImage::Format_RGB32).save(QString::fromStdString(elsewhere.string()), "PNG");
    CMainDlg& dlg = Start();
    QSignalSpy changed(&dlg, &CMainDlg::PictureChanged);
    std::string why;
    EXPECT_TRUE(dlg.ShowPictureFile(inList, why));
    EXPECT_EQ(List()->currentRow(), 1);
    EXPECT_TRUE(dlg.ShowPictureFile(elsewhere.string(), why));
    EXPECT_EQ(Current(), elsewhere.string());
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(changed.count(), 2);

    EXPECT_FALSE(dlg.ShowPictureFile((dir_ / "missing.png").string(), why));
    EXPECT_NE(why.find("no such file"), std::string::npos) << why;
    EXPECT_FALSE(dlg.ShowPictureFile("relative.png", why));
    EXPECT_FALSE(dlg.ShowPictureFile((dir_ / "Drapewell.ini").string(), why));
    EXPECT_EQ(Current(), elsewhere.string());
    ASSERT_TRUE(dlg.WaitForChanges(10s));
}

TEST_F(MainDialogControlTest, TheListFollowsItsFolder) {
    Picture("b.png");
    const std::string kept = Picture("d.png");
    CMainDlg& dlg = Start();
    ASSERT_EQ(dlg.PictureCount(), 2);
    const auto entries = [&] { return dlg.ImageEntries(); };
    const auto has = [&](const std::string& path) {
        const auto list = entries();
        return std::find(list.begin(), list.end(), path) != list.end();
    };

    // Created, and moved in from outside the tree: in list order.
    const std::string created = Picture("a.png");
    QImage(2, 2, QImage::Format_RGB32)
        .save(QString::fromStdString((dir_ / "c.png").string()), "PNG");
    fs::rename(dir_ / "c.png", pictures_ / "c.png");
    std::ofstream(pictures_ / "notes.txt") << "not a picture";
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 4, 5000);
    EXPECT_EQ(entries(), (std::vector<std::string>{created, (pictures_ / "b.png").string(),
                                                   (pictures_ / "c.png").string(), kept}));

    // Renamed and deleted; the selected one going takes its selection along.
    List()->setCurrentRow(0);  // a click: a.png is the wallpaper
    fs::rename(pictures_ / "b.png", pictures_ / "e.png");
    fs::remove(created);
    QTRY_VERIFY_WITH_TIMEOUT(has((pictures_ / "e.png").string()) && !has(created), 5000);
    EXPECT_EQ(dlg.PictureCount(), 3);
    EXPECT_TRUE(List()->selectedItems().isEmpty());

    // A new subfolder, a picture in it, then the subfolder gone.
    fs::create_directories(pictures_ / "sub/deeper");
    QTest::qWait(200);
    const std::string deep = Picture("sub/deeper/f.png");
    QTRY_VERIFY_WITH_TIMEOUT(has(deep), 5000);
    fs::remove_all(pictures_ / "sub");
    QTRY_VERIFY_WITH_TIMEOUT(!has(deep), 5000);
    EXPECT_EQ(dlg.PictureCount(), 3);

    // The whole folder gone: the list empties without a word.
    fs::remove_all(pictures_);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 0, 5000);

    // Back again, without a restart; then a file in its place, and the
    // folder back once more.
    fs::create_directories(pictures_);
    const std::string back = Picture("g.png");
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 1, 5000);
    EXPECT_TRUE(has(back));
    const std::string later = Picture("h.png");  // watched again, not only found
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 2, 5000);
    fs::remove_all(pictures_);
    std::ofstream(pictures_) << "not a folder";
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 0, 5000);
    QTest::qWait(1500);  // the file is looked at, and stays no folder
    EXPECT_EQ(dlg.PictureCount(), 0);
    fs::remove(pictures_);
    fs::create_directories(pictures_);
    Picture("g.png");
    QTRY_COMPARE_WITH_TIMEOUT(dlg.PictureCount(), 1, 5000);
}

TEST_F(MainDialogControlTest, PreviousAndNextSitBelowTheListClearOfEveryOtherControl) {
    Picture("0.png");
    CMainDlg& dlg = Start();
    const QRect list = List()->geometry();
    for (const int id : {IDC_PREVIOUS_IMAGE, IDC_NEXT_IMAGE}) {
        const QRect button = Button(id)->geometry();
        EXPECT_GE(button.top(), list.bottom()) << id;
        EXPECT_TRUE(dlg.rect().contains(button)) << id;
        for (QWidget* other : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other == Button(id) || other->isHidden() || other->inherits("QGroupBox"))
                continue;
            EXPECT_FALSE(button.intersects(other->geometry()))
                << id << " overlaps " << other->objectName().toStdString();
        }
    }
}

}  // namespace
