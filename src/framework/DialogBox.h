// CDialogBox: a dialog made from a dialog template of the program's resources, modal or
// modeless, with virtual handlers.
//
// The object's pointer is kept in the window itself (DWLP_USER), set at WM_INITDIALOG and
// cleared at WM_NCDESTROY; there is no global window map. The template id is also stored as
// the window property kTemplateIdProperty (see WindowProperty.h), so that other code and
// the GUI tests can tell which dialog a window is.
//
// Lifetime: a dialog object must outlive its window. A modeless dialog that owns itself
// overrides PostNcDestroy with `delete this`. PostNcDestroy runs after WM_NCDESTROY, but
// never while one of the object's own handlers is still on the call stack: when a handler
// destroys the window (directly or by starting the next wizard page), the call waits until
// the outermost handler of this object has returned. So a handler, or a work step that
// pumps messages, may find its window gone (GetHandle() == nullptr, IsAlive() false) but
// never its object.
//
// Every handler runs inside an exception guard: an exception that leaves a handler is passed
// to CApplication::ProcessWndProcException (see Application.h).
#pragma once

#include <windows.h>

#include <string>

#include "framework/DataExchange.h"

class CDialogBox {
public:
    // templateId: the dialog template's resource id; parent: owner window or nullptr.
    explicit CDialogBox(int templateId, HWND parent = nullptr) noexcept;
    virtual ~CDialogBox();
    CDialogBox(const CDialogBox&) = delete;
    CDialogBox& operator=(const CDialogBox&) = delete;
    CDialogBox(CDialogBox&&) = delete;
    CDialogBox& operator=(CDialogBox&&) = delete;

    // Runs the dialog modally. Returns the value given to EndDialog, or -1 when the dialog
    // could not be created (no such template, or a control could not be made).
    INT_PTR DoModal();
    // Creates the dialog as a modeless window (not shown unless its template says
    // WS_VISIBLE or OnInitDialog shows it). Returns false when it could not be created.
    bool Create();

    // Ends the dialog: a modal one returns `result` from DoModal, a modeless one is
    // destroyed.
    void EndDialog(INT_PTR result);
    // Destroys the window now (modal or modeless). Nothing happens when it is already gone.
    void DestroyWindow();

    HWND GetHandle() const noexcept { return m_window; }
    bool IsAlive() const noexcept { return m_window != nullptr; }
    bool IsModal() const noexcept { return m_modal; }
    int GetTemplateId() const noexcept { return m_templateId; }
    HWND GetParent() const noexcept { return m_parent; }
    // True while one of this object's handlers is running.
    bool IsInHandler() const noexcept { return m_handlerDepth > 0; }

    // Data exchange: true = read the controls into the members (may fail validation, then
    // returns false), false = write the members into the controls.
    bool UpdateData(bool saveAndValidate = true);

    // Control helpers (all do nothing, or return empty/false, when the control is missing).
    HWND GetItem(int id) const noexcept;
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;
    void ShowItem(int id, bool show) const noexcept;
    // False when there is no such control.
    bool EnableItem(int id, bool enable) const noexcept;
    // The text of the selected entry of list box id; "" when nothing is selected.
    std::string GetListSelText(int id) const;
    // Sets the control's text from a printf-style format (any length).
    void SetItemTextFormat(int id, const char* format, ...) const;
    // Gives the control a font (nullptr: the system font) and has it redrawn.
    void SetItemFont(int id, HFONT font) const noexcept;
    bool IsChecked(int id) const noexcept;
    // Checks `id` and clears the other buttons first..last.
    void CheckRadio(int first, int last, int id) const noexcept;
    std::string GetTitle() const;
    void SetTitle(const std::string& text) const;
    // Centres the dialog over `over`, or over the screen's work area when nullptr.
    void CenterWindow(HWND over = nullptr) const noexcept;

    // The handle of the window that a dialog object's DWLP_USER points to, as set by this
    // layer: the object or nullptr (for a window that is not one of ours).
    static CDialogBox* FromHandle(HWND window) noexcept;

protected:
    // WM_INITDIALOG. Base: UpdateData(false), returns TRUE (focus to the first control).
    virtual BOOL OnInitDialog();
    // IDOK. Base: UpdateData(true); when it succeeds, EndDialog(IDOK).
    virtual void OnOK();
    // IDCANCEL (Cancel button, Escape, close box). Base: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // WM_COMMAND for any other id (buttons, edit and list notifications). Return true when
    // handled. Base: false.
    virtual bool OnCommand(int id, int code, HWND control);
    // Moves data between members and controls; see DataExchange.h. Base: nothing.
    virtual void DoDataExchange(CDataExchange& exchange);
    // Colours for a control (WM_CTLCOLOR*): returns the brush for its background. Base: the
    // program's dialog colours (DialogColors.h) for the dialog, statics, buttons and message
    // boxes; the system default for edits and lists.
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT message);
    // Any other message, before the default dialog processing. Return true when handled and
    // set `result` (for messages with a direct result, as WM_CTLCOLOR*, it is returned as
    // such, for the others it goes to DWLP_MSGRESULT). Base: false.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After the window is gone and no handler of this object is running. A self-owned
    // modeless dialog deletes itself here. Base: nothing.
    virtual void PostNcDestroy();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window) noexcept;
    void Detach() noexcept;

    int m_templateId;
    HWND m_parent;
    HWND m_window = nullptr;
    bool m_modal = false;
    bool m_destroyed = false;
    int m_handlerDepth = 0;
};
