// CGauge: a child window that shows progress as a bar with the percentage centred on it. The
// filled part is drawn in the highlight colour with the text in the window colour, the empty
// part the other way round, so the text inverts where the bar passes under it.
//
// The gauge usually takes the place of a placeholder control laid out in a dialog template
// (CreateGauge). Its range and position are unsigned; the position is always kept within the
// range. The percentage arithmetic is GaugePercent (support/GaugeScale.h).
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/FrameWindow.h"

class CGauge : public CFrameWindow {
public:
    CGauge(std::uint32_t lower, std::uint32_t upper, std::uint32_t position) noexcept;

    // Creates the gauge as a child of parent with window text "Gauge", style and controlId.
    // When parent has a control with that id, the gauge takes that control's place (its
    // client area in the parent's coordinates) and the control is destroyed; otherwise rect
    // (parent's client coordinates) is used. False when the window cannot be made.
    bool CreateGauge(DWORD style, const RECT& rect, HWND parent, int controlId);

    // Sets the position (limited to the range) and has the gauge redrawn; with updateNow at
    // once, otherwise with the next paint.
    void SetPos(std::uint32_t value, bool updateNow);
    // Sets the range; the position is brought into it. Redrawn with the next paint.
    void SetRange(std::uint32_t lower, std::uint32_t upper);

    std::uint32_t GetLower() const noexcept { return m_lower; }
    std::uint32_t GetUpper() const noexcept { return m_upper; }
    std::uint32_t GetPos() const noexcept { return m_position; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint();

    std::uint32_t m_lower;
    std::uint32_t m_upper;
    std::uint32_t m_position;
};

// Draws a gauge into rect of dc: the filled part with text colour colourA on background
// colourB, the empty part with the colours swapped, the percentage centred over both. Bars
// grow from the left, or from the top when vertical. Draws nothing for an empty range.
void DrawGauge(HDC dc, const RECT& rect, COLORREF colourA, COLORREF colourB, bool vertical,
               std::uint32_t lower, std::uint32_t upper, std::uint32_t position);
