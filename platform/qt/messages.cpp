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
    auto* box = new QMessageBox(
        message.icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
        QString::fromStdString(message.caption), QString::fromStdString(message.text),
        QMessageBox::Ok);
    if (QThread::currentThread()->loopLevel() > 0) {
        // The program's event loop runs: the box waits for the user without
        // a loop of its own and without blocking other windows, so the tray
        // icon keeps working and no handler of the window runs again inside
        // the one that asked for the box.
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
        box->raise();
        box->activateWindow();
        return;
    }
    // Nothing else runs yet (a second copy saying that one runs): the caller
    // goes on once the user has read it.
    box->exec();
    delete box;
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
