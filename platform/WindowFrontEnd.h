// The window front end: shows a form as a real window (FLTK on the X display) and runs the
// main thread's message loop together with the window's events.
//
// The window takes the form's caption, its client size and its position; every TImage of the
// form shows its picture's bitmap at its place, every TButton is a push button. Pressing a
// button runs its Click on the main thread (an exception goes to the application's exception
// handling, and the window goes on), then the window is drawn again, so that whatever the click
// drew into a picture shows. Posted messages and timers of the message loop are served while
// the window is open, at least every 10 milliseconds.
#pragma once

#include "platform/Forms.h"

namespace platform {

// True when a window display can be opened (the X display that $DISPLAY names answers).
bool WindowDisplayAvailable();

// Shows the form and runs until its window is closed or the application terminates; the
// window is gone when it returns. False, with nothing shown, when no display can be opened.
bool ShowFormAndRun(TForm* form);

}  // namespace platform
