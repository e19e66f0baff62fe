// Keeps the windows of the one user-interface thread alive during long work steps.
#pragma once

// Takes every waiting message off the thread's queue, lets the current page see its
// keystrokes, and dispatches the rest; returns when the queue is empty. A quit message is
// posted again (same exit code) and ends the pump at once, so the main loop still sees it.
void PumpMessages();
