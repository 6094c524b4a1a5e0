#include "shell/open_target.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <array>
#include <cstdio>

#include "platform/base/paths.h"
#include "platform/qt/messages.h"

#ifndef DRAPEWELL_WEB_ADDRESS
#define DRAPEWELL_WEB_ADDRESS ""
#endif
#ifndef DRAPEWELL_SUPPORT_ADDRESS
#define DRAPEWELL_SUPPORT_ADDRESS ""
#endif
#ifndef DRAPEWELL_DONATION_ADDRESS
#define DRAPEWELL_DONATION_ADDRESS ""
#endif

std::string GetProjectWebAddress() {
    return DRAPEWELL_WEB_ADDRESS;
}
std::string GetSupportAddress() {
    return DRAPEWELL_SUPPORT_ADDRESS;
}
std::string GetDonationAddress() {
    return DRAPEWELL_DONATION_ADDRESS;
}

namespace {

QString EnvOr(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList SplitDirs(const char* name, const QString& fallback) {
    return EnvOr(name, fallback).split(':', Qt::SkipEmptyParts);
}

QString DataHome() {
    return EnvOr("XDG_DATA_HOME", QDir::homePath() + "/.local/share");
}

// Where mimeapps.list files are looked for, most important first.
QStringList MimeAppsFiles() {
    QStringList dirs;
    dirs << QString::fromStdString(GetConfigHomePath());
    dirs << SplitDirs("XDG_CONFIG_DIRS", "/etc/xdg");
    dirs << DataHome() + "/applications";
    for (const QString& dir : SplitDirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
        dirs << dir + "/applications";
    }
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(':', Qt::SkipEmptyParts);
    QStringList files;
    for (const QString& dir : dirs) {
        if (dir.isEmpty()) {
            continue;
        }
        for (const QString& desktop : desktops) {
            files << QDir(dir).filePath(desktop + "-mimeapps.list");
        }
        files << QDir(dir).filePath("mimeapps.list");
    }
    return files;
}

QStringList ApplicationDirs() {
    QStringList dirs{DataHome() + "/applications"};
    for (const QString& dir : SplitDirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
        dirs << dir + "/applications";
    }
    return dirs;
}

// The entry file of a desktop file id, or empty when it is not installed.
QString LocateEntry(const QString& id) {
    if (!id.endsWith(".desktop")) {
        return {};
    }
    for (const QString& dir : ApplicationDirs()) {
        const QString path = QDir(dir).filePath(id);
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return {};
}

// The installed ids listed for `mimeType` under `group` of a list file.
// Read by hand: QSettings would take the ';' lists and '/' in keys apart.
QStringList ListedIds(const QString& file, const QString& group, const QString& mimeType) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    QStringList ids;
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.startsWith('[')) {
            inGroup = line == '[' + group + ']';
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inGroup || eq < 0 || line.left(eq).trimmed() != mimeType) {
            continue;
        }
        for (const QString& id : line.mid(eq + 1).split(';', Qt::SkipEmptyParts)) {
            ids << id.trimmed();
        }
    }
    return ids;
}

// General escapes of a desktop entry value.
QString UnescapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == 's') {
            out += ' ';
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 't') {
            out += '\t';
        } else if (next == 'r') {
            out += '\r';
        } else {
            out += next;
        }
    }
    return out;
}

std::vector<std::string> SplitArguments(const QString& line) {
    std::vector<std::string> args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size()) {
                current += line[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == '"') {
            quoted = true;
            inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg) {
                args.push_back(current.toStdString());
                current.clear();
                inArg = false;
            }
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) {
        args.push_back(current.toStdString());
    }
    return args;
}

int StartHandler(const std::vector<std::string>& command) {
    const QString program = QString::fromStdString(command.front());
    QString resolved = program;
    if (!program.contains('/')) {
        resolved = QStandardPaths::findExecutable(program);
        if (resolved.isEmpty()) {
            return kOpenFileNotFound;
        }
    }
    const QFileInfo info(resolved);
    if (!info.isFile()) {
        return kOpenFileNotFound;
    }
    if (!info.isExecutable()) {
        return kOpenAccessDenied;
    }
    QStringList args;
    for (std::size_t i = 1; i < command.size(); ++i) {
        args << QString::fromStdString(command[i]);
    }
    // Started directly, never through a shell: the address is one argument
    // whatever characters it holds.
    return QProcess::startDetached(resolved, args) ? kOpenSucceeded : 0;
}

}  // namespace

std::optional<std::string> FindDefaultHandlerEntry(const std::string& mimeType) {
    const QString mime = QString::fromStdString(mimeType);
    const QStringList files = MimeAppsFiles();
    for (const char* group : {"Default Applications", "Added Associations"}) {
        for (const QString& file : files) {
            for (const QString& id : ListedIds(file, group, mime)) {
                const QString path = LocateEntry(id);
                if (!path.isEmpty()) {
                    return path.toStdString();
                }
            }
        }
    }
    // The cache that update-desktop-database builds from the entries' types.
    for (const QString& dir : ApplicationDirs()) {
        for (const QString& id : ListedIds(dir + "/mimeinfo.cache", "MIME Cache", mime)) {
            const QString path = LocateEntry(id);
            if (!path.isEmpty()) {
                return path.toStdString();
            }
        }
    }
    return std::nullopt;
}

std::string ReadDesktopEntryExec(const std::string& entryPath) {
    QFile in(QString::fromStdString(entryPath));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[Desktop Entry]";
        } else if (inGroup && line.startsWith("Exec") && line.mid(4).trimmed().startsWith('=')) {
            return UnescapeValue(line.mid(line.indexOf('=') + 1).trimmed()).toStdString();
        }
    }
    return {};
}

std::vector<std::string> HandlerCommand(const std::string& exec) {
    QString line = QString::fromStdString(exec);
    // The first file or URL placeholder, quoted or bare, ends what is kept.
    qsizetype cut = -1;
    for (const char* code : {"%u", "%U", "%f", "%F"}) {
        const qsizetype at = line.indexOf(code);
        if (at >= 0 && (cut < 0 || at < cut)) {
            cut = at;
        }
    }
    if (cut > 0 && line[cut - 1] == '"') {
        --cut;
    }
    if (cut >= 0) {
        line.truncate(cut);
    }
    std::vector<std::string> args;
    for (std::string& arg : SplitArguments(line)) {
        if (arg.size() == 2 && arg[0] == '%' && arg[1] != '%') {
            continue;  // icon, name and file-name codes: nothing to put there
        }
        QString text = QString::fromStdString(arg);
        text.replace("%%", "%");
        args.push_back(text.toStdString());
    }
    return args;
}

int OpenWithDefaultHtmlHandler(const std::string& address) {
    const std::optional<std::string> entry = FindDefaultHandlerEntry("text/html");
    if (!entry) {
        return kOpenNoAssociation;
    }
    std::vector<std::string> command = HandlerCommand(ReadDesktopEntryExec(*entry));
    if (command.empty()) {
        return kOpenIncomplete;
    }
    command.push_back(address);
    return StartHandler(command);
}

int OpenTarget(const std::string& address) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
        QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(address)))) {
        return kOpenSucceeded;
    }
    return OpenWithDefaultHtmlHandler(address);
}

std::string GetOpenErrorText(int code) {
    switch (code) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied\naccess to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred. ";
    case 27:
        return "The filename association is\nincomplete or invalid.";
    case 28:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not\nbe completed because other DDE "
               "transactions\nwere being processed.";
    case 31:
        return "There is no application associated\nwith the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default: {
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), "Unknown Error (%d) occurred.", code);
        return text.data();
    }
    }
}

std::string GetHyperlinkErrorMessage(int code) {
    return "Unable to open hyperlink:\n\n" + GetOpenErrorText(code);
}

bool OpenDonationPage() {
    const std::string address = GetDonationAddress();
    if (OpenTarget(address) > 32) {
        return true;
    }
    platform::ShowMessage(address + " : File not found or Bad file!");
    return false;
}
