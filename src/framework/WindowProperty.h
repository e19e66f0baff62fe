// The window property that marks a dialog of this program and names its template.
//
// Every dialog made by CDialogBox carries the property kTemplateIdProperty whose value is
// the dialog template's resource id (an integer stored as the property's handle value). The
// message loop uses it to recognise our modeless dialogs, and the GUI tests use it to find
// "the current page" of a running program by its template id (GetPropA from any process).
#pragma once

#include <windows.h>

inline constexpr const char* kTemplateIdProperty = "SetupTemplateId";

// The template id of one of our dialogs, or 0 when the window is not one.
inline int GetDialogTemplateId(HWND window) noexcept {
    return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropA(window, kTemplateIdProperty)));
}
