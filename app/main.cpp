#include "app/wallpaper_app.h"

int main(int argc, char** argv) {
    CWallpaperApp app;
    return app.Run(argc, argv);
}
