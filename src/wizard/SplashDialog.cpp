#include "wizard/SplashDialog.h"

#include <utility>

CSplashDialog::CSplashDialog(std::string picturePath, std::function<void()> whenDone)
    : CDialogBox(kTemplateId), m_picturePath(std::move(picturePath)),
      m_whenDone(std::move(whenDone)) {}

bool CSplashDialog::Open() {
    DWORD attributes = ::GetFileAttributesA(m_picturePath.c_str());
    bool exists =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (exists) {
        m_picture.Attach(static_cast<HBITMAP>(
            ::LoadImageA(nullptr, m_picturePath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
        if (!m_picture) {
            return false;
        }
        BITMAP info{};
        ::GetObjectA(m_picture.Get(), sizeof(info), &info);
        m_pictureSize = {info.bmWidth, info.bmHeight};
    }
    return Create();
}

BOOL CSplashDialog::OnInitDialog() {
    CDialogBox::OnInitDialog();
    FitToPicture();
    ::SetTimer(GetHandle(), kTimerId, kDelayMs, nullptr);
    ::ShowWindow(GetHandle(), SW_SHOW);
    return TRUE;
}

void CSplashDialog::FitToPicture() {
    if (m_picture) {
        ::SetWindowPos(GetHandle(), nullptr, 0, 0, m_pictureSize.cx, m_pictureSize.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    CenterWindow(nullptr);
}

bool CSplashDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(GetHandle(), &ps);
        if (m_picture) {
            CMemoryDcHandle memory(::CreateCompatibleDC(dc));
            CSelectObject select(memory.Get(), m_picture.Get());
            ::BitBlt(dc, 0, 0, m_pictureSize.cx, m_pictureSize.cy, memory.Get(), 0, 0, SRCCOPY);
        }
        ::EndPaint(GetHandle(), &ps);
        result = 0;
        return true;
    }
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

void CSplashDialog::PostNcDestroy() {
    delete this;
}
