// The main window on Qt's offscreen platform: its controls, the validated
// read, the settings it loads and saves, every handler, the rotation, the
// timers, hiding and ending, and the wallpaper changes it starts (through a
// setter that records instead of touching the desktop).

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/main_dialog_controls.h"
#include "platform/qt/messages.h"
#include "shell/dialog_units.h"
#include "shell/ini_file.h"
#include "tests/shell/label_fit.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Records every change the window hands to the desktop.
struct ChangeLog {
    std::mutex mutex;
    std::vector<desktop::Placement> placements;

    int Setters() {
        std::lock_guard lock(mutex);
        return static_cast<int>(placements.size());
    }
};

class RecordingSetter : public desktop::WallpaperSetter {
public:
    explicit RecordingSetter(std::shared_ptr<ChangeLog> log) : log_(std::move(log)) {}
    std::string Name() const override { return "recorder"; }
    desktop::Outcome Apply(const std::string&, const desktop::PixelView&,
                           desktop::Placement placement) override {
        std::lock_guard lock(log_->mutex);
        log_->placements.push_back(placement);
        return {true, "recorded"};
    }

private:
    std::shared_ptr<ChangeLog> log_;
};

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-window-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        pictures_ = dir_ / "pictures";
        fs::create_directories(pictures_);
        ini_.SetFileName((dir_ / "Drapewell.ini").string());
        ini_.SetSection("Setting");
        platform::SetMessageSink(
            [this](const platform::Message& m) { messages_.push_back(m.text); });
    }
    void TearDown() override {
        dialog_.reset();
        platform::SetMessageSink({});
        fs::remove_all(dir_);
    }

    std::string Picture(const std::string& name) {
        const fs::path path = pictures_ / name;
        fs::create_directories(path.parent_path());
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const char* format = path.extension() == ".bmp" ? "BMP" : "PNG";
        EXPECT_TRUE(image.save(QString::fromStdString(path.string()), format));
        return path.string();
    }
    void Store(const char* key, const std::string& value) { ini_.WriteString(key, value); }
    std::string Stored(const char* key) { return ini_.GetLongString(key, "<missing>"); }

    // A started window over the pictures directory, settings as stored.
    CMainDlg& Start(bool storeDefaults = true) {
        if (storeDefaults) {
            if (Stored("ImagePath") == "<missing>")
                Store("ImagePath", pictures_.string() + "/");
            if (Stored("Hide2TrayIcon") == "<missing>")
                Store("Hide2TrayIcon", "0");
            // With the tests' short second the timer would move the
            // selection under the tests' feet.
            if (Stored("EnableTimer") == "<missing>")
                Store("EnableTimer", "0");
        }
        MainDlgOptions options;
        options.settingsFile = (dir_ / "Drapewell.ini").string();
        options.makeSetter = [log = log_](int) { return std::make_unique<RecordingSetter>(log); };
        options.screenSize = [] { return wallpaper::Size{32, 24}; };
        options.secondLength = 10ms;
        options.useGlobalHotkey = false;
        options.useTrayIcon = false;
        options.randomSeed = 7;
        dialog_.reset();
        dialog_ = std::make_unique<CMainDlg>(options);
        dialog_->OnInitDialog();
        return *dialog_;
    }
    template <class T>
    T* Control(int id) {
        return dialog_->findChild<T*>(QString::number(id));
    }
    QListWidget* List() { return Control<QListWidget>(IDC_IMAGE_LIST); }
    QLineEdit* Interval() { return Control<QLineEdit>(IDC_TIME_INTERVAL); }
    // Lets the changes asked for so far finish and their results arrive.
    void Settle() {
        ASSERT_TRUE(dialog_->WaitForChanges(10s));
        QCoreApplication::processEvents();
    }

    fs::path dir_;
    fs::path pictures_;
    CIniFile ini_;
    std::vector<std::string> messages_;
    std::shared_ptr<ChangeLog> log_ = std::make_shared<ChangeLog>();
    std::unique_ptr<CMainDlg> dialog_;
};

TEST(DialogUnitsTest, ConvertWithTheFontsBaseUnits) {
    // The classic dialog font's base units, 6 by 13 pixels.
    const DialogBaseUnits units{6, 13};
    EXPECT_EQ(DialogRectToPixels(19, 10, 65, 8, units), QRect(29, 16, 98, 13));
    EXPECT_EQ(DialogXToPixels(380, units), 570);
    EXPECT_EQ(DialogYToPixels(256, units), 416);
    const DialogBaseUnits own = BaseUnitsOf(QApplication::font());
    EXPECT_GT(own.x, 0);
    EXPECT_GT(own.y, own.x);
}

TEST_F(MainDialogTest, ControlsTextsAndTabOrder) {
    CMainDlg& dlg = Start();
    EXPECT_EQ(dlg.windowTitle(), "Drapewell v1.50");
    const std::pair<int, const char*> buttons[] = {{IDC_BROWSE_IMAGE, "..."},
                                                   {IDC_BROWSE_MUSIC, "..."},
                                                   {IDC_DONATE, "&Donate"},
                                                   {IDC_SAVE, "&Save"},
                                                   {IDC_ABOUT, "&About"},
                                                   {IDC_HIDE, "&Hide"},
                                                   {IDC_DESKTOP, "&Desktop"},
                                                   {IDC_REFRESH_IMAGES, "Image Files:"},
                                                   {IDC_PREVIOUS_IMAGE, "Pre&vious"},
                                                   {IDC_NEXT_IMAGE, "&Next"}};
    for (const auto& [id, text] : buttons) {
        auto* button = Control<QAbstractButton>(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text(), text) << id;
    }
    EXPECT_TRUE(Control<QPushButton>(IDC_DESKTOP)->isHidden());
    EXPECT_TRUE(Control<QPushButton>(IDC_REFRESH_IMAGES)->isHidden());
    EXPECT_EQ(Control<QCheckBox>(IDC_PLAY_MUSIC)->text(), "Play &background music from directory:");
    EXPECT_EQ(Control<QRadioButton>(IDC_PLAY_RANDOM)->text(), "Rando&m");
    EXPECT_TRUE(Control<QLineEdit>(IDC_IMAGE_PATH)->isReadOnly());
    EXPECT_TRUE(Control<QLineEdit>(IDC_MUSIC_PATH)->isReadOnly());

    QStringList positions, methods;
    for (int i = 0; i < Control<QComboBox>(IDC_POSITION)->count(); ++i)
        positions << Control<QComboBox>(IDC_POSITION)->itemText(i);
    for (int i = 0; i < Control<QComboBox>(IDC_CHANGE_METHOD)->count(); ++i)
        methods << Control<QComboBox>(IDC_CHANGE_METHOD)->itemText(i);
    EXPECT_EQ(positions, QStringList({"Center", "Tile", "Stretch"}));
    EXPECT_EQ(methods, QStringList({"Method 1", "Method 2", "Method 3", "Method 4"}));

    QStringList labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text :
         {"&Image Directory:", "&Fitness:", "&Position:", "&Hotkey:", "second(5-600)",
          "Note: You can press hotkey to change current wallpaper immediately.",
          "If can't change wallpaper, try this..."})
        EXPECT_TRUE(labels.contains(text)) << text;

    // Tab order from the image directory through the visible controls.
    const int expected[] = {
        IDC_IMAGE_PATH,     IDC_BROWSE_IMAGE,  IDC_IMAGE_LIST,     IDC_PREVIOUS_IMAGE,
        IDC_NEXT_IMAGE,     IDC_ENABLE_TIMER,  IDC_TIME_INTERVAL,  IDC_FIT_TO_SCREEN,
        IDC_POSITION,       IDC_HOTKEY,        IDC_DISPLAY_ORDER,  IDC_DISPLAY_RANDOM,
        IDC_PLAY_MUSIC,     IDC_MUSIC_PATH,    IDC_BROWSE_MUSIC,   IDC_PLAY_ORDER,
        IDC_PLAY_RANDOM,    IDC_ALWAYS_ON_TOP, IDC_START_AT_LOGIN, IDC_HIDE_TO_TRAY,
        IDC_DONATE,         IDC_SAVE,          IDC_ABOUT,          IDC_HIDE,
        IDC_REFRESH_IMAGES, IDC_DESKTOP,       IDC_CHANGE_METHOD};
    QWidget* w = Control<QWidget>(IDC_IMAGE_PATH);
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        w = w->nextInFocusChain();
        while (w->objectName().isEmpty() || w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        EXPECT_EQ(w->objectName(), QString::number(expected[i])) << i;
    }
}

TEST_F(MainDialogTest, FirstStartWritesEveryKeyWithItsDefault) {
    Start(/*storeDefaults=*/false);
    const std::string dataDir = (dir_ / "data/Drapewell/").string();
    const std::pair<const char*, std::string> keys[] = {
        {"ChangeMethod", "1"},  {"TimeInterval", "10"},    {"EnableTimer", "1"},
        {"PlayMusic", "0"},     {"FitToScreen", "1"},      {"ImagePath", dataDir},
        {"MusicPath", dataDir}, {"AlwaysOnTop", "0"},      {"StartAtLogin", "1"},
        {"Hide2TrayIcon", "1"}, {"RandomMode", "1"},       {"LaterPaper", ""},
        {"PlayMode", "1"},      {"Position", "Strech"},    {"Hotkey", "122"},
        {"MonitorMode", "0"},   {"MatchOrientation", "1"}, {"Paused", "0"}};
    for (const auto& [key, value] : keys)
        EXPECT_EQ(Stored(key), value) << key;
    EXPECT_TRUE(fs::exists(dir_ / "config/autostart/Drapewell.desktop"));
    // No desktop session under the offscreen platform.
    EXPECT_NE(std::find(messages_.begin(), messages_.end(),
                        "Init Desktop Component Error, method 1 may not act normally"),
              messages_.end());
}

TEST_F(MainDialogTest, StoredValuesShowInTheirControls) {
    Store("ChangeMethod", "3");
    Store("Position", "tile");
    Store("TimeInterval", "30");
    Store("EnableTimer", "0");
    Store("RandomMode", "0");
    Store("Hotkey", "376");  // Shift+F9
    CMainDlg& dlg = Start();
    EXPECT_EQ(Control<QComboBox>(IDC_CHANGE_METHOD)->currentText(), "Method 3");
    EXPECT_EQ(Control<QComboBox>(IDC_POSITION)->currentText(), "Tile");
    EXPECT_EQ(Interval()->text(), "30");
    EXPECT_FALSE(Interval()->isEnabled());
    EXPECT_FALSE(Control<QWidget>(IDC_INTERVAL_SPIN)->isEnabled());
    EXPECT_FALSE(dlg.AutoChangeTimer().isActive());
    EXPECT_TRUE(Control<QRadioButton>(IDC_DISPLAY_ORDER)->isChecked());
    EXPECT_EQ(Control<CHotKeyCtrl>(IDC_HOTKEY)->GetHotKey(), 376);
    EXPECT_EQ(Stored("Hotkey"), "376");

    Store("Position", "Middle");
    Start();
    EXPECT_EQ(Control<QComboBox>(IDC_POSITION)->currentText(), "Stretch");
}

TEST_F(MainDialogTest, RefreshSelectsTheLastWallpaperOrTheFirstEntry) {
    const std::string a = Picture("A.png"), b = Picture("b.bmp"), c = Picture("sub/c.png");
    Store("LaterPaper", b);
    Start();
    ASSERT_EQ(List()->count(), 3);
    EXPECT_EQ(List()->item(0)->text().toStdString(), a);
    EXPECT_EQ(List()->currentItem()->text().toStdString(), b);
    EXPECT_EQ(log_->Setters(), 0);  // selecting again is no click

    Store("LaterPaper", (pictures_ / "gone.png").string());
    Start();
    EXPECT_EQ(List()->currentRow(), 0);
}

TEST_F(MainDialogTest, EmptyDirectorySaysSoAndNextDoesNothing) {
    CMainDlg& dlg = Start();
    EXPECT_NE(
        std::find(messages_.begin(), messages_.end(), "No image files in current image directory"),
        messages_.end());
    dlg.ShowNextImage();
    dlg.OnCommand(ID_TRAY_NEXT);
    dlg.OnFitToScreen();  // nothing selected: no change, no LaterPaper erased
    Settle();
    EXPECT_EQ(log_->Setters(), 0);
}

TEST_F(MainDialogTest, ValidatedReadRefusesBadIntervals) {
    CMainDlg& dlg = Start();
    dlg.show();
    messages_.clear();
    Control<QCheckBox>(IDC_ALWAYS_ON_TOP)->setChecked(true);

    Interval()->setText("abc");
    EXPECT_FALSE(dlg.ReadDialog());
    Interval()->setText("");
    EXPECT_FALSE(dlg.ReadDialog());
    Interval()->setText("3");
    EXPECT_FALSE(dlg.ReadDialog());
    Interval()->setText("601");
    EXPECT_FALSE(dlg.ReadDialog());
    EXPECT_EQ(messages_,
              (std::vector<std::string>{"Please enter an integer.", "Please enter an integer.",
                                        "Please enter an integer between 5 and 600.",
                                        "Please enter an integer between 5 and 600."}));
    // The read stopped at the interval: the fields after it kept their values.
    EXPECT_FALSE(dlg.Settings().AlwaysOnTop);
    EXPECT_EQ(dlg.Settings().TimeInterval, 10);

    // Enter away from a button is OK, which the bad interval keeps open.
    Control<QListWidget>(IDC_IMAGE_LIST)->setFocus();
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(messages_.size(), 5u);

    Interval()->setText("600");
    EXPECT_TRUE(dlg.ReadDialog());
    EXPECT_TRUE(dlg.Settings().AlwaysOnTop);
    EXPECT_EQ(dlg.Settings().TimeInterval, 600);
}

TEST_F(MainDialogTest, EnterAndEscapeEndTheWindowWithoutSaving) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        CMainDlg& dlg = Start();
        dlg.show();
        Control<QCheckBox>(IDC_FIT_TO_SCREEN)->setChecked(false);
        bool finished = false;
        QObject::connect(&dlg, &QDialog::finished, [&] { finished = true; });
        List()->setFocus();
        QTest::keyClick(&dlg, key);
        EXPECT_TRUE(finished) << key;
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(Stored("FitToScreen"), "1");
    }
}

TEST_F(MainDialogTest, UpDownStepsWithinItsRange) {
    Store("EnableTimer", "1");
    Store("TimeInterval", "600");  // no tick during the test
    Start();
    auto* spin = Control<CUpDownCtrl>(IDC_INTERVAL_SPIN);
    EXPECT_EQ(spin->Lower(), 5);
    EXPECT_EQ(spin->Upper(), 600);
    Interval()->setText("599");
    spin->Step(+1);
    spin->Step(+1);
    EXPECT_EQ(Interval()->text(), "600");
    Interval()->setText("6");
    QTest::keyClick(Interval(), Qt::Key_Down);
    QTest::keyClick(Interval(), Qt::Key_Down);
    EXPECT_EQ(Interval()->text(), "5");
}

TEST_F(MainDialogTest, HotkeyFieldTurnsAltIntoControl) {
    Start();
    auto* field = Control<CHotKeyCtrl>(IDC_HOTKEY);
    field->PressKey(Qt::Key_F9, Qt::AltModifier);
    EXPECT_EQ(field->GetHotKey(), 0x78 | (hotkey::HOTKEYF_CONTROL << 8));
    field->PressKey(Qt::Key_F9, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(field->GetHotKey(), 0x78 | (hotkey::HOTKEYF_CONTROL << 8));
    field->PressKey(Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(field->GetHotKey(), 0x78 | (hotkey::HOTKEYF_SHIFT << 8));
    Control<QPushButton>(IDC_SAVE)->click();
    EXPECT_EQ(Stored("Hotkey"), "376");
    field->PressKey(Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_EQ(field->GetHotKey(), 0);
}

TEST_F(MainDialogTest, ClicksOnTheListPositionAndFitStartChanges) {
    const std::string a = Picture("a.png"), b = Picture("b.png");
    Start();
    List()->setCurrentRow(1);  // a click
    Settle();
    EXPECT_EQ(log_->Setters(), 1);
    EXPECT_EQ(Stored("LaterPaper"), b);
    EXPECT_EQ(dialog_->Settings().LaterPaper, b);

    Control<QComboBox>(IDC_POSITION)->setCurrentIndex(1);
    Settle();
    Control<QCheckBox>(IDC_FIT_TO_SCREEN)->click();
    Settle();
    EXPECT_EQ(log_->Setters(), 3);
    EXPECT_EQ(Stored("Position"), "Tile");
    EXPECT_EQ(Stored("FitToScreen"), "0");
    std::lock_guard lock(log_->mutex);
    EXPECT_EQ(log_->placements.back(), desktop::Placement::kTile);
}

TEST_F(MainDialogTest, MouseClicksOnAPictureMakeItTheWallpaper) {
    const std::string a = Picture("a.png"), b = Picture("b.png"), c = Picture("c.png");
    Store("RandomMode", "0");
    CMainDlg& dlg = Start();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto at = [&](int row) { return List()->visualItemRect(List()->item(row)).center(); };

    // The press makes the item current before it selects it.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at(2));
    Settle();
    EXPECT_EQ(log_->Setters(), 1);
    EXPECT_EQ(Stored("LaterPaper"), c);
    EXPECT_TRUE(List()->item(2)->isSelected());

    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at(1));
    Settle();
    EXPECT_EQ(Stored("LaterPaper"), b);
    EXPECT_EQ(dlg.Settings().LaterPaper, b);

    // "Next" goes on from the clicked picture.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at(0));
    Settle();
    EXPECT_EQ(Stored("LaterPaper"), a);
    dlg.OnCommand(ID_TRAY_NEXT);
    Settle();
    EXPECT_EQ(Stored("LaterPaper"), b);
}

TEST_F(MainDialogTest, FitToScreenWithoutAPictureSavesNothing) {
    CMainDlg& dlg = Start();
    ASSERT_EQ(List()->count(), 0);
    dlg.show();
    const auto written = fs::last_write_time(dir_ / "Drapewell.ini");
    const std::string before = Stored("FitToScreen");
    Control<QCheckBox>(IDC_FIT_TO_SCREEN)->click();
    EXPECT_EQ(Stored("FitToScreen"), before);
    EXPECT_EQ(fs::last_write_time(dir_ / "Drapewell.ini"), written);

    // With a picture the box saves and applies.
    Picture("a.png");
    Start();
    Control<QCheckBox>(IDC_FIT_TO_SCREEN)->click();
    Settle();
    EXPECT_EQ(Stored("FitToScreen"), "0");
    EXPECT_EQ(log_->Setters(), 1);
}

TEST_F(MainDialogTest, OneActionReportsABadIntervalOnce) {
    Picture("a.png");
    CMainDlg& dlg = Start();
    dlg.show();
    const std::pair<const char*, int> actions[] = {
        {"Save", IDC_SAVE},           {"timer box", IDC_ENABLE_TIMER},
        {"order", IDC_DISPLAY_ORDER}, {"play order", IDC_PLAY_ORDER},
        {"music", IDC_PLAY_MUSIC},    {"fit", IDC_FIT_TO_SCREEN}};
    for (const auto& [name, id] : actions) {
        Interval()->setText("3");
        messages_.clear();
        Control<QAbstractButton>(id)->click();
        EXPECT_EQ(messages_, std::vector<std::string>{"Please enter an integer between 5 and 600."})
            << name;
    }
    messages_.clear();
    Control<QComboBox>(IDC_POSITION)->setCurrentIndex(0);
    EXPECT_EQ(messages_.size(), 1u);
    Settle();
}

TEST_F(MainDialogTest, TimerTicksDoNotPileUpBoxes) {
    Picture("a.png");
    Picture("b.png");
    Store("TimeInterval", "5");  // 50 ms with the tests' short second
    Store("EnableTimer", "1");
    CMainDlg& dlg = Start();
    dlg.show();
    auto ticks = [&](int count) {
        const int start = log_->Setters();
        EXPECT_TRUE(QTest::qWaitFor([&] { return log_->Setters() >= start + count; }, 5000));
        Settle();
    };

    // The user is typing "30": its "3" is no reason to interrupt.
    Interval()->setFocus();
    Interval()->setText("3");
    messages_.clear();
    ticks(4);
    EXPECT_TRUE(messages_.empty());

    // Away from the field one tick says so, and puts the focus back there.
    List()->setFocus();
    ticks(4);
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(dlg.focusWidget(), Interval());

    // Hidden, nobody could answer.
    List()->setFocus();
    dlg.hide();
    messages_.clear();
    ticks(4);
    EXPECT_TRUE(messages_.empty());

    // While a box is open its loop runs the ticks; they add none.
    dlg.show();
    List()->setFocus();
    int nested = 0;
    platform::SetMessageSink([&](const platform::Message& m) {
        messages_.push_back(m.text);
        if (nested++ == 0)
            QTest::qWait(300);
    });
    messages_.clear();
    Control<QPushButton>(IDC_SAVE)->click();
    EXPECT_EQ(messages_.size(), 1u);
    Control<QCheckBox>(IDC_ENABLE_TIMER)->setChecked(false);
    Interval()->setText("30");
    Control<QPushButton>(IDC_SAVE)->click();
    Settle();
}

TEST_F(MainDialogTest, ALaterChangeIsNeverOverwrittenByAnEarlierOne) {
    std::vector<std::string> names;
    for (char c = 'a'; c <= 'h'; ++c)
        names.push_back(Picture(std::string(1, c) + ".png"));
    Start();
    // A burst of clicks: the window's own save at each click and the jobs'
    // writes interleave; the newest picture must win in the file and the
    // record alike.
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < List()->count(); ++i)
            List()->setCurrentRow(i);
    Settle();
    EXPECT_EQ(Stored("LaterPaper"), names.back());
    EXPECT_EQ(dialog_->Settings().LaterPaper, names.back());
}

TEST_F(MainDialogTest, ButtonsBoxesAndListsSave) {
    Store("EnableTimer", "1");
    CMainDlg& dlg = Start();
    EXPECT_TRUE(dlg.AutoChangeTimer().isActive());
    Control<QCheckBox>(IDC_START_AT_LOGIN)->setChecked(false);
    Control<QCheckBox>(IDC_ENABLE_TIMER)->click();  // off
    EXPECT_EQ(Stored("EnableTimer"), "0");
    EXPECT_EQ(Stored("StartAtLogin"), "0");
    EXPECT_FALSE(fs::exists(dir_ / "config/autostart/Drapewell.desktop"));
    EXPECT_FALSE(dlg.AutoChangeTimer().isActive());
    EXPECT_FALSE(Interval()->isEnabled());

    Control<QRadioButton>(IDC_DISPLAY_ORDER)->click();
    EXPECT_EQ(Stored("RandomMode"), "0");
    Control<QRadioButton>(IDC_DISPLAY_RANDOM)->click();
    EXPECT_EQ(Stored("RandomMode"), "1");
    Control<QRadioButton>(IDC_PLAY_ORDER)->click();
    EXPECT_EQ(Stored("PlayMode"), "0");
    Control<QComboBox>(IDC_CHANGE_METHOD)->setCurrentIndex(3);
    EXPECT_EQ(Stored("ChangeMethod"), "4");

    Interval()->setText("30");
    Control<QCheckBox>(IDC_HIDE_TO_TRAY)->setChecked(true);
    Control<QPushButton>(IDC_SAVE)->click();
    EXPECT_EQ(Stored("TimeInterval"), "30");
    EXPECT_EQ(Stored("Hide2TrayIcon"), "1");
}

TEST_F(MainDialogTest, BrowsingForAnImageDirectoryRebuildsTheList) {
    const fs::path other = dir_ / "other";
    fs::create_directories(other);
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.save(QString::fromStdString((other / "x.png").string()), "PNG");
    CMainDlg& dlg = Start();
    std::string title;
    dlg.SetFolderChooser([&](std::string& chosen, const std::string&, const std::string& t) {
        title = t;
        chosen = other.string();  // without its '/'
        return true;
    });
    Control<QPushButton>(IDC_BROWSE_IMAGE)->click();
    EXPECT_EQ(title, "Please select a directory ...");
    EXPECT_EQ(Stored("ImagePath"), other.string() + "/");
    ASSERT_EQ(List()->count(), 1);
    EXPECT_EQ(List()->item(0)->text().toStdString(), (other / "x.png").string());

    dlg.SetFolderChooser(
        [](std::string&, const std::string&, const std::string&) { return false; });
    Control<QPushButton>(IDC_BROWSE_IMAGE)->click();
    EXPECT_EQ(Stored("ImagePath"), other.string() + "/");
}

TEST_F(MainDialogTest, NextGoesInOrderAndWraps) {
    for (const char* name : {"0.png", "1.png", "2.png"})
        Picture(name);
    Store("RandomMode", "0");
    CMainDlg& dlg = Start();
    List()->setCurrentRow(2);
    dlg.OnCommand(ID_TRAY_NEXT);
    EXPECT_EQ(List()->currentRow(), 0);
    dlg.ShowNextImage();
    EXPECT_EQ(List()->currentRow(), 1);
    Settle();
    EXPECT_EQ(Stored("LaterPaper"), (pictures_ / "1.png").string());
}

TEST_F(MainDialogTest, RandomNextReachesEveryEntry) {
    for (const char* name : {"0.png", "1.png", "2.png", "3.png"})
        Picture(name);
    CMainDlg& dlg = Start();
    std::set<int> seen;
    for (int i = 0; i < 200 && seen.size() < 4; ++i) {
        dlg.ShowNextImage();
        seen.insert(List()->currentRow());
    }
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(MainDialogTest, TheTimerChangesTheWallpaperAndItsBoxStopsIt) {
    Picture("0.png");
    Picture("1.png");
    Store("RandomMode", "0");
    Store("TimeInterval", "5");  // 50 ms with the tests' short second
    Store("EnableTimer", "1");
    CMainDlg& dlg = Start();
    EXPECT_EQ(dlg.AutoChangeTimer().interval(), 50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return log_->Setters() >= 2; }, 5000));
    Control<QCheckBox>(IDC_ENABLE_TIMER)->click();
    Settle();
    const int changes = log_->Setters();
    QTest::qWait(200);
    Settle();
    EXPECT_EQ(log_->Setters(), changes);
}

TEST_F(MainDialogTest, HidesHalfASecondAfterStartWhenAsked) {
    Store("Hide2TrayIcon", "1");
    CMainDlg& dlg = Start();
    dlg.show();
    EXPECT_TRUE(dlg.HideTimer().isActive());
    EXPECT_EQ(dlg.HideTimer().interval(), 500);
    EXPECT_TRUE(dlg.isVisible());
    // No tray icon here: "hiding" minimises, so the window stays reachable.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.isMinimized(); }, 3000));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.HideTimer().isActive());

    Store("Hide2TrayIcon", "0");
    CMainDlg& stays = Start();
    EXPECT_FALSE(stays.HideTimer().isActive());
}

TEST_F(MainDialogTest, CloseAndHideHideOnlyExitEnds) {
    CMainDlg& dlg = Start();
    bool finished = false;
    QObject::connect(&dlg, &QDialog::finished, [&] { finished = true; });
    dlg.show();
    // Without a tray icon (as here) the close box and "Hide" minimise; with
    // one they withdraw the window (the end-to-end scripts show both).
    EXPECT_FALSE(dlg.close());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.isMinimized());
    dlg.OnCommand(ID_TRAY_RESTORE);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.isMinimized());
    Control<QPushButton>(IDC_HIDE)->click();
    EXPECT_TRUE(dlg.isMinimized());
    dlg.RestoreWindow();
    EXPECT_FALSE(finished);
    dlg.OnCommand(ID_TRAY_EXIT);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(dlg.IsExiting());
}

// The monitor row shows the stored choice, offers orientation matching only
// with a picture per monitor, and "Save" stores what it shows.
TEST_F(MainDialogTest, MonitorChoicesShowAndSaveWithTheRest) {
    Store("MonitorMode", "1");
    Store("MatchOrientation", "0");
    Start();
    auto* mode = Control<QComboBox>(IDC_MONITOR_MODE);
    auto* match = Control<QCheckBox>(IDC_MATCH_ORIENTATION);
    ASSERT_NE(mode, nullptr);
    ASSERT_NE(match, nullptr);
    QStringList items;
    for (int i = 0; i < mode->count(); ++i)
        items << mode->itemText(i);
    EXPECT_EQ(items,
              QStringList({"Same picture on every monitor", "A different picture on each monitor",
                           "One picture across all monitors"}));
    EXPECT_EQ(mode->currentIndex(), 1);
    EXPECT_FALSE(match->isChecked());
    EXPECT_TRUE(match->isEnabled());

    mode->setCurrentIndex(2);
    EXPECT_FALSE(match->isEnabled());
    Control<QPushButton>(IDC_SAVE)->click();
    EXPECT_EQ(Stored("MonitorMode"), "2");
    EXPECT_EQ(Stored("MatchOrientation"), "0");
    // Below every other control, inside the window.
    EXPECT_GT(mode->geometry().top(), Control<QCheckBox>(IDC_HIDE_TO_TRAY)->geometry().bottom());
    EXPECT_LE(mode->geometry().bottom(), dialog_->height());
}

TEST_F(MainDialogTest, AlwaysOnTopFollowsItsBox) {
    CMainDlg& dlg = Start();
    dlg.show();
    Control<QCheckBox>(IDC_ALWAYS_ON_TOP)->click();
    EXPECT_TRUE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dlg.isVisible());
    Control<QCheckBox>(IDC_ALWAYS_ON_TOP)->click();
    EXPECT_FALSE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(MainDialogTest, NextPassesOverPicturesThatCannotBeReadOnceRoundAtMost) {
    const std::string first = Picture("a.png");
    for (const char* name : {"b.png", "c.png"})
        std::ofstream(pictures_ / name) << "not a picture";
    const std::string last = Picture("d.png");
    Store("RandomMode", "0");
    Store("LaterPaper", first);
    Start();
    const auto settleAll = [this] {
        for (int i = 0; i < 10; ++i)
            Settle();
    };
    settleAll();
    const int before = log_->Setters();
    dialog_->ShowNextImage();  // lands on b.png, which cannot be read
    settleAll();
    EXPECT_EQ(log_->Setters(), before + 1);
    EXPECT_EQ(Stored("LaterPaper"), last);
    EXPECT_EQ(List()->currentRow(), 3);

    // Nothing readable at all: the list is tried once round, then it rests.
    for (const char* name : {"a.png", "d.png"})
        std::ofstream(pictures_ / name) << "not a picture either";
    dialog_->ShowNextImage();
    settleAll();
    EXPECT_EQ(log_->Setters(), before + 1);
    EXPECT_EQ(List()->currentRow(), 3);  // back where it started, after four tries
}

TEST_F(MainDialogTest, AReadersMessageIsShownOncePerRunOfFailures) {
    // Two TIFF files without a page say the same; the timer or "Next"
    // passing over both shows one box, and another only after a change
    // has worked in between.
    for (const char* name : {"a.tif", "b.tif"})
        std::ofstream(pictures_ / name, std::ios::binary).write("II*\0\0\0\0\0", 8);
    const std::string good = Picture("c.png");
    Store("RandomMode", "0");
    Store("LaterPaper", good);
    Start();
    const auto settleAll = [this] {
        for (int i = 0; i < 10; ++i)
            Settle();
    };
    settleAll();
    messages_.clear();
    dialog_->ShowNextImage();  // a.tif, b.tif, then c.png
    settleAll();
    EXPECT_EQ(messages_, std::vector<std::string>{"This TIFF file not include page"});
    EXPECT_EQ(Stored("LaterPaper"), good);
    dialog_->ShowNextImage();
    settleAll();
    EXPECT_EQ(messages_.size(), 2u);
}

TEST_F(MainDialogTest, EveryLabelShowsItsWholeTextAtTheDefaultFontAndOneHalfLarger) {
    Picture("a.png");
    const QFont original = QApplication::font();
    for (const double scale : {1.0, 1.5}) {
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * scale);
        QApplication::setFont(font);
        CMainDlg& dlg = Start();
        EXPECT_EQ(label_fit::CutLabels(dlg), std::vector<std::string>{}) << scale;
    }
    QApplication::setFont(original);
}

TEST_F(MainDialogTest, AHotkeyThatCouldNotBeRegisteredIsShownAsNotActive) {
    // These windows register no global keys, as a session that offers none:
    // the stored key stays in the field, marked as not active.
    Store("Hotkey", "122");  // F11
    CMainDlg& dlg = Start();
    auto* field = Control<QLineEdit>(IDC_HOTKEY);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "F11");
    EXPECT_FALSE(field->property("hotkeyActive").toBool());
    EXPECT_TRUE(field->toolTip().contains("not active"));
    EXPECT_FALSE(dlg.RegisterGlobalHotkey(122));
    // No key at all is nothing to warn about.
    dlg.RegisterGlobalHotkey(0);
    EXPECT_TRUE(field->property("hotkeyActive").toBool());
    EXPECT_TRUE(field->toolTip().isEmpty());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
