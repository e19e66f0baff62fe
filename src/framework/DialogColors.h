// The program's dialog colours: the background and text colour that every dialog of the
// program uses for itself, its static texts, buttons, check boxes and radio buttons (not for
// edit fields and lists, which keep the system's window colours).
//
// Until SetDialogColors is called, dialogs keep the system's colours. The brush is owned
// here and lives until the colours change again or the program ends.
#pragma once

#include <windows.h>

// The program's choice: light grey with black text.
inline constexpr COLORREF kDialogBackground = RGB(192, 192, 192);
inline constexpr COLORREF kDialogText = RGB(0, 0, 0);

// Sets the colours for all dialogs created afterwards (and repaints of existing ones).
void SetDialogColors(COLORREF background, COLORREF text);
// Back to the system's colours.
void ResetDialogColors() noexcept;
// Whether SetDialogColors is in effect.
bool HasDialogColors() noexcept;

// Applies the dialog colours to `dc` for a WM_CTLCOLOR* message and returns the brush to
// return from it, or nullptr when no dialog colours are set or the message is for an edit
// field, list box or scroll bar (these keep the default processing).
HBRUSH ApplyDialogColors(HDC dc, UINT ctlColorMessage) noexcept;
