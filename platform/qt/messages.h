#pragma once

// Messages to the user: a Qt message box with one OK button, captioned with
// the application's name unless a caption is given. Callable from any thread:
// a call off the user-interface thread is carried there and does not wait,
// so a worker never blocks on a box that the user has not closed yet.
// Tests install a sink that records the messages instead of showing them.

#include <functional>
#include <string>

namespace platform {

enum class MessageIcon {
    None,
    Exclamation,  // warning icon and the desktop's alert sound
};

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
};

// Shows `text`. While the program's event loop runs, the box stays on the
// screen after the call returns and blocks no other window (the tray keeps
// working); before any loop runs it returns once the box is closed. An empty
// caption stands for the application's name.
void ShowMessage(const std::string& text, const std::string& caption = {},
                 MessageIcon icon = MessageIcon::None);

// The caption used when none is given: the executable's name.
std::string GetMessageCaption();

// Replaces the boxes by `sink`, called in the caller's thread (a sink used
// from several threads guards itself);
// an empty function brings the boxes back. Returns the previous sink.
using MessageSink = std::function<void(const Message&)>;
MessageSink SetMessageSink(MessageSink sink);

}  // namespace platform
