// Mapped files: reading, the replace-on-commit writer, in-place updates and
// the guarantee that a failed write leaves the old file whole.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/files.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-files-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        return names;
    }
    static mode_t Mode(const std::string& path) {
        struct stat st;
        stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }

    fs::path dir_;
};

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST_F(FilesTest, ReadMapSeesWholeFileAndEmptyFileMapsNothing) {
    Write(Path("a"), "picture bytes");
    Write(Path("empty"), "");
    platform::CMappedFile file;
    ASSERT_TRUE(file.Open(Path("a")));
    EXPECT_EQ(std::string(file.Data().begin(), file.Data().end()), "picture bytes");
    ASSERT_TRUE(file.Open(Path("empty")));
    EXPECT_TRUE(file.Data().empty());
    EXPECT_FALSE(file.Open(Path("missing")));
    EXPECT_FALSE(file.Open(dir_.string()));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FilesTest, WriteMapReplacesTargetOnlyOnCommit) {
    Write(Path("w"), "old contents");
    {
        platform::CMappedWriteFile out;
        ASSERT_TRUE(out.Create(Path("w"), 100));
        ASSERT_EQ(out.Data().size(), 100u);
        std::memcpy(out.Data().data(), "new", 3);
        EXPECT_EQ(Read(Path("w")), "old contents") << "not before the commit";
        ASSERT_TRUE(out.Commit(3));  // the truncating close
    }
    EXPECT_EQ(Read(Path("w")), "new");
    {
        platform::CMappedWriteFile out;
        ASSERT_TRUE(out.Create(Path("w"), 10));
        std::memcpy(out.Data().data(), "abandoned", 9);
    }  // never committed
    EXPECT_EQ(Read(Path("w")), "new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"w"});
}

TEST_F(FilesTest, NewFilesGetUsualPermissionsAndOldFilesKeepTheirs) {
    const mode_t saved = umask(027);
    EXPECT_TRUE(platform::WriteFileAtomically(Path("new"), Bytes("x")));
    umask(saved);
    EXPECT_EQ(Mode(Path("new")), 0640u);

    Write(Path("kept"), "old");
    chmod(Path("kept").c_str(), 0604);
    platform::CMappedWriteFile out;
    ASSERT_TRUE(out.Create(Path("kept"), 0));
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(Read(Path("kept")), "");
    EXPECT_EQ(Mode(Path("kept")), 0604u);
}

TEST_F(FilesTest, AtomicWriteFollowsSymbolicLinks) {
    Write(Path("real"), "old");
    fs::create_symlink(Path("real"), Path("link"));
    ASSERT_TRUE(platform::WriteFileAtomically(Path("link"), Bytes("replaced")));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_EQ(Read(Path("real")), "replaced");
    EXPECT_FALSE(platform::WriteFileAtomically(Path("no-such-dir/f"), Bytes("x")));
}

TEST_F(FilesTest, UpdateMapExtendsAndCutsInPlace) {
    Write(Path("u"), "GIF89a");
    {
        platform::CMappedUpdateFile file;
        ASSERT_TRUE(file.Open(Path("u"), 64));
        EXPECT_EQ(file.OriginalSize(), 6u);
        std::memcpy(file.Data().data() + 6, "+frame", 6);
        ASSERT_TRUE(file.Close(12));
    }
    EXPECT_EQ(Read(Path("u")), "GIF89a+frame");
    {
        platform::CMappedUpdateFile file;
        ASSERT_TRUE(file.Open(Path("u"), 4096));
    }  // abandoned: the reserved room goes again
    EXPECT_EQ(fs::file_size(Path("u")), 12u);
    platform::CMappedUpdateFile missing;
    EXPECT_FALSE(missing.Open(Path("none"), 10));
}

TEST_F(FilesTest, OutOfRoomFailsCleanlyAndKeepsOldFile) {
    Write(Path("w"), "precious");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        platform::CMappedWriteFile out;
        const bool mapped = out.Create(Path("w"), 1 << 20);
        const std::string big(1 << 20, 'x');
        const bool written = platform::WriteFileAtomically(Path("w"), Bytes(big));
        _exit(mapped || written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a write claimed success";
    EXPECT_EQ(Read(Path("w")), "precious");
    EXPECT_EQ(Entries(), std::vector<std::string>{"w"});
}

}  // namespace
