// The INI reader and writer: lookup rules, writes that keep every other
// byte, damaged files, crashes mid-write and concurrent writers.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/profile.h"

namespace {

namespace fs = std::filesystem;
using platform::DeleteProfileKey;
using platform::ProfileEntry;
using platform::ReadProfileString;
using platform::ReadProfileValue;
using platform::WriteProfileString;
using platform::WriteProfileStrings;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-profile-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        ini_ = (dir_ / "test.ini").string();
    }
    void TearDown() override {
        chmod(ini_.c_str(), 0644);
        fs::remove_all(dir_);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string Get(const char* section, const char* key) const {
        return ReadProfileString(ini_, section, key, "<default>");
    }

    fs::path dir_;
    std::string ini_;
};

TEST_F(ProfileTest, LookupFollowsThePrivateProfileRules) {
    Write(ini_,
          "orphan=before any section\n"
          "[ Setting ]\n"
          "  Path  =  /home/u/Pictures  \n"
          "Quoted=\"  padded  \"\n"
          "Single='x'\n"
          "Mixed=\"x'\n"
          "Empty=\n"
          "Path=second of the same key\n"
          "; Comment=not a key\n"
          "no equals sign here\n"
          "[setting]\n"
          "Later=in a duplicate section\n"
          "[Other\n"
          "AfterBrokenHeader=still in Setting's duplicate\n");
    EXPECT_EQ(Get("SETTING", "path"), "/home/u/Pictures");  // case, blanks, first match
    EXPECT_EQ(Get("Setting", "Quoted"), "  padded  ");
    EXPECT_EQ(Get("Setting", "Single"), "x");
    EXPECT_EQ(Get("Setting", "Mixed"), "\"x'");
    EXPECT_EQ(Get("Setting", "Empty"), "");
    EXPECT_EQ(Get("Setting", "Comment"), "<default>");
    EXPECT_EQ(Get("Setting", "no equals sign here"), "<default>");
    EXPECT_EQ(Get("Setting", "Later"), "<default>") << "only the first section counts";
    EXPECT_EQ(Get("Other", "AfterBrokenHeader"), "<default>");
    EXPECT_EQ(Get("", "orphan"), "<default>");
    EXPECT_EQ(Get("Missing", "Path"), "<default>");
    EXPECT_FALSE(ReadProfileValue((dir_ / "none.ini").string(), "Setting", "Path"));
}

TEST_F(ProfileTest, WritesChangeOneLineAndKeepEveryOtherByte) {
    const std::string original =
        "; Drapewell settings\r\n"
        "[Setting]\r\n"
        "ImagePath=/old\r\n"
        "  hotkey = 5 \r\n"
        "\r\n"
        "[Unknown]\r\n"
        "Keep=me\r\n";
    Write(ini_, original);
    ASSERT_TRUE(WriteProfileString(ini_, "setting", "HOTKEY", "122"));
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "Position", "Tile"));
    ASSERT_TRUE(WriteProfileString(ini_, "New", "Key", "v"));
    EXPECT_EQ(Read(ini_),
              "; Drapewell settings\r\n"
              "[Setting]\r\n"
              "ImagePath=/old\r\n"
              "hotkey=122\r\n"
              "Position=Tile\r\n"
              "\r\n"
              "[Unknown]\r\n"
              "Keep=me\r\n"
              "\r\n"
              "[New]\r\n"
              "Key=v\r\n");
    ASSERT_TRUE(DeleteProfileKey(ini_, "Setting", "Position"));
    ASSERT_TRUE(DeleteProfileKey(ini_, "New", "Key"));
    ASSERT_TRUE(DeleteProfileKey(ini_, "Setting", "NeverThere"));
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "hotkey", "5"));
    EXPECT_EQ(Read(ini_),
              "; Drapewell settings\r\n"
              "[Setting]\r\n"
              "ImagePath=/old\r\n"
              "hotkey=5\r\n"
              "\r\n"
              "[Unknown]\r\n"
              "Keep=me\r\n"
              "\r\n"
              "[New]\r\n");
}

TEST_F(ProfileTest, DeleteTakesTheDuplicatesThatWouldReadNext) {
    // Found by the INI fuzzer: deleting only the first of two lines of a key
    // left the second to be read, though the delete said the key was gone.
    Write(ini_,
          "[Setting]\r\nkey=1\r\nOther=o\r\n KEY = 2\r\n[other]\r\nkey=3\r\n"
          "[setting]\r\nkey=4\r\n");
    ASSERT_TRUE(DeleteProfileKey(ini_, "Setting", "Key"));
    EXPECT_FALSE(platform::ReadProfileValue(ini_, "Setting", "Key"));
    EXPECT_EQ(Read(ini_), "[Setting]\r\nOther=o\r\n[other]\r\nkey=3\r\n[setting]\r\nkey=4\r\n");
}

TEST_F(ProfileTest, FirstWriteCreatesFileAndALastLineWithoutBreakIsKept) {
    EXPECT_TRUE(DeleteProfileKey(ini_, "Setting", "Key"));
    EXPECT_FALSE(fs::exists(ini_)) << "deleting from nothing creates nothing";
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "A", "1"));
    EXPECT_EQ(Read(ini_), "[Setting]\nA=1\n");

    Write(ini_, "[Setting]\nA=1");
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "B", "2"));
    EXPECT_EQ(Read(ini_), "[Setting]\nA=1\nB=2");
}

TEST_F(ProfileTest, AnyValueOnOneLineReadsBackAsWritten) {
    for (const std::string value : {" leading", "trailing\t", "\"quoted\"", "'single'", "\"", "a=b",
                                    "[x]", "; not a comment", ""}) {
        ASSERT_TRUE(WriteProfileString(ini_, "S", "K", value)) << value;
        EXPECT_EQ(ReadProfileValue(ini_, "S", "K"), value);
    }
    const std::string before = Read(ini_);
    EXPECT_FALSE(WriteProfileString(ini_, "S", "K", "two\nlines"));
    EXPECT_FALSE(WriteProfileString(ini_, "S", "K", "\n[Setting]\nChangeMethod=9"));
    EXPECT_FALSE(WriteProfileString(ini_, "S", "K=", "v"));
    EXPECT_FALSE(WriteProfileString(ini_, "S", "", "v"));
    EXPECT_FALSE(WriteProfileString(ini_, "S]", "K", "v"));
    EXPECT_EQ(Read(ini_), before);
}

TEST_F(ProfileTest, DamagedFilesReadAsDefaultsAndLoseNothingOnWrite) {
    std::mt19937 random(7);
    std::string garbage(4096, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    const std::string hugeLine(10 << 20, 'x');
    Write(ini_, garbage + "\n[Setting]\nLong=" + hugeLine + "\nAfter=1\n[Setting\n");
    EXPECT_EQ(Get("Setting", "After"), "1");
    EXPECT_EQ(ReadProfileValue(ini_, "Setting", "Long")->size(), hugeLine.size());
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "After", "2"));
    EXPECT_EQ(Read(ini_), garbage + "\n[Setting]\nLong=" + hugeLine + "\nAfter=2\n[Setting\n");
}

TEST_F(ProfileTest, ReadOnlyFilesAndDirectoriesAreNeverReplaced) {
    Write(ini_, "[Setting]\nA=1\n");
    chmod(ini_.c_str(), 0444);
    struct stat before;
    stat(ini_.c_str(), &before);
    EXPECT_FALSE(WriteProfileString(ini_, "Setting", "A", "2"));
    EXPECT_FALSE(WriteProfileString(ini_, "Setting", "B", "2"));
    struct stat after;
    stat(ini_.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(Read(ini_), "[Setting]\nA=1\n");
    EXPECT_EQ(Get("Setting", "A"), "1") << "still readable";

    const std::string folder = (dir_ / "folder.ini").string();
    fs::create_directory(folder);
    EXPECT_EQ(ReadProfileString(folder, "Setting", "A", "d"), "d");
    EXPECT_FALSE(WriteProfileString(folder, "Setting", "A", "1"));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(WriteProfileString((dir_ / "no/such/dir.ini").string(), "S", "K", "v"));
}

// A batch leaves byte for byte what the same writes one after another leave:
// lines replaced in place, new keys appended in order after the section's
// last line, comments, unknown keys, blank lines and CRLF kept.
TEST_F(ProfileTest, ABatchWritesWhatOneWriteAfterAnotherWrites) {
    const std::vector<ProfileEntry> entries = {{"A", "2"},          {"hotkey", "122"},
                                               {"New", " padded "}, {" Second ", ""},
                                               {"A", "3"},          {"ImagePath", "/old"}};
    const std::optional<std::string> files[] = {
        std::nullopt,  // no file yet
        "",
        "; Drapewell settings\r\n[Setting]\r\nImagePath=/old\r\n  hotkey = 5 \r\n"
        "Unknown=kept\r\n\r\n[Other]\r\nKeep=me\r\n",
        "[Other]\nA=1",
        "[Setting]\nA=1",
        "orphan=1\n[setting]\nA=\"q\"\n; note\n\n[Setting]\nB=duplicate section\n",
    };
    const std::string one = (dir_ / "one.ini").string();
    const std::string batch = (dir_ / "batch.ini").string();
    for (const std::optional<std::string>& file : files) {
        fs::remove(one);
        fs::remove(batch);
        if (file) {
            Write(one, *file);
            Write(batch, *file);
        }
        for (const ProfileEntry& entry : entries)
            ASSERT_TRUE(WriteProfileString(one, "Setting", entry.key, entry.value));
        ASSERT_TRUE(WriteProfileStrings(batch, " Setting ", entries));
        EXPECT_EQ(Read(batch), Read(one)) << file.value_or("<no file>");
    }
}

TEST_F(ProfileTest, ABatchReplacesTheFileOnceOrNotAtAll) {
    Write(ini_, "[Setting]\nA=1\nB=2\n");
    // The old file's inode, kept by a second link: a replacement leaves it
    // as it was, an edit in place would not.
    const std::string old = (dir_ / "old.ini").string();
    fs::create_hard_link(ini_, old);
    const std::vector<ProfileEntry> same = {{"A", "1"}, {"b", "2"}};
    ASSERT_TRUE(WriteProfileStrings(ini_, "Setting", same));
    EXPECT_TRUE(fs::equivalent(ini_, old)) << "nothing changed, nothing replaced";

    // Entries that cannot be stored are refused; the others still land.
    const std::vector<ProfileEntry> mixed = {
        {"A", "5"}, {"Bad", "line\nbreak"}, {"", "empty key"}, {"K=", "v"}, {"C", "3"}};
    EXPECT_FALSE(WriteProfileStrings(ini_, "Setting", mixed));
    EXPECT_EQ(Read(ini_), "[Setting]\nA=5\nB=2\nC=3\n");
    EXPECT_EQ(Read(old), "[Setting]\nA=1\nB=2\n");
    EXPECT_FALSE(WriteProfileStrings(ini_, "Bad]", same));
    EXPECT_FALSE(WriteProfileStrings("", "Setting", same));
    EXPECT_TRUE(WriteProfileStrings((dir_ / "none.ini").string(), "Setting", {}));
    EXPECT_FALSE(fs::exists(dir_ / "none.ini")) << "an empty batch creates nothing";

    chmod(ini_.c_str(), 0444);
    EXPECT_FALSE(WriteProfileStrings(ini_, "Setting", mixed));
    EXPECT_FALSE(WriteProfileStrings(ini_, "Setting", {{{"D", "4"}}}));
    EXPECT_EQ(Read(ini_), "[Setting]\nA=5\nB=2\nC=3\n");
}

// A writer killed at any moment, between writing and renaming included,
// leaves either the old file or the new one, each whole.
TEST_F(ProfileTest, AKilledWriterLeavesAWholeFile) {
    const std::string filler(64 << 10, 'f');
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "Filler", filler));
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "Counter", "0"));
    std::mt19937 random(11);
    int previous = 0;
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = previous + 1;; ++i)
                WriteProfileString(ini_, "Setting", "Counter", std::to_string(i));
        }
        usleep(1000 + random() % 20000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string text = Read(ini_);
        const auto counter = ReadProfileValue(ini_, "Setting", "Counter");
        ASSERT_TRUE(counter) << "round " << round;
        ASSERT_EQ(ReadProfileValue(ini_, "Setting", "Filler"), filler) << "round " << round;
        ASSERT_EQ(text, "[Setting]\nFiller=" + filler + "\nCounter=" + *counter + "\n");
        ASSERT_GE(std::stoi(*counter), previous);
        previous = std::stoi(*counter);
    }
    // Some writers died holding a temporary (so between writing and
    // renaming); none of those ever stands in for the file.
    int temporaries = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        temporaries += name.starts_with(".test.ini.") && name != ".test.ini.lock";
    }
    EXPECT_GT(temporaries, 0);
    ASSERT_TRUE(WriteProfileString(ini_, "Setting", "Counter", "done"));
    EXPECT_EQ(Get("Setting", "Counter"), "done");
}

constexpr int kWrites = 1000;

void WriteKeys(const std::string& ini, const std::string& prefix) {
    for (int i = 0; i < kWrites; ++i)
        WriteProfileString(ini, "Setting", prefix + std::to_string(i), std::to_string(i * 7));
}

void ExpectAllKeys(const std::string& ini, const std::vector<std::string>& prefixes) {
    int missing = 0;
    for (const std::string& prefix : prefixes) {
        for (int i = 0; i < kWrites; ++i) {
            const auto value = ReadProfileValue(ini, "Setting", prefix + std::to_string(i));
            missing += value != std::to_string(i * 7);
        }
    }
    EXPECT_EQ(missing, 0);
}

TEST_F(ProfileTest, TwoThreadsWritingDifferentKeysLoseNone) {
    std::thread job(WriteKeys, ini_, "Job");
    WriteKeys(ini_, "Window");
    job.join();
    ExpectAllKeys(ini_, {"Job", "Window"});
}

TEST_F(ProfileTest, TwoProcessesWritingDifferentKeysLoseNone) {
    std::vector<pid_t> children;
    for (const char* prefix : {"First", "Second"}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteKeys(ini_, prefix);
            _exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ExpectAllKeys(ini_, {"First", "Second"});
}

}  // namespace
