// The gauge: its arithmetic everywhere; on Windows the drawing into a memory bitmap, and the
// gauge window in the copy page's template (with a screenshot).
#include "support/GaugeScale.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include "GuiHarness.h"
#include "framework/DialogBox.h"
#include "framework/Gauge.h"
#include "framework/WinHandles.h"
#include "resources/resource.h"
#endif

namespace {

TEST(GaugeScale, PercentOfRange) {
    struct Case {
        std::uint32_t lower, upper, position;
        int percent;
    };
    const Case cases[] = {
        {0, 99, 0, 0},
        {0, 100, 42, 42},
        {1, 201, 101, 50},
        {0, 3, 2, 66},                      // rounded down
        {5, 5, 5, -1},                      // empty range: nothing drawn
        {10, 5, 7, -1},                     // inverted range: nothing drawn
        {0, 100, 250, 100},                 // above the range
        {50, 100, 10, 0},                   // below the range
        {0, 3000000, 1500000, 50},          // scaled down by 1000 first
        {1, 2000000, 1000000, 50},          // scaled: 0..2000 at 1000
        {1000001, 1000500, 1000250, 49},    // scaling would empty the range: exact values
        {0, 0xFFFFFFFFu, 0xFFFFFFFEu, 100}, // scaled: both 4294967
        {0, 100, 0xFFFFFFFFu, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.percent, GaugePercent(c.lower, c.upper, c.position))
            << c.lower << ".." << c.upper << " at " << c.position;
    }
}

TEST(GaugeScale, FilledLength) {
    const struct {
        int percent, extent, fill;
    } cases[] = {{0, 200, 0}, {50, 200, 100}, {33, 10, 3}, {100, 7, 7}, {150, 7, 7}, {50, -4, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.fill, GaugeFill(c.percent, c.extent));
    }
}

#ifdef _WIN32

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// Draws a 200 x 40 gauge over a green bitmap and reads pixels near the ends of the bar.
struct Drawn {
    COLORREF start;  // near the left (or top) end
    COLORREF finish; // near the right (or bottom) end
};

Drawn Draw(std::uint32_t lower, std::uint32_t upper, std::uint32_t position, bool vertical) {
    CWindowDc screen(nullptr);
    CMemoryDcHandle dc(::CreateCompatibleDC(screen.Get()));
    const int width = vertical ? 40 : 200;
    const int height = vertical ? 200 : 40;
    CBitmapHandle bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    CSelectObject select(dc.Get(), bitmap.Get());
    RECT all = {0, 0, width, height};
    CBrushHandle green(::CreateSolidBrush(kGreen));
    ::FillRect(dc.Get(), &all, green.Get());
    DrawGauge(dc.Get(), all, kRed, kBlue, vertical, lower, upper, position);
    return vertical ? Drawn{::GetPixel(dc.Get(), 2, 2), ::GetPixel(dc.Get(), 2, height - 3)}
                    : Drawn{::GetPixel(dc.Get(), 2, 2), ::GetPixel(dc.Get(), width - 3, 2)};
}

TEST(Gauge, DrawsFilledAndEmptyPartsInSwappedColours) {
    const struct {
        std::uint32_t lower, upper, position;
        bool vertical;
        COLORREF start, finish;
    } cases[] = {
        {0, 100, 0, false, kRed, kRed},     // all empty: background colourA
        {0, 100, 100, false, kBlue, kBlue}, // all filled: background colourB
        {0, 100, 50, false, kBlue, kRed},
        {0, 100, 50, true, kBlue, kRed},
        {0, 3000000, 2700000, false, kBlue, kRed}, // 90%, scaled
        {7, 7, 7, false, kGreen, kGreen},          // nothing drawn
    };
    for (const auto& c : cases) {
        const Drawn drawn = Draw(c.lower, c.upper, c.position, c.vertical);
        EXPECT_EQ(c.start, drawn.start) << c.position << (c.vertical ? " vertical" : "");
        EXPECT_EQ(c.finish, drawn.finish) << c.position << (c.vertical ? " vertical" : "");
    }
}

// The copy page's template with the gauge in place of its placeholder frame.
class CCopyPage : public CDialogBox {
public:
    CCopyPage() : CDialogBox(IDD_COPYING) {}
};

TEST(Gauge, TakesThePlaceholdersPlaceAndShowsPosition) {
    CCopyPage page;
    ASSERT_TRUE(page.Create());
    ::ShowWindow(page.GetHandle(), SW_SHOW);
    HWND placeholder = page.GetItem(IDC_GAUGE);
    ASSERT_NE(nullptr, placeholder);
    RECT expected;
    ::GetClientRect(placeholder, &expected);
    ::MapWindowPoints(placeholder, page.GetHandle(), reinterpret_cast<POINT*>(&expected), 2);

    CGauge gauge(0, 99, 0);
    ASSERT_TRUE(
        gauge.CreateGauge(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{}, page.GetHandle(), IDC_GAUGE));
    EXPECT_FALSE(::IsWindow(placeholder));
    EXPECT_EQ(gauge.GetHandle(), page.GetItem(IDC_GAUGE));
    EXPECT_EQ("Gauge", gui::WindowText(gauge.GetHandle()));
    RECT placed;
    ::GetWindowRect(gauge.GetHandle(), &placed);
    ::MapWindowPoints(nullptr, page.GetHandle(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(expected.left, placed.left);
    EXPECT_EQ(expected.top, placed.top);
    EXPECT_EQ(expected.right, placed.right);
    EXPECT_EQ(expected.bottom, placed.bottom);

    // As the copy run does: lower 1, upper = the total; positions outside are limited.
    gauge.SetRange(1, 1001);
    RECT client;
    ::GetClientRect(gauge.GetHandle(), &client);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const struct {
        std::uint32_t value, position;
        COLORREF start, finish;
    } cases[] = {
        {0, 1, window, window},
        {5000, 1001, highlight, highlight},
        {421, 421, highlight, window},
    };
    for (const auto& c : cases) {
        gauge.SetPos(c.value, true);
        EXPECT_EQ(c.position, gauge.GetPos());
        gui::PumpMessagesFor(100);
        COLORREF start = 0;
        COLORREF finish = 0;
        ASSERT_TRUE(gui::ScreenPixel(gauge.GetHandle(), 1, 1, start));
        ASSERT_TRUE(gui::ScreenPixel(gauge.GetHandle(), client.right - 2, 1, finish));
        EXPECT_EQ(c.start, start) << c.value;
        EXPECT_EQ(c.finish, finish) << c.value;
    }
    EXPECT_TRUE(gui::SaveWindowPng(page.GetHandle(), gui::ScreenshotPath("gauge-42-percent")));
    page.DestroyWindow();
}

#endif

} // namespace
