// The main window's event loop, ended by the close image, a signal or the session manager.
#include "sessionend.h"

#include "mainform.h"
#include "signalbridge.h"

#include <QApplication>
#include <QSessionManager>

namespace zelvaro {

// Leaving the loops rather than closing the window from inside one: a handler waiting in a modal
// box returns first, so the shut-down never runs underneath a handler that is still busy.
void LeaveEventLoopsOnSignal(TSignalBridge &bridge)
{
    QObject::connect(&bridge, &TSignalBridge::EndRequested, &bridge, [] { QCoreApplication::exit(0); });
}

int RunMainWindow(TMainForm &form, const TSignalBridge &bridge)
{
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager &) { form.CommitSessionData(); });

    // exec() starts afresh and would forget a signal that a box shown while the window was being
    // built has already taken.
    const int status = bridge.Received() != 0 ? 0 : QApplication::exec();
    form.close();  // a no-op when the close image has closed it already
    return status;
}

}  // namespace zelvaro
