// The autostart entry: Exec quoting, and the written file as desktop tools
// read it (desktop-file-validate, and GLib launching it with gio).

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/autostart.h"

namespace {

namespace fs = std::filesystem;
using platform::QuoteExecArgument;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a shell command; its exit status and what it printed.
int RunCommand(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    std::string text;
    while (std::fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TEST(AutostartQuoting, QuotesOnlyWhatTheRulesReserve) {
    EXPECT_EQ(QuoteExecArgument("/usr/bin/drapewell"), "/usr/bin/drapewell");
    EXPECT_EQ(QuoteExecArgument("/opt/My Apps/drapewell"), "\"/opt/My Apps/drapewell\"");
    // Quote-level escapes, then the string escape doubles every backslash.
    EXPECT_EQ(QuoteExecArgument("/a\"b"), "\"/a\\\\\"b\"");
    EXPECT_EQ(QuoteExecArgument("/$HOME/`x`"), "\"/\\\\$HOME/\\\\`x\\\\`\"");
    EXPECT_EQ(QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(QuoteExecArgument("/100%/%u"), "/100%%/%%u") << "no field codes";
    EXPECT_EQ(QuoteExecArgument("/it's here"), "\"/it's here\"");
}

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-autostart-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        entry_ = (dir_ / "config/autostart/Drapewell.desktop").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string entry_;
};

TEST_F(AutostartTest, EntryIsValidAndLaunchesAProgramWithAnAwkwardPath) {
    // Blanks, both quotation marks, a dollar sign, a backslash and backticks.
    const fs::path folder = dir_ / "My Apps" / "it's \"$HOME\" \\ `x`";
    fs::create_directories(folder);
    const std::string program = (folder / "drapewell").string();
    const std::string marker = (dir_ / "launched").string();
    std::ofstream(program) << "#!/bin/sh\necho \"$#\" > " << ShellQuote(marker) << "\n";
    chmod(program.c_str(), 0755);

    ASSERT_TRUE(platform::WriteAutostartEntry(entry_, "Drapewell", program));
    std::string output;
    EXPECT_EQ(RunCommand("desktop-file-validate " + ShellQuote(entry_), &output), 0) << output;
    ASSERT_EQ(
        RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY gio launch " + ShellQuote(entry_), &output),
        0)
        << output;
    for (int i = 0; i < 100 && !fs::exists(marker); ++i)
        usleep(50000);
    EXPECT_EQ(Read(marker), "0\n") << "the program ran with no arguments";
}

TEST_F(AutostartTest, WritesOnlyWhenChangedAndRemovesOnRequest) {
    ASSERT_TRUE(platform::WriteAutostartEntry(entry_, "Drapewell", "/usr/bin/drapewell"));
    struct stat first;
    stat(entry_.c_str(), &first);
    ASSERT_TRUE(platform::WriteAutostartEntry(entry_, "Drapewell", "/usr/bin/drapewell"));
    struct stat second;
    stat(entry_.c_str(), &second);
    EXPECT_EQ(first.st_ino, second.st_ino) << "an unchanged entry is not rewritten";
    ASSERT_TRUE(platform::WriteAutostartEntry(entry_, "Drapewell", "/opt/drapewell"));
    EXPECT_NE(Read(entry_).find("Exec=/opt/drapewell\n"), std::string::npos);

    EXPECT_TRUE(platform::RemoveAutostartEntry(entry_));
    EXPECT_FALSE(fs::exists(entry_));
    EXPECT_TRUE(platform::RemoveAutostartEntry(entry_)) << "already gone";
}

TEST_F(AutostartTest, AnUnwritablePlaceChangesNothing) {
    // The autostart "directory" is a file: nothing can be created below it.
    fs::create_directories(dir_ / "config");
    std::ofstream((dir_ / "config/autostart").string()) << "not a directory";
    EXPECT_FALSE(platform::WriteAutostartEntry(entry_, "Drapewell", "/usr/bin/drapewell"));
    platform::RemoveAutostartEntry(entry_);
    EXPECT_EQ(Read((dir_ / "config/autostart").string()), "not a directory");
}

}  // namespace
