#pragma once

// CWallpaperApp: the program's start and end. One copy per user runs; a
// second says "Drapewell is already running!" and ends. The one that runs
// shows the main window and lives exactly as long as that window.

class CWallpaperApp {
public:
    // Runs the program and returns the process exit code.
    int Run(int argc, char** argv);

private:
    int ExitInstance();
};
