#pragma once

// The signals that ask a program to end (SIGTERM when the session logs out,
// SIGINT from a terminal's Ctrl+C, SIGHUP when the terminal goes), turned
// into bytes on a pipe. A signal handler may do almost nothing safely, so
// the program's event loop watches the pipe's read end and ends the program
// the way its own "Exit" does: destructors run, the lock is released and no
// file is left half-written.

namespace platform {

class CQuitSignalPipe {
public:
    // Installs the handlers; one pipe at a time per process.
    CQuitSignalPipe();
    ~CQuitSignalPipe();  // the default actions come back, the pipe is closed
    CQuitSignalPipe(const CQuitSignalPipe&) = delete;
    CQuitSignalPipe& operator=(const CQuitSignalPipe&) = delete;

    // False when the pipe could not be made or another pipe is installed;
    // the signals then keep their default actions.
    bool IsOpen() const { return readFd_ >= 0; }
    // Readable (non-blocking) once a signal has arrived.
    int ReadFd() const { return readFd_; }
    // Reads every pending byte; the last signal received, 0 for none.
    int Drain();
    // Gives the signals their default actions back while the pipe stays
    // open: a second SIGTERM to a program slow to end ends it at once.
    void RestoreDefaults();

private:
    int readFd_ = -1;
    bool installed_ = false;
};

}  // namespace platform
