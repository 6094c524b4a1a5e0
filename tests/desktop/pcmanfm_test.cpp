// LXQt and LXDE through a stand-in for their file manager's command line.

#include "platform/desktop/pcmanfm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "setter_test_support.h"

namespace desktop {
namespace {

using namespace std::chrono_literals;
using testing::ReadText;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteText;

class PcmanfmTest : public ::testing::Test {
protected:
    // A program named `name` in the scratch directory that runs `body`.
    std::string Program(const std::string& name, const std::string& body) {
        const std::string path = dir_ / name;
        WriteText(path, "#!/bin/sh\n" + body + "\n");
        chmod(path.c_str(), 0755);
        return path;
    }

    ScratchDir dir_;
    ScopedEnv data_{"XDG_DATA_HOME", dir_ / "data"};
    std::string picture_ = dir_ / "MyWallPaper.bmp";
    std::string log_ = dir_ / "args";
};

TEST_F(PcmanfmTest, HandsOverAFreshNameWithTheMode) {
    WriteText(picture_, "BMpicture");
    const std::string program = Program(
        "pcmanfm-qt", "printf '%s\\n' \"$@\" > '" + log_ + "'; cat \"$2\" >> '" + log_ + "'");
    auto setter = MakePcmanfmSetter(program);
    EXPECT_EQ(setter->Name(), "LXQt");

    std::string previous;
    for (auto [placement, mode] :
         {std::pair{Placement::kCentre, "center"}, std::pair{Placement::kTile, "tile"},
          std::pair{Placement::kStretch, "stretch"}}) {
        const Outcome outcome = setter->Apply(picture_, testing::OnePixel(), placement);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
        const std::string args = ReadText(log_);
        const std::string handed = args.substr(16, args.find('\n', 16) - 16);
        EXPECT_EQ(args,
                  "--set-wallpaper\n" + handed + "\n--wallpaper-mode\n" + mode + "\nBMpicture");
        EXPECT_NE(handed, picture_);
        EXPECT_NE(handed, previous);
        previous = handed;
    }
}

TEST_F(PcmanfmTest, FailureTimeLimitAndMissingProgramAreReported) {
    WriteText(picture_, "BM");
    auto refusing = MakePcmanfmSetter(Program("pcmanfm", "echo 'no desktop manager' >&2; exit 3"));
    EXPECT_EQ(refusing->Name(), "LXDE");
    Outcome outcome = refusing->Apply(picture_, testing::OnePixel(), Placement::kTile);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_NE(outcome.detail.find("no desktop manager"), std::string::npos) << outcome.detail;

    auto hanging = MakePcmanfmSetter(Program("pcmanfm-qt", "exec sleep 30"), 300ms);
    const auto start = std::chrono::steady_clock::now();
    outcome = hanging->Apply(picture_, testing::OnePixel(), Placement::kTile);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_LT(testing::SecondsSince(start), 5.0);
    EXPECT_FALSE(outcome.detail.empty());

    outcome = MakePcmanfmSetter(dir_ / "pcmanfm-absent")
                  ->Apply(picture_, testing::OnePixel(), Placement::kTile);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_FALSE(outcome.detail.empty());
}

}  // namespace
}  // namespace desktop
