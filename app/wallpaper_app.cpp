#include "app/wallpaper_app.h"

#include <QApplication>

#include "app/app_icon.h"
#include "app/bus_service.h"
#include "app/main_dialog.h"
#include "app/picture_list.h"
#include "app/sample_pictures.h"
#include "app/screen_follower.h"
#include "app/settings_file.h"
#include "platform/base/left_temporaries.h"
#include "platform/base/paths.h"
#include "platform/base/product.h"
#include "platform/base/quit_signals.h"
#include "platform/qt/display_loss.h"
#include "platform/qt/messages.h"
#include "platform/qt/quit_on_signal.h"
#include "platform/qt/single_instance.h"
#include "rotation/rotation_store.h"

namespace {

// The temporaries a killed copy left of the files it writes: the settings
// file's beside it, the history's, the shuffles' and the staging bitmaps' in
// the data directory. Only for the copy that holds the lock, as another
// copy's temporary may be a write under way.
void RemoveOurLeftTemporaries() {
    if (const std::string ini = GetSettingsFilePath(); !ini.empty()) {
        const std::size_t slash = ini.rfind('/');
        const std::string name = ini.substr(slash + 1);
        platform::RemoveLeftTemporaries(
            ini.substr(0, slash + 1), [&name](std::string_view target) { return target == name; });
    }
    if (const std::string data = GetWindowsDirectoryPath(); !data.empty()) {
        platform::RemoveLeftTemporaries(data, [&data](std::string_view target) {
            return target == kHistoryFileName || target == kPictureShuffleFileName ||
                   target == kMusicShuffleFileName ||
                   IsStagingPicture(data + std::string(target), data);
        });
    }
}

// What the bus may ask of the window: each command as the tray or the
// window's own button would run it.
BusActions BusActionsFor(CMainDlg& dialog) {
    return {
        .show = [&dialog] { dialog.RestoreWindow(); },
        .next = [&dialog] { dialog.ShowNextImage(); },
        .previous = [&dialog] { dialog.ShowPreviousImage(); },
        .setPaused = [&dialog](bool paused) { dialog.SetPaused(paused); },
        .setWallpaper = [&dialog](const std::string& path,
                                  std::string& why) { return dialog.ShowPictureFile(path, why); },
        .quit = [&dialog] { dialog.ExitProgram(); },
        .currentPictures =
            [&dialog] {
                QStringList pictures;
                for (const std::string& picture : dialog.CurrentPictures())
                    pictures << QString::fromStdString(picture);
                return pictures;
            },
        .paused = [&dialog] { return dialog.IsPaused(); },
        .pictureCount = [&dialog] { return dialog.PictureCount(); },
    };
}

}  // namespace

int CWallpaperApp::Run(int argc, char** argv) {
    // The X server ending under the program ends it with status 1 (Qt's
    // doing); the one line on stderr is ours, as for a display that cannot
    // be opened at the start.
    platform::ReportDisplayLossAs("drapewell");
    QApplication app(argc, argv);
    // The window hides to the tray, and a message box may be the only window
    // on the screen: closing it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(MainIcon());

    // Held until the program ends; a copy that crashed leaves nothing that
    // blocks the next start.
    platform::SingleInstanceLock lock;
    const platform::SingleInstanceLock::Result locked = lock.TryAcquire();
    if (locked == platform::SingleInstanceLock::Result::kHeldElsewhere) {
        // The running copy's window may be hidden with no tray icon to bring
        // it back: it comes to the front, and the message says why.
        AskRunningCopyToShow();
        platform::ShowMessage(GetProductName() + " is already running!");
        return ExitInstance();
    }
    // A lock that cannot be made (no runtime directory) does not keep the
    // program from starting.
    // SIGTERM at logout, SIGINT and SIGHUP end the program as "Exit" does
    // (status 0): a signal that comes before the window is up waits in the
    // pipe until the event loop runs.
    platform::CQuitSignalPipe quitSignals;
    if (locked == platform::SingleInstanceLock::Result::kAcquired)
        RemoveOurLeftTemporaries();
    InstallBundledSamplePictures();
    CScreenFollower screens;
    {
        CMainDlg dialog;
        const platform::QuitOnSignal quitOnSignal(quitSignals, [&dialog] { dialog.ExitProgram(); });
        CBusService bus(BusActionsFor(dialog));
        QObject::connect(&dialog, &CMainDlg::PictureChanged, &bus,
                         [&bus] { bus.NotifyPictureChanged(); });
        QObject::connect(&dialog, &CMainDlg::PausedChanged, &bus,
                         [&bus] { bus.NotifyPausedChanged(); });
        QObject::connect(&dialog, &CMainDlg::PictureCountChanged, &bus,
                         [&bus] { bus.NotifyPictureCountChanged(); });
        // A monitor plugged in or out, resized or turned: the pictures shown
        // are laid out on the new layout.
        screens.SetLayoutHandler([&dialog] { dialog.ReapplyWallpaper(); });
        dialog.RunModal();
        screens.SetLayoutHandler(nullptr);
    }
    return ExitInstance();
}

int CWallpaperApp::ExitInstance() {
    return 0;
}
