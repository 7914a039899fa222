// Runs the main window until the user closes it or the system asks the program to end.
#pragma once

namespace zelvaro {

class TMainForm;
class TSignalBridge;

// From now on an ending signal (logout, Ctrl+C, a closed terminal) leaves every event loop, a
// modal box's included. Call it before the window is built, so that a box shown while it is being
// built does not hold the program either.
void LeaveEventLoopsOnSignal(TSignalBridge &bridge);

// Runs the event loop of the shown window and returns the program's exit status (0). After a
// signal the window closes exactly as its close image closes it (timer, workers, devices,
// "LastUsed" saved). Under a session manager, its request for our data saves "LastUsed" without
// any dialog.
int RunMainWindow(TMainForm &form, const TSignalBridge &bridge);

}  // namespace zelvaro
