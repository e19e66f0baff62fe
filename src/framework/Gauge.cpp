#include "framework/Gauge.h"

#include <algorithm>
#include <string>

#include "framework/WinHandles.h"
#include "support/GaugeScale.h"

namespace {

const CFrameWindow::ClassInfo kGaugeClass = {"SetupGauge", CS_HREDRAW | CS_VREDRAW, nullptr,
                                             nullptr, nullptr};

std::uint32_t Limit(std::uint32_t value, std::uint32_t lower, std::uint32_t upper) {
    // Limited to upper first, then raised to lower: an inverted range gives lower.
    return std::max(std::min(value, upper), lower);
}

} // namespace

CGauge::CGauge(std::uint32_t lower, std::uint32_t upper, std::uint32_t position) noexcept
    : m_lower(lower), m_upper(upper), m_position(Limit(position, lower, upper)) {}

bool CGauge::CreateGauge(DWORD style, const RECT& rect, HWND parent, int controlId) {
    RECT place = rect;
    if (HWND placeholder = ::GetDlgItem(parent, controlId)) {
        ::GetClientRect(placeholder, &place);
        ::MapWindowPoints(placeholder, parent, reinterpret_cast<POINT*>(&place), 2);
        ::DestroyWindow(placeholder);
    }
    return CreateChild(kGaugeClass, "Gauge", style, place, parent, controlId);
}

void CGauge::SetPos(std::uint32_t value, bool updateNow) {
    m_position = Limit(value, m_lower, m_upper);
    if (HWND window = GetHandle()) {
        ::InvalidateRect(window, nullptr, FALSE);
        if (updateNow) {
            ::UpdateWindow(window);
        }
    }
}

void CGauge::SetRange(std::uint32_t lower, std::uint32_t upper) {
    m_lower = lower;
    m_upper = upper;
    SetPos(m_position, false);
}

bool CGauge::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        // The paint covers the whole client area (or leaves the previous picture).
        result = 1;
        return true;
    default:
        return false;
    }
}

void CGauge::Paint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(GetHandle(), &paint);
    if (dc == nullptr) {
        return;
    }
    // The text in the dialog's font, as the controls around the gauge.
    HWND parent = ::GetParent(GetHandle());
    HFONT font = parent != nullptr
                     ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0))
                     : nullptr;
    {
        CSelectObject selectFont(dc, font);
        RECT client;
        ::GetClientRect(GetHandle(), &client);
        DrawGauge(dc, client, ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_HIGHLIGHT), false,
                  m_lower, m_upper, m_position);
    }
    ::EndPaint(GetHandle(), &paint);
}

void DrawGauge(HDC dc, const RECT& rect, COLORREF colourA, COLORREF colourB, bool vertical,
               std::uint32_t lower, std::uint32_t upper, std::uint32_t position) {
    const int percent = GaugePercent(lower, upper, position);
    if (percent < 0) {
        return;
    }
    const std::string text = std::to_string(percent) + "%";
    SIZE textSize = {0, 0};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &textSize);
    const UINT oldAlign = ::SetTextAlign(dc, TA_CENTER | TA_TOP);

    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int fill = GaugeFill(percent, vertical ? height : width);
    RECT filled = rect;
    RECT empty = rect;
    if (vertical) {
        filled.bottom = rect.top + fill;
        empty.top = filled.bottom;
    } else {
        filled.right = rect.left + fill;
        empty.left = filled.right;
    }
    const int x = rect.left + width / 2;
    const int y = rect.top + (height - textSize.cy) / 2;

    const COLORREF oldText = ::SetTextColor(dc, colourA);
    const COLORREF oldBack = ::SetBkColor(dc, colourB);
    ::ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &filled, text.c_str(),
                  static_cast<UINT>(text.size()), nullptr);
    ::SetTextColor(dc, colourB);
    ::SetBkColor(dc, colourA);
    ::ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &empty, text.c_str(),
                  static_cast<UINT>(text.size()), nullptr);

    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
    ::SetTextAlign(dc, oldAlign);
}
