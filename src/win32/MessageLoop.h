// The program's one message pump, used by the main loop, by the yields
// (DoEvents, Idle) and by the editor's modal loop. Every message goes to the
// dialog manager of its top-level window first, so that Tab, Esc and access
// keys work in the program's plain (non-dialog) windows as they do in
// dialogs; what that manager does not take is translated and dispatched,
// also the thread timer's WM_TIMER, which carries no window.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace sw {

// Translates and dispatches one message that was taken from the queue.
void DispatchWithDialogKeys(MSG& msg);

// Handles the messages that are waiting, then returns. False when WM_QUIT
// came: it is posted again for the loop that owns it, and the messages
// behind it wait for that loop.
bool PumpWaiting();

// Waits for messages and handles them while keepGoing() holds. Returns the
// exit code of a WM_QUIT that ended the pump (taken from the queue: an inner
// loop posts it again), nothing when keepGoing ended it or the queue failed.
std::optional<int> PumpWhile(const std::function<bool()>& keepGoing);

// The main loop: runs until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace sw
