#include "wizard/SplashDialog.h"

#include <optional>
#include <utility>

CSplashDialog::CSplashDialog(std::string picturePath, std::function<void()> whenDone)
    : CDialogBox(kTemplateId), m_picturePath(std::move(picturePath)),
      m_whenDone(std::move(whenDone)) {}

bool CSplashDialog::Open() {
    DWORD attributes = ::GetFileAttributesA(m_picturePath.c_str());
    bool exists =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (exists && !LoadPicture()) {
        return false;
    }
    return Create();
}

bool CSplashDialog::LoadPicture() {
    std::optional<CDibBlock> block = ReadDibFile(m_picturePath, m_reportErrors);
    if (!block) {
        return false;
    }
    m_palette.Attach(CreateDibPalette(*block));
    m_picture.Attach(DibToBitmap(&*block, m_palette.Get()));
    return m_picture.IsValid();
}

BOOL CSplashDialog::OnInitDialog() {
    CDialogBox::OnInitDialog();
    FitToPicture();
    ::SetTimer(GetHandle(), kTimerId, kDelayMs, nullptr);
    ::ShowWindow(GetHandle(), SW_SHOW);
    return TRUE;
}

void CSplashDialog::FitToPicture() {
    ::SetWindowPos(GetHandle(), nullptr, 0, 0, m_picture.GetWidth(), m_picture.GetHeight(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    CenterWindow(nullptr);
}

bool CSplashDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = 1;
        return true;
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_QUERYNEWPALETTE:
        if (RealizePicturePalette()) {
            ::InvalidateRect(GetHandle(), nullptr, FALSE);
        }
        result = m_palette ? TRUE : FALSE;
        return true;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) != GetHandle() && RealizePicturePalette()) {
            ::InvalidateRect(GetHandle(), nullptr, FALSE);
        }
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam == kTimerId) {
            ::KillTimer(GetHandle(), kTimerId);
            if (m_whenDone) {
                m_whenDone();
            }
            DestroyWindow();
            result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return CDialogBox::OnMessage(message, wParam, lParam, result);
}

void CSplashDialog::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(GetHandle(), &ps);
    m_picture.Draw(dc, m_palette.Get(), 0, 0, 0, 0, 0, 0, SRCCOPY);
    ::EndPaint(GetHandle(), &ps);
}

bool CSplashDialog::RealizePicturePalette() {
    if (!m_palette) {
        return false;
    }
    CWindowDc dc(GetHandle());
    HPALETTE old = ::SelectPalette(dc.Get(), m_palette.Get(), FALSE);
    UINT changed = ::RealizePalette(dc.Get());
    ::SelectPalette(dc.Get(), old, FALSE);
    return changed != 0;
}

void CSplashDialog::PostNcDestroy() {
    delete this;
}
