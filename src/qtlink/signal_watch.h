// SIGINT and SIGTERM delivered as a call on the Qt event loop, so a program can
// end what it is doing in order (save its state, stop sending) instead of dying.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace kdsp {

// While one exists, SIGINT and SIGTERM (and SIGHUP when asked) call `onSignal(signo)`
// from the event loop; the handlers in place before are put back when it goes.
class SignalWatch {
public:
    explicit SignalWatch(std::function<void(int)> onSignal, bool hangup = false)
        : onSignal_(std::move(onSignal)), hangup_(hangup) {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, Pipe()) != 0) return;
        notifier_ = new QSocketNotifier(Pipe()[0], QSocketNotifier::Read);
        QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] {
            unsigned char signo = 0;
            if (::read(Pipe()[0], &signo, 1) == 1 && onSignal_) onSignal_(signo);
        });
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, &oldInt_);
        ::sigaction(SIGTERM, &sa, &oldTerm_);
        if (hangup_) ::sigaction(SIGHUP, &sa, &oldHup_);
    }
    ~SignalWatch() {
        if (!notifier_) return;
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        if (hangup_) ::sigaction(SIGHUP, &oldHup_, nullptr);
        delete notifier_;
        ::close(Pipe()[0]);
        ::close(Pipe()[1]);
        Pipe()[0] = Pipe()[1] = -1;
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    static int* Pipe() {
        static int fds[2] = {-1, -1};
        return fds;
    }
    static void OnSignal(int signo) {
        const auto byte = static_cast<unsigned char>(signo);
        [[maybe_unused]] auto n = ::write(Pipe()[1], &byte, 1);
    }

    std::function<void(int)> onSignal_;
    bool hangup_ = false;
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    struct sigaction oldHup_ {};
};

}  // namespace kdsp
