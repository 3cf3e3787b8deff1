// GoogleTest entry for the window tests: one offscreen QApplication for all, on
// screens of our own: a large primary one where the window has room, and two
// smaller than the window's design (a 1024x600 panel, and 1400x900 at 144 dpi,
// which is 933x600 to the window).
#include <QApplication>
#include <QTemporaryFile>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QTemporaryFile screens;
    if (screens.open()) {
        // The platform takes the first screen by name as the primary one.
        screens.write(R"({"screens": [
            {"name": "dense", "x": 2624, "y": 0, "width": 1400, "height": 900, "logicalDpi": 144},
            {"name": "panel", "x": 1600, "y": 0, "width": 1024, "height": 600, "logicalDpi": 96},
            {"name": "big", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96}]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
