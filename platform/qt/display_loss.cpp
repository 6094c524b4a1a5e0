#include "platform/qt/display_loss.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace platform {

namespace {

QtMessageHandler gPrevious = nullptr;
std::string gLine;  // written by ReportDisplayLossAs before any message

// The warning Qt's X11 plugin writes just before it calls exit(1) begins
// with this text; it comes without a category of its own.
constexpr char kConnectionBroke[] = "The X11 connection broke";

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String(kConnectionBroke))) {
        std::fprintf(stderr, "%s\n", gLine.c_str());
        std::fflush(stderr);
        return;
    }
    if (gPrevious)
        gPrevious(type, context, message);
}

}  // namespace

std::string DisplayLossLine(const std::string& program) {
    return program + ": the display went away (the X server ended or its connection broke)";
}

void ReportDisplayLossAs(const std::string& program) {
    gLine = DisplayLossLine(program);
    gPrevious = qInstallMessageHandler(FilterMessage);
}

}  // namespace platform
