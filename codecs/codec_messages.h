#pragma once

// Receives what a reader has to tell the user (text, caption). Codecs show
// nothing themselves; the caller decides where a message goes. It is called
// on the decoding thread and must not wait for the user: a caller on a worker
// thread hands the message over to the user-interface thread and returns.

#include <functional>
#include <string_view>

using CodecMessageSink = std::function<void(std::string_view text, std::string_view caption)>;
