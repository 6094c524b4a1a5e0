// Puts a numbered picture of the given size on the clipboard and keeps it
// there, as its owner, until its standard input closes:
//   clipboard_holder WIDTH HEIGHT
// Prints "ready" once the clipboard holds the picture. Another process then
// pastes it, since X11 hands the clipboard's contents over only while their
// owner runs.

#include <unistd.h>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/clipboard_qt.h"
#include "tests/image/exchange_test_util.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    clipboard::InstallQtClipboard();
    if (argc != 3) {
        std::fprintf(stderr, "usage: clipboard_holder WIDTH HEIGHT\n");
        return 2;
    }
    CDibImage picture;
    if (!picture.Create(std::atoi(argv[1]), std::atoi(argv[2]), 24))
        return 1;
    exchange_test::FillNumbered(picture);
    if (!picture.CopyToClipboard()) {
        std::fprintf(stderr, "clipboard_holder: the clipboard did not take the picture\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    // A test that dies must not leave the holder behind for long.
    QTimer::singleShot(60000, &app, &QGuiApplication::quit);
    return app.exec();
}
