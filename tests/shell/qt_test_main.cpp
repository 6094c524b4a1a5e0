// The companions' tests need a widget application: offscreen, so no display
// is needed, and with no sound server, so that music plays to GStreamer's
// stand-in sink in real time instead of a sound card.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("PULSE_SERVER", "unix:/nonexistent/drapewell-test");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Drapewell");
    return RUN_ALL_TESTS();
}
