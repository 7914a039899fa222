// TSignalBridge: SIGTERM, SIGINT and SIGHUP become a Qt signal on the thread that owns the bridge.
#pragma once

#include <QObject>

#include <array>
#include <atomic>
#include <csignal>

class QSocketNotifier;

namespace zelvaro {

// The signals by which the system asks a program to end: the session's logout, Ctrl+C, a closed
// terminal.
inline constexpr std::array<int, 3> kEndingSignals = {SIGTERM, SIGINT, SIGHUP};

// The status a command ends with when a signal made it stop, as shells report it.
constexpr int ExitStatusForSignal(int signo)
{
    return 128 + signo;
}

// Turns the ending signals into EndRequested on the owner's event loop, so the program can end
// through its ordinary shut-down. The handler only writes the signal's number into a pipe that a
// socket notifier reads; everything else happens on the owner's thread.
//
// The first ending signal is delivered through EndRequested; any further one ends the process at
// once, by the signal's own default action, even while the owner's thread is busy (a shut-down
// that hangs can always be cut short). A signal that was ignored when the bridge was made (as
// under nohup) stays ignored.
//
// Usage: create it after the Q(Core)Application, on that thread, and keep it for the program's
// lifetime. One bridge at a time; its destructor restores the previous dispositions.
class TSignalBridge final : public QObject {
    Q_OBJECT

public:
    explicit TSignalBridge(QObject *parent = nullptr);
    ~TSignalBridge() override;
    TSignalBridge(const TSignalBridge &) = delete;
    TSignalBridge &operator=(const TSignalBridge &) = delete;

    // The first ending signal seen by the owner's thread, 0 while none has come.
    int Received() const { return FReceived; }
    // The same, for a command that blocks instead of running an event loop: stored by the handler
    // itself, so any thread sees it at once. Reset when a bridge is made.
    static const std::atomic<int> &PendingSignal();
    // Whether the bridge catches this signal (false for one that was ignored at start).
    bool Catches(int signo) const;

signals:
    // Once, for the first ending signal, on the owner's thread.
    void EndRequested(int signo);

private:
    void ReadPipe();

    QSocketNotifier *FNotifier = nullptr;
    std::array<bool, kEndingSignals.size()> FInstalled{};
    std::array<struct sigaction, kEndingSignals.size()> FPrevious{};
    int FReceived = 0;
};

}  // namespace zelvaro
