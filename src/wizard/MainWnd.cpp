#include "wizard/MainWnd.h"

#include <vector>

#include "framework/WinHandles.h"
#include "resources/resource.h"
#include "wizard/Gradient.h"

namespace {

constexpr const char* kMainClassName = "SetupMainWnd";
// WS_MAXIMIZE | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX: no caption bar.
constexpr DWORD kMainStyle = 0x018B0000;

} // namespace

bool CMainWnd::CreateMain(const std::string& caption, bool unattended) {
    m_caption = caption;
    ClassInfo info{kMainClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                   ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SETUP)),
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

void CMainWnd::CreatePalette() {
    CWindowDc dc(GetHandle());
    if (!dc || (::GetDeviceCaps(dc.Get(), RASTERCAPS) & RC_PALETTE) == 0) {
        return;
    }
    auto defaultPalette = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
    WORD defaultCount = 0;
    ::GetObjectA(defaultPalette, sizeof(defaultCount), &defaultCount);
    int freeEntries = ::GetDeviceCaps(dc.Get(), SIZEPALETTE) - defaultCount;
    if (freeEntries <= 0) {
        return;
    }
    int total = defaultCount + freeEntries;
    std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + total * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(total);
    ::GetPaletteEntries(defaultPalette, 0, defaultCount, palette->palPalEntry);
    for (int i = 0; i < freeEntries; ++i) {
        GradientColour colour = GradientStep(i, freeEntries);
        palette->palPalEntry[defaultCount + i] = {static_cast<BYTE>(colour.red),
                                                  static_cast<BYTE>(colour.green),
                                                  static_cast<BYTE>(colour.blue), 0};
    }
    m_palette.Attach(::CreatePalette(palette));
}

bool CMainWnd::RealizePalette() {
    if (!m_palette) {
        return false;
    }
    CWindowDc dc(GetHandle());
    HPALETTE old = ::SelectPalette(dc.Get(), m_palette.Get(), FALSE);
    UINT changed = ::RealizePalette(dc.Get());
    ::SelectPalette(dc.Get(), old, FALSE);
    return changed != 0;
}

bool CMainWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_CREATE:
        CreatePalette();
        return false;
    case WM_QUERYNEWPALETTE:
        if (RealizePalette()) {
            ::InvalidateRect(GetHandle(), nullptr, TRUE);
        }
        return false;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) != GetHandle() && RealizePalette()) {
            ::InvalidateRect(GetHandle(), nullptr, TRUE);
        }
        return false;
    case WM_DESTROY:
        m_palette.Close();
        return false;
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
    HPALETTE oldPalette = nullptr;
    if (m_palette) {
        oldPalette = ::SelectPalette(dc, m_palette.Get(), FALSE);
        ::RealizePalette(dc);
    }
    for (int row = 0; row < height; ++row) {
        GradientColour step = GradientStep(row, height);
        COLORREF colour = RGB(step.red, step.green, step.blue);
        // While the program is active its palette is realized: ask for the palette colour.
        if (m_palette && m_active != 0) {
            colour = PALETTERGB(step.red, step.green, step.blue);
        }
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
    if (oldPalette != nullptr) {
        ::SelectPalette(dc, oldPalette, FALSE);
    }
    ::EndPaint(GetHandle(), &ps);
}
