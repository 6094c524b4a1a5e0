#include "app/control_client.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtGlobal>

#include <cstdio>

#include "app/bus_service.h"
#include "platform/base/product.h"

namespace {

// A copy that hangs must not hang the key binding that called it.
constexpr int kCallTimeoutMs = 5000;
// How long --quit waits for the running copy to let go of its name.
constexpr int kQuitWaitMs = 10000;

int Fail(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

std::string NotRunning() {
    return GetProductName() + " is not running";
}

QDBusMessage Call(QDBusConnection& bus, const QString& interface, const QString& method,
                  const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kBusName), QString::fromLatin1(kBusPath), interface, method);
    call.setArguments(arguments);
    // Never start a copy to answer: the commands are for one that runs.
    call.setAutoStartService(false);
    return bus.call(call, QDBus::Block, kCallTimeoutMs);
}

// Whether process `pid` still runs: it exists and has not ended (a process
// that ended but was not yet reaped by its parent counts as ended).
bool ProcessRuns(unsigned pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() && text[close + 2] != 'Z';
}

std::optional<unsigned> ProcessOfName(QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    call << QString::fromLatin1(kBusName);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const unsigned pid = reply.arguments().first().toUInt(&ok);
    return ok ? std::optional(pid) : std::nullopt;
}

bool NameHasOwner(QDBusConnection& bus) {
    const QDBusReply<bool> owned =
        bus.interface()->isServiceRegistered(QString::fromLatin1(kBusName));
    return owned.isValid() && owned.value();
}

}  // namespace

const std::vector<ControlCommand>& ControlCommands() {
    static const std::vector<ControlCommand> commands = {
        {"--next", "Next", false, "change to the next picture now"},
        {"--previous", "Previous", false, "go back to the picture shown before"},
        {"--pause", "Pause", false, "hold the automatic changes"},
        {"--resume", "Resume", false, "let the automatic changes go on"},
        {"--toggle-pause", "TogglePause", false, "pause when running, resume when paused"},
        {"--current", "", false, "print the current picture(s), one a line"},
        {"--set", "SetWallpaper", true, "make FILE the wallpaper"},
        {"--show", "Show", false, "bring the window back"},
        {"--quit", "Quit", false, "end the running copy"},
    };
    return commands;
}

std::optional<ParsedCommand> ParseControlCommand(const std::vector<std::string>& arguments,
                                                 std::string& error) {
    std::optional<ParsedCommand> parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        for (const ControlCommand& command : ControlCommands()) {
            if (arguments[i] != command.option)
                continue;
            if (parsed) {
                error =
                    "one command at a time: " + parsed->command->option + " and " + command.option;
                return std::nullopt;
            }
            parsed = ParsedCommand{.command = &command, .file = {}};
            if (command.takesFile) {
                if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                    error = command.option + " needs a file";
                    return std::nullopt;
                }
                parsed->file = arguments[++i];
            }
        }
    }
    return parsed;
}

int RunControlCommand(int argc, char** argv, const ParsedCommand& parsed) {
    // The client promises one line on failure: Qt's own warnings (its D-Bus
    // layer may complain of a message it cannot type) are not for scripts.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Fail(NotRunning() + " (no session bus)");
    if (!NameHasOwner(bus))
        return Fail(NotRunning());

    const ControlCommand& command = *parsed.command;
    // The running copy's process, for --quit to wait on.
    const std::optional<unsigned> pid =
        command.option == "--quit" ? ProcessOfName(bus) : std::nullopt;
    QDBusMessage reply;
    if (command.method.empty()) {
        reply = Call(bus, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                     {QString::fromLatin1(kBusInterface), QStringLiteral("CurrentPictures")});
    } else {
        QVariantList arguments;
        // The running copy has a working directory of its own.
        if (command.takesFile)
            arguments << QFileInfo(QString::fromStdString(parsed.file)).absoluteFilePath();
        reply = Call(bus, QString::fromLatin1(kBusInterface),
                     QString::fromStdString(command.method), arguments);
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"))
            return Fail(NotRunning());
        return Fail("drapewell: " + reply.errorMessage().toStdString());
    }
    if (reply.type() != QDBusMessage::ReplyMessage)
        return Fail("drapewell: no answer from the running copy");

    if (command.method.empty()) {
        const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
        for (const QString& picture : value.toStringList())
            std::printf("%s\n", picture.toLocal8Bit().constData());
        return 0;
    }
    if (command.option == "--quit") {
        // Done when the copy has ended, so that a script may start another;
        // where its process is not known, when it has left the bus.
        const QDeadlineTimer deadline(kQuitWaitMs);
        while (pid ? ProcessRuns(*pid) : NameHasOwner(bus)) {
            if (deadline.hasExpired())
                return Fail("drapewell: the running copy did not end");
            QThread::msleep(20);
        }
    }
    return 0;
}
