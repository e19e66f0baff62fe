// CFrameWindow: a top-level window of a class of its own, with a virtual message handler.
//
// The object's pointer is kept in the window (GWLP_USERDATA), set at WM_NCCREATE (so that
// WM_CREATE already reaches the object) and cleared at WM_NCDESTROY; there is no global
// window map. The window class is registered on first use with the class description given
// to Create. As with dialogs, the object must outlive its window; PostNcDestroy runs after
// WM_NCDESTROY once no handler of this object is on the call stack any more.
//
// When the window is the application's main window, its destruction posts the quit message
// (see CApplication).
#pragma once

#include <windows.h>

#include <string>

class CFrameWindow {
public:
    // The window class: name, class styles, icon, cursor and background brush (nullptr: the
    // window paints its whole background itself).
    struct ClassInfo {
        const char* name;
        UINT style;
        HICON icon;
        HCURSOR cursor;
        HBRUSH background;
    };

    CFrameWindow() noexcept = default;
    virtual ~CFrameWindow();
    CFrameWindow(const CFrameWindow&) = delete;
    CFrameWindow& operator=(const CFrameWindow&) = delete;
    CFrameWindow(CFrameWindow&&) = delete;
    CFrameWindow& operator=(CFrameWindow&&) = delete;

    // Registers the class (once per name) and creates the window at the system's default
    // position and size. Returns false when registration or creation fails (also when
    // WM_CREATE answered -1).
    bool Create(const ClassInfo& windowClass, const std::string& title, DWORD style,
                DWORD exStyle = 0, HWND parent = nullptr);
    // Registers the class (once per name) and creates a child window of parent at rect (the
    // parent's client coordinates) with the control id. False when it cannot be made.
    bool CreateChild(const ClassInfo& windowClass, const std::string& text, DWORD style,
                     const RECT& rect, HWND parent, int controlId);
    void DestroyWindow();

    HWND GetHandle() const noexcept { return m_window; }
    bool IsAlive() const noexcept { return m_window != nullptr; }

    static CFrameWindow* FromHandle(HWND window) noexcept;

protected:
    // Every message. Return true when handled with `result`; false gives DefWindowProc.
    // Base: false.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After the window is gone and no handler of this object is running. Base: nothing.
    virtual void PostNcDestroy();

private:
    bool CreateWindowOfClass(const ClassInfo& windowClass, const std::string& text, DWORD style,
                             DWORD exStyle, int x, int y, int width, int height, HWND parent,
                             HMENU menuOrId);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    bool m_destroyed = false;
    int m_handlerDepth = 0;
};
