#include "framework/DialogColors.h"

#include "framework/WinHandles.h"

namespace {

struct DialogColorState {
    bool set = false;
    COLORREF background = kDialogBackground;
    COLORREF text = kDialogText;
    CBrushHandle brush;
};

DialogColorState& State() {
    static DialogColorState state;
    return state;
}

} // namespace

void SetDialogColors(COLORREF background, COLORREF text) {
    DialogColorState& state = State();
    CBrushHandle brush(::CreateSolidBrush(background));
    if (!brush) {
        return; // out of GDI objects: dialogs keep the system's colours
    }
    state.brush = std::move(brush);
    state.background = background;
    state.text = text;
    state.set = true;
}

void ResetDialogColors() noexcept {
    DialogColorState& state = State();
    state.set = false;
    state.brush.Close();
}

bool HasDialogColors() noexcept {
    return State().set;
}

HBRUSH ApplyDialogColors(HDC dc, UINT ctlColorMessage) noexcept {
    DialogColorState& state = State();
    if (!state.set) {
        return nullptr;
    }
    switch (ctlColorMessage) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        ::SetBkColor(dc, state.background);
        ::SetTextColor(dc, state.text);
        return state.brush.Get();
    default:
        return nullptr;
    }
}
