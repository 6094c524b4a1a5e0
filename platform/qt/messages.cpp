#include "platform/qt/messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex sinkMutex;
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}

void ShowBox(const Message& message) {
    if (message.icon == MessageIcon::Exclamation) {
        QApplication::beep();
    }
    QMessageBox box(
        message.icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
        QString::fromStdString(message.caption), QString::fromStdString(message.text),
        QMessageBox::Ok);
    box.exec();
}

}  // namespace

std::string GetMessageCaption() {
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QCoreApplication::applicationName().toStdString();
}

void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    Message message{text, caption.empty() ? GetMessageCaption() : caption, icon};
    MessageSink sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = Sink();
    }
    if (sink) {
        sink(message);
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    // Without a widget application there is nowhere to show a box; the text
    // must not be lost, so it goes to the error stream.
    if (app == nullptr || qobject_cast<QApplication*>(app) == nullptr) {
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
        return;
    }
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [message] { ShowBox(message); }, Qt::QueuedConnection);
        return;
    }
    ShowBox(message);
}

MessageSink SetMessageSink(MessageSink sink) {
    std::lock_guard lock(sinkMutex);
    MessageSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

}  // namespace platform
