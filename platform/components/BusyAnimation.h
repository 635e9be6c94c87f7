#pragma once

class QWidget;

// What the busy animation tells the user it is waiting for.
enum TShowAvi : int {
    saConnect = 0, // opening the connection to the server
    saSend = 1,    // sending changes
    saSearch = 2,  // searching
    saCopy = 3,    // copying files
    saPrint = 4,   // printing
    saDelete = 5,  // deleting records
    saRead = 6,    // reading data from the server
};

// Shows a small window with a moving indicator and the kind's text over owner (the host's main
// window; centred on the screen when there is none). Showing again replaces the kind.
void ActiveShowAvi(QWidget* owner, TShowAvi kind);
// Hides it; does nothing when nothing is shown. The window itself goes a moment later, so that
// back-to-back waits share one window, or at once when a window or dialog of the application is
// shown in that moment.
void DeactiveShowAvi();

namespace BusyAnimation {
// Takes the window down at once when no wait is in progress: the user's wait is over and it must
// not linger over what the user looks at next.
void Dismiss();
// Whether the window is up now: during a wait, and for a moment after it.
bool OnScreen();
bool IsShown();
TShowAvi Kind();
// The text shown for a kind.
const char* TextOf(TShowAvi kind);
// Counters for diagnostics and tests: how often it was shown and hidden while shown.
int ShowCount();
int HideCount();
} // namespace BusyAnimation
