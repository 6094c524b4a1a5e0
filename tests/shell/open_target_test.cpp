#include "shell/open_target.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <map>

#include "platform/qt/messages.h"

namespace {

using Args = std::vector<std::string>;

TEST(HandlerCommandTest, CutsAtThePlaceholderAndSplitsByDesktopRules) {
    EXPECT_EQ(HandlerCommand("/usr/bin/browser \"%u\""), Args{"/usr/bin/browser"});
    EXPECT_EQ(HandlerCommand("browser --new-window %U --after"), (Args{"browser", "--new-window"}));
    EXPECT_EQ(HandlerCommand("\"/opt/My Browser/run\" --flag"),
              (Args{"/opt/My Browser/run", "--flag"}));
    EXPECT_EQ(HandlerCommand("run %i --ratio=100%% %f"), (Args{"run", "--ratio=100%"}));
    EXPECT_EQ(HandlerCommand("\"a \\\"quoted\\\" name\" %u"), Args{"a \"quoted\" name"});
    EXPECT_TRUE(HandlerCommand("").empty());
}

// A temporary desktop: its own XDG directories and a stand-in handler for
// text/html that writes its arguments, one a line, to a file.
class DefaultHandlerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        for (const char* name :
             {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS",
              "XDG_CURRENT_DESKTOP", "PATH", "BROWSER", "DEFAULT_BROWSER"}) {
            saved_[name] = qgetenv(name);
        }
        for (const char* dir : {"data/applications", "config", "sysdata", "sysconfig", "bin"}) {
            QDir(root_.path()).mkpath(dir);
        }
        qputenv("XDG_DATA_HOME", Path("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        qputenv("XDG_DATA_DIRS", Path("sysdata").toUtf8());
        qputenv("XDG_CONFIG_DIRS", Path("sysconfig").toUtf8());
        // No browser for the desktop's own services to find.
        qputenv("PATH", Path("bin").toUtf8());
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
        qunsetenv("XDG_CURRENT_DESKTOP");
        previousSink_ = platform::SetMessageSink(
            [this](const platform::Message& m) { messages_.push_back(m.text); });
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value.isNull() ? qunsetenv(name.c_str()) : qputenv(name.c_str(), value);
        }
        platform::SetMessageSink(previousSink_);
    }

    QString Path(const QString& relative) const { return root_.filePath(relative); }

    void Write(const QString& relative, const std::string& text, bool executable = false) {
        std::ofstream(Path(relative).toStdString()) << text;
        if (executable) {
            QFile::setPermissions(Path(relative),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    // Registers an entry whose Exec line is `exec` as the text/html default.
    void RegisterHandler(const std::string& exec) {
        Write("data/applications/stand-in.desktop",
              "[Desktop Entry]\nType=Application\nName=Stand-in\nExec=" + exec + "\n");
        Write("config/mimeapps.list",
              "[Default Applications]\ntext/html=missing.desktop;stand-in.desktop;\n");
    }

    std::string Recorder() {
        Write("recorder.sh",
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                  Path("args.tmp").toStdString() + "\"\n/bin/mv \"" +
                  Path("args.tmp").toStdString() + "\" \"" + Path("args").toStdString() + "\"\n",
              true);
        return Path("recorder.sh").toStdString();
    }

    // The recorded arguments, waiting up to 10 s for the detached handler.
    Args Recorded() {
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(Path("args")) && clock.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        Args args;
        std::ifstream in(Path("args").toStdString());
        for (std::string line; std::getline(in, line);) {
            args.push_back(line);
        }
        return args;
    }

    QTemporaryDir root_;
    std::map<std::string, QByteArray> saved_;
    std::vector<std::string> messages_;
    platform::MessageSink previousSink_;
};

TEST_F(DefaultHandlerTest, StartsTheHandlerWithTheAddressAsOneArgument) {
    RegisterHandler("\"" + Recorder() + "\" --new \"%u\"");
    EXPECT_EQ(FindDefaultHandlerEntry("text/html"),
              Path("data/applications/stand-in.desktop").toStdString());
    const std::string address = "https://a.invalid/x y;$(touch pwned)&z=1";
    EXPECT_GT(OpenWithDefaultHtmlHandler(address), 32);
    EXPECT_EQ(Recorded(), (Args{"--new", address}));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("pwned")));
}

TEST_F(DefaultHandlerTest, OpenTargetFallsBackWhenTheDesktopCannotOpen) {
    RegisterHandler(Recorder());
    EXPECT_GT(OpenTarget("mailto:someone@a.invalid"), 32);
    EXPECT_EQ(Recorded(), Args{"mailto:someone@a.invalid"});
}

TEST_F(DefaultHandlerTest, FailuresNameTheirReason) {
    EXPECT_EQ(OpenTarget("https://a.invalid/"), kOpenNoAssociation);
    RegisterHandler(Path("bin/no-such-browser").toStdString() + " %u");
    EXPECT_EQ(OpenWithDefaultHtmlHandler("https://a.invalid/"), kOpenFileNotFound);
    Write("bin/not-executable", "#!/bin/sh\n");
    RegisterHandler("not-executable %u");
    EXPECT_EQ(OpenWithDefaultHtmlHandler("https://a.invalid/"), kOpenFileNotFound);
    RegisterHandler(Path("bin/not-executable").toStdString() + " %u");
    EXPECT_EQ(OpenWithDefaultHtmlHandler("https://a.invalid/"), kOpenAccessDenied);
    RegisterHandler("");
    EXPECT_EQ(OpenWithDefaultHtmlHandler("https://a.invalid/"), kOpenIncomplete);

    EXPECT_FALSE(OpenDonationPage());
    EXPECT_EQ(messages_, Args{GetDonationAddress() + " : File not found or Bad file!"});
}

TEST(OpenErrorTextTest, TableAndUnknownCodes) {
    EXPECT_EQ(GetOpenErrorText(2), "The specified file was not found.");
    EXPECT_EQ(GetOpenErrorText(26), "A sharing violation occurred. ");
    EXPECT_EQ(GetOpenErrorText(-5), "Unknown Error (-5) occurred.");
}

}  // namespace
