#include "wizard/MainWnd.h"

#include "framework/WinHandles.h"

namespace {

constexpr const char* kMainClassName = "SetupMainWnd";
// The program icon's resource id.
constexpr int kProgramIcon = 4;
// WS_MAXIMIZE | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX: no caption bar.
constexpr DWORD kMainStyle = 0x018B0000;

// One channel of the gradient at step i of n, from start to end.
int Blend(int start, int end, int i, int n) {
    return start + (end - start) * i / n;
}

} // namespace

bool CMainWnd::CreateMain(const std::string& caption, bool unattended) {
    m_caption = caption;
    ClassInfo info{kMainClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                   ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgramIcon)),
                   ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), nullptr};
    // Created in its restored state and then shown maximized: a window that already carries
    // WS_MAXIMIZE when it is first shown keeps its default size on some systems.
    if (!Create(info, caption, kMainStyle & ~WS_MAXIMIZE)) {
        return false;
    }
    ::ShowWindow(GetHandle(), unattended ? SW_SHOWMINIMIZED : SW_SHOWMAXIMIZED);
    if (!unattended) {
        // Without a window manager (a bare X server) the maximized state does not reach the
        // window's size: give it the work area explicitly (no change where it already has).
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        ::SetWindowPos(GetHandle(), nullptr, work.left, work.top, work.right - work.left,
                       work.bottom - work.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::UpdateWindow(GetHandle());
    return true;
}

bool CMainWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        // WM_PAINT fills every pixel.
        result = 1;
        return true;
    case WM_ACTIVATEAPP:
        m_active = wParam != 0 ? 1 : 0;
        return false;
    default:
        break;
    }
    return CFrameWindow::OnMessage(message, wParam, lParam, result);
}

void CMainWnd::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(GetHandle(), &ps);
    RECT client;
    ::GetClientRect(GetHandle(), &client);
    int height = client.bottom - client.top;
    for (int row = 0; row < height; ++row) {
        COLORREF colour = RGB(0, 0, Blend(255, 0, row, height));
        CBrushHandle brush(::CreateSolidBrush(colour));
        RECT line{client.left, row, client.right, row + 1};
        ::FillRect(dc, &line, brush.Get());
    }

    int pointHeight = -::MulDiv(24, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    CFontHandle font(::CreateFontA(pointHeight, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, "Arial"));
    {
        CSelectObject selectFont(dc, font.Get());
        int oldMode = ::SetBkMode(dc, TRANSPARENT);
        int x = ::GetSystemMetrics(SM_CXHTHUMB);
        int y = ::GetSystemMetrics(SM_CYVTHUMB);
        int shadowX = x + 2 * ::GetSystemMetrics(SM_CXDLGFRAME);
        int shadowY = y + 2 * ::GetSystemMetrics(SM_CYDLGFRAME);
        COLORREF oldColour = ::SetTextColor(dc, RGB(0, 0, 0));
        ::TextOutA(dc, shadowX, shadowY, m_caption.c_str(), static_cast<int>(m_caption.size()));
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::TextOutA(dc, x, y, m_caption.c_str(), static_cast<int>(m_caption.size()));
        ::SetTextColor(dc, oldColour);
        ::SetBkMode(dc, oldMode);
    }
    ::EndPaint(GetHandle(), &ps);
}
