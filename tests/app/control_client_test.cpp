// The command line's commands for the running copy: which one the
// arguments name, and the mistakes refused before anything is sent.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_client.h"

namespace {

std::optional<ParsedCommand> Parse(std::vector<std::string> arguments, std::string& error) {
    error.clear();
    return ParseControlCommand(arguments, error);
}

TEST(ControlClientTest, EachCommandNamesItsBusMethod) {
    std::string error;
    const std::pair<const char*, const char*> expected[] = {{"--next", "Next"},
                                                            {"--previous", "Previous"},
                                                            {"--pause", "Pause"},
                                                            {"--resume", "Resume"},
                                                            {"--toggle-pause", "TogglePause"},
                                                            {"--current", ""},
                                                            {"--show", "Show"},
                                                            {"--quit", "Quit"}};
    for (const auto& [option, method] : expected) {
        const auto parsed = Parse({option}, error);
        ASSERT_TRUE(parsed) << option;
        EXPECT_EQ(parsed->command->method, method) << option;
        EXPECT_EQ(error, "");
    }
    const auto set = Parse({"--set", "pic.jpg"}, error);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->command->method, "SetWallpaper");
    EXPECT_EQ(set->file, "pic.jpg");
    // A file named like a command is the file, not a second command.
    EXPECT_EQ(Parse({"--set", "--next"}, error)->file, "--next");
}

TEST(ControlClientTest, NoCommandLeavesTheProgramToStartAndMistakesAreRefused) {
    std::string error;
    EXPECT_FALSE(Parse({}, error));
    EXPECT_FALSE(Parse({"-style", "fusion"}, error));
    EXPECT_EQ(error, "");
    EXPECT_FALSE(Parse({"--set"}, error));
    EXPECT_EQ(error, "--set needs a file");
    EXPECT_FALSE(Parse({"--set", ""}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Parse({"--next", "--quit"}, error));
    EXPECT_EQ(error, "one command at a time: --next and --quit");
}

}  // namespace
