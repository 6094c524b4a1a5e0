#include "platform/qt/quit_on_signal.h"

#include <QSocketNotifier>

#include "platform/base/quit_signals.h"

namespace platform {

QuitOnSignal::QuitOnSignal(CQuitSignalPipe& pipe, std::function<void()> quit)
    : pipe_(pipe), quit_(std::move(quit)) {
    if (!pipe_.IsOpen())
        return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_.ReadFd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        if (pipe_.Drain() == 0)
            return;
        pipe_.RestoreDefaults();
        if (quit_)
            quit_();
    });
}

QuitOnSignal::~QuitOnSignal() = default;

}  // namespace platform
