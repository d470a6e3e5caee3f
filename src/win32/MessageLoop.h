// The program's message loop. Keyboard messages go to the dialog manager of
// their top-level window first, so that Tab, Esc and access keys work in the
// program's plain (non-dialog) windows as they do in dialogs.
#pragma once

#include <windows.h>

namespace sw {

// Translates and dispatches one message that was taken from the queue.
void DispatchWithDialogKeys(MSG& msg);

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace sw
