#pragma once

// CMainDlg: the program's one window. It owns the settings record and its
// store, the image and music lists, the tray icon and the wallpaper change
// runner, shows the settings in its controls and reads them back, and
// handles every control, timer, hotkey and tray command.
//
// The implementation is split by concern: main_dialog_layout.cpp (controls),
// main_dialog_exchange.cpp (validated read and show), main_dialog_settings.cpp
// (load and save), main_dialog_handlers.cpp (buttons, lists, the change),
// main_dialog_window.cpp (timers, hotkey, hiding, tray, ending),
// main_dialog_control.cpp (history, shuffle, pause, the live list: what the
// bus service and the tray's newer items reach).

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/monitor_controls.h"
#include "app/orientation_cache.h"
#include "app/picture_watcher.h"
#include "app/rotation.h"
#include "app/settings.h"
#include "rotation/history.h"
#include "rotation/shuffle.h"
#include "shell/ini_file.h"
#include "wallpaper/job_runner.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class CUpDownCtrl;
class CHotKeyCtrl;
class CMainDlgServices;

// Control identifiers; each control's object name is its number.
enum MainDlgControl : int {
    IDC_SAVE = 1000,
    IDC_IMAGE_PATH = 1001,
    IDC_POSITION = 1002,
    IDC_BROWSE_IMAGE = 1003,
    IDC_DESKTOP = 1004,
    IDC_IMAGE_LIST = 1005,
    IDC_REFRESH_IMAGES = 1006,
    IDC_FIT_TO_SCREEN = 1007,
    IDC_ENABLE_TIMER = 1008,
    IDC_TIME_INTERVAL = 1009,
    IDC_INTERVAL_SPIN = 1010,
    IDC_HOTKEY = 1011,
    IDC_ALWAYS_ON_TOP = 1012,
    IDC_START_AT_LOGIN = 1013,
    IDC_ABOUT = 1014,
    IDC_DONATE = 1015,
    IDC_DISPLAY_ORDER = 1016,
    IDC_DISPLAY_RANDOM = 1017,
    IDC_PLAY_MUSIC = 1018,
    IDC_BROWSE_MUSIC = 1019,
    IDC_MUSIC_PATH = 1020,
    IDC_PLAY_ORDER = 1021,
    IDC_PLAY_RANDOM = 1022,
    IDC_HIDE_TO_TRAY = 1023,
    IDC_HIDE = 1024,
    IDC_CHANGE_METHOD = 1025,
    IDC_PREVIOUS_IMAGE = 1026,
    IDC_NEXT_IMAGE = 1027,
};

// Tray menu commands.
enum MainDlgCommand : int {
    ID_TRAY_RESTORE = 32771,
    ID_TRAY_NEXT = 32773,
    ID_TRAY_EXIT = 32775,
    ID_TRAY_PREVIOUS = 32777,
    ID_TRAY_PAUSE = 32778,
};

// Timer identifiers (the timers' object names).
inline constexpr int kAutoChangeTimerId = 1015;
inline constexpr int kHideTimerId = 101;
inline constexpr std::chrono::milliseconds kHideDelay{500};

// What the window works with besides its controls; tests replace parts.
struct MainDlgOptions {
    // The settings file; empty means the program's own (GetSettingsFilePath).
    std::string settingsFile;
    // Makes the setter of a change method; null means the desktop's setters.
    wallpaper::SetterFactory makeSetter;
    // The screen size the pictures are fitted to; null reads the display.
    std::function<wallpaper::Size()> screenSize;
    // The length of one second of TimeInterval; tests shorten it.
    std::chrono::milliseconds secondLength{1000};
    // Whether to register the global hotkey and show the tray icon.
    bool useGlobalHotkey = true;
    bool useTrayIcon = true;
    // Seed of the random order; 0 seeds from the system.
    std::uint64_t randomSeed = 0;
    // Where the history and the shuffled orders are kept; empty means the
    // data directory (GetWindowsDirectoryPath).
    std::string stateDirectory;
    // How long the picture folder must stay quiet before its changes are
    // read (a copy of many files is taken in one go).
    std::chrono::milliseconds folderSettleDelay{300};
};

class CMainDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMainDlg(MainDlgOptions options = {}, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Initialises the window (lists, settings and their effects) and shows
    // it; returns when the window has ended (Enter, Escape or "&Exit").
    int RunModal();

    // The initialisation: fills the lists, loads the settings and brings
    // them into effect. RunModal calls it; tests call it themselves.
    void OnInitDialog();
    // The end of the window: timers stopped, hotkey released, the running
    // wallpaper change given a few seconds. Settings are not saved.
    void OnDestroy();

    // Exchange between the controls and the record. ReadDialog is the
    // validated read: false (after a message, with the focus on the
    // interval field) when the interval is no integer from 5 to 600.
    bool ReadDialog();
    void ShowSettings();

    void LoadSettings();
    void SaveSettings();
    void ApplyStartAtLogin(bool on);

    // Image list and rotation.
    void ScanImageDirectory(const std::string& directory);
    void RefreshImageList();
    void ScanMusicDirectory(const std::string& directory);
    // The tray's "Next" and the hotkey; the auto-change timer goes through
    // OnAutoChangeTimer.
    // After "Previous", "Next" walks forward through the history before it
    // chooses a new picture; random mode takes the shuffled order.
    void ShowNextImage();
    // Back through the pictures shown (skipping files gone since); false
    // when there is none before the current one.
    bool ShowPreviousImage();
    void OnAutoChangeTimer();
    void BrowseImageDirectory();
    void ChangeWallpaperNow();

    // Timers, hotkey and window behaviours.
    void ApplyTimerSettings();
    void ApplyAlwaysOnTop();
    bool RegisterGlobalHotkey(std::uint16_t value);
    void UnregisterGlobalHotkey();
    // Also the one-shot hide timer's handler.
    void HideWindow();
    void RestoreWindow();
    void ExitProgram();
    // A tray menu command (ID_TRAY_*).
    void OnCommand(int command);

    // Pause: the timer holds until resumed; the hotkey, "Next" and the
    // command line still change the picture. Kept in the settings file.
    void SetPaused(bool paused);
    bool IsPaused() const { return settings_.Paused; }
    // Makes `path` (an existing picture file, by its full path) the
    // wallpaper, selecting it when the list has it. False with the reason in
    // `why` otherwise.
    bool ShowPictureFile(const std::string& path, std::string& why);
    // The pictures on the desktop now: one, the last one asked for.
    std::vector<std::string> CurrentPictures() const;
    int PictureCount() const;
    const CPictureHistory& History() const { return history_; }

    // Control handlers, named after the controls they serve.
    void OnSelchangeImageList();
    void OnSelchangePosition();
    void OnFitToScreen();
    void OnSave();
    void OnDisplayOrder();
    void OnPlayOrder();
    void OnSelchangeChangeMethod();
    void OnPlayMusicClicked();
    void BrowseMusicDirectory();
    void OnAbout();
    void OpenDonationPage();
    void OnOK();

    // Music glue.
    void StartMusic();
    void StopMusic();

    const WallpaperSettings& Settings() const { return settings_; }
    WallpaperSettings& Settings() { return settings_; }
    const std::vector<std::string>& MusicList() const { return musicList_; }
    bool IsExiting() const { return exiting_; }
    const QTimer& AutoChangeTimer() const { return autoChangeTimer_; }
    const QTimer& HideTimer() const { return hideTimer_; }
    std::string SettingsFile() const { return ini_.GetFileName(); }
    // Waits until no wallpaper change runs or waits (tests).
    bool WaitForChanges(std::chrono::milliseconds timeout);
    // Lays the pictures shown out again, on a monitor layout that changed
    // (main_dialog_monitors.cpp).
    void ReapplyWallpaper();
    // The picture list's entries, in order.
    std::vector<std::string> ImageEntries() const;

    // Lets the folder browser be replaced: returns the chosen folder, or
    // nothing when the user cancelled.
    using FolderChooser = std::function<bool(std::string& chosen, const std::string& initial,
                                             const std::string& title)>;
    void SetFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

public slots:
    void done(int result) override;

signals:
    // A new picture was asked for (its path); the pause was taken or let go;
    // pictures joined or left the list.
    void PictureChanged(const QString& picture);
    void PausedChanged(bool paused);
    void PictureCountChanged(int count);

private:
    // Layout (main_dialog_layout.cpp).
    void CreateControls();
    void ConnectHandlers();
    void OnCreate();

    // The picture the newest change was asked for. The job's "LaterPaper"
    // write and its completion act only for that picture, so an older job
    // finishing late cannot put back a picture the window has moved past.
    struct LatestChange {
        std::mutex mutex;
        std::string picture;
        // The picture reader's message shown last; the same one again is not
        // shown until a change has worked (the timer may meet it every tick).
        std::string messageShown;
    };
    // On the window's thread once a change ended: `loaded` false when the
    // picture could not be read, `accepted` whether the desktop took it,
    // `why` the job's word on it.
    void OnChangeFinished(const std::string& picture, bool loaded, bool accepted,
                          const std::string& why);
    // A change that failed for `why` (a full disk) is told on stderr once per
    // run of the same reason; "" ends the run.
    void ReportChangeFailure(const std::string& picture, const std::string& why);
    // A save of the settings that failed for `why` is told on stderr and in
    // the tooltip once per run of the same reason; "" ends the run.
    void ReportSaveFailure(const std::string& why);
    // Starts the change to `picture` (nothing for an empty name), records it
    // in the history and saves the settings.
    void RequestChange(const std::string& picture);
    // History and shuffle files (main_dialog_control.cpp).
    std::string StateFile(const char* name) const;
    void LoadRotationState();
    void SaveHistoryFile();
    // Shows `picture`, from the list when it is there, directly otherwise.
    void ShowPicture(const std::string& picture);
    int RowOf(const std::string& picture) const;
    // The row `picture` has, or would have, in the sorted list: the first
    // row not before it (the count when it would come last).
    int SortedRow(const std::string& picture) const;
    // "Next" after "Previous": the picture after the cursor's in the
    // history; false at its newest entry.
    bool ShowNextInHistory();
    // The folder watcher's report: pictures that joined or left the tree.
    void OnPicturesChanged(const std::vector<std::string>& added,
                           const std::vector<std::string>& removed);
    void WatchImageDirectory();
    void CreateChangeRunner();
    // Says in the tray's tooltip which picture could not be read ("" clears,
    // back to the failed save's note while saves fail).
    void ShowUnreadablePicture(const std::string& note);
    // Several monitors (main_dialog_monitors.cpp): the monitor mode and, for a
    // picture per monitor, each monitor's picture; the tray's tooltip naming
    // them once shown.
    void FillMonitorRequest(wallpaper::ChangeRequest& request);
    void ShowMonitorPictures(const std::string& picture,
                             const std::vector<std::pair<std::string, std::string>>& shown);

    // One user action or timer tick: the handlers it runs read the dialog
    // several times, but a bad interval is reported at most once per action,
    // and not at all by a quiet one. Scopes nest; the outermost ends the
    // action.
    class CActionScope {
    public:
        explicit CActionScope(CMainDlg& dialog, bool quiet = false);
        ~CActionScope();
        CActionScope(const CActionScope&) = delete;
        CActionScope& operator=(const CActionScope&) = delete;

    private:
        CMainDlg& dialog_;
        bool wasQuiet_;
    };
    // Whether a tick may report a bad interval: not while the user edits the
    // field, the window is hidden or a box is open already.
    bool TickMayAsk() const;
    bool HasSelectedPicture() const;

    bool SelectDirectory(std::string& path, const std::string& initial);
    int PositionIndex() const;
    void SelectImage(int index);

    MainDlgOptions options_;
    CIniFile ini_;
    std::unique_ptr<CMainDlgServices> services_;  // tray, hotkey, music
    std::vector<std::string> musicList_;
    bool desktopAvailable_ = false;
    // Unreadable pictures the latest "next" has passed over so far; the
    // following ones are tried until one reads or the list went round once.
    int skippedUnreadable_ = 0;
    bool advancing_ = false;  // the latest change came from ShowNextImage
    // The picture last asked for, when it has left the list since: "Next" in
    // order goes to the row that took its place.
    std::string vanishedCurrent_;
    bool unreadableShown_ = false;
    std::string failureTold_;      // the reason of the failed changes told last
    std::string saveFailureTold_;  // the reason of the failed saves told last

    // Controls.
    QLineEdit* imagePath_ = nullptr;
    QPushButton* browseImage_ = nullptr;
    QListWidget* imageList_ = nullptr;
    QCheckBox* enableTimer_ = nullptr;
    QLineEdit* timeInterval_ = nullptr;
    QCheckBox* fitToScreen_ = nullptr;
    QComboBox* position_ = nullptr;
    CHotKeyCtrl* hotkey_ = nullptr;
    QRadioButton* displayOrder_ = nullptr;
    QRadioButton* displayRandom_ = nullptr;
    QCheckBox* playMusic_ = nullptr;
    QLineEdit* musicPath_ = nullptr;
    QPushButton* browseMusic_ = nullptr;
    QRadioButton* playOrder_ = nullptr;
    QRadioButton* playRandom_ = nullptr;
    QCheckBox* alwaysOnTop_ = nullptr;
    QCheckBox* startAtLogin_ = nullptr;
    QCheckBox* hideToTray_ = nullptr;
    QPushButton* donate_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* about_ = nullptr;
    QPushButton* hide_ = nullptr;
    QPushButton* refreshImages_ = nullptr;
    CUpDownCtrl* intervalSpin_ = nullptr;
    QPushButton* desktop_ = nullptr;
    QComboBox* changeMethod_ = nullptr;
    CMonitorControls monitorControls_;
    QPushButton* previousImage_ = nullptr;
    QPushButton* nextImage_ = nullptr;

    WallpaperSettings settings_;
    bool exiting_ = false;
    bool ending_ = false;       // done() is ending the window
    bool validating_ = false;   // a validation message is open
    int actionDepth_ = 0;       // open CActionScopes
    bool actionAsked_ = false;  // this action has reported a bad interval
    bool actionQuiet_ = false;  // this action reports nothing
    bool initialised_ = false;
    bool destroyed_ = false;

    QTimer autoChangeTimer_;
    QTimer hideTimer_;
    CShuffleOrder shuffle_;
    // Draws the pictures of the second and further monitors at random.
    CRandomPicker monitorPicker_;
    COrientationCache orientations_;
    CShuffleOrder musicShuffle_;
    CPictureHistory history_;
    CPictureFolderWatcher watcher_;
    FolderChooser chooseFolder_;

    std::shared_ptr<LatestChange> latest_ = std::make_shared<LatestChange>();
    // Last: shut down first, before anything its callbacks reach.
    std::unique_ptr<wallpaper::ChangeJobRunner> runner_;
};
