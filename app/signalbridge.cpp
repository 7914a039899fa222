// TSignalBridge: the async-signal-safe handler, its self-pipe and the notifier that reads it.
#include "signalbridge.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace zelvaro {

namespace {

// The pipe lives as long as the process: a handler still running on another thread when a bridge
// goes away must never write into a descriptor number that has been reused for something else.
int gPipeRead = -1;
std::atomic<int> gPipeWrite{-1};
// Set by the first ending signal; every later one ends the process at once.
std::atomic<bool> gEnding{false};
std::atomic<int> gFirstSignal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

bool OpenPipeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            std::perror("zelvaro: no pipe for the ending signals");
            return;
        }
        gPipeRead = fds[0];
        gPipeWrite.store(fds[1]);
    });
    return gPipeRead >= 0;
}

// Only async-signal-safe calls: atomics, write, sigaction, raise.
void OnEndingSignal(int signo)
{
    const int savedErrno = errno;
    if (gEnding.exchange(true)) {
        // The signal is blocked while its handler runs; raised with the default action, it ends
        // the process the moment the handler returns.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signo, &fallback, nullptr);
        raise(signo);
    } else {
        gFirstSignal.store(signo);
        const char number = static_cast<char>(signo);
        // A full pipe cannot happen with one byte per process; a failed write has nowhere to go.
        [[maybe_unused]] const ssize_t written = write(gPipeWrite.load(), &number, 1);
    }
    errno = savedErrno;
}

}  // namespace

TSignalBridge::TSignalBridge(QObject *parent) : QObject(parent)
{
    if (!OpenPipeOnce())
        return;
    // A byte left over from an earlier bridge in this process belongs to nobody now.
    char stale[16];
    while (read(gPipeRead, stale, sizeof stale) > 0) {
    }
    gEnding.store(false);
    gFirstSignal.store(0);

    FNotifier = new QSocketNotifier(gPipeRead, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TSignalBridge::ReadPipe);

    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    // The ending signals block one another while a handler runs, so two that arrive together on
    // different threads still count as a first and a second.
    sigemptyset(&action.sa_mask);
    for (int signo : kEndingSignals)
        sigaddset(&action.sa_mask, signo);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (sigaction(kEndingSignals[i], nullptr, &FPrevious[i]) != 0)
            continue;
        if (FPrevious[i].sa_handler == SIG_IGN)
            continue;  // started under nohup or the like: the parent wants it ignored
        FInstalled[i] = sigaction(kEndingSignals[i], &action, nullptr) == 0;
    }
}

TSignalBridge::~TSignalBridge()
{
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i)
        if (FInstalled[i])
            sigaction(kEndingSignals[i], &FPrevious[i], nullptr);
    gEnding.store(false);
}

const std::atomic<int> &TSignalBridge::PendingSignal()
{
    return gFirstSignal;
}

bool TSignalBridge::Catches(int signo) const
{
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i)
        if (kEndingSignals[i] == signo)
            return FInstalled[i];
    return false;
}

void TSignalBridge::ReadPipe()
{
    char numbers[16];
    int first = 0;
    while (read(gPipeRead, numbers, sizeof numbers) > 0)
        if (first == 0)
            first = numbers[0];
    if (first == 0 || FReceived != 0)
        return;
    FReceived = first;
    emit EndRequested(FReceived);
}

}  // namespace zelvaro
