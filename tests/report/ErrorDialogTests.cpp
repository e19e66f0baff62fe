// The error dialog under Wine: folding, the one- and two-button reports, Escape, the texts
// and code line of converted exceptions, the code font and the control colours, and
// screenshots of the dialog folded and unfolded.
//
// The report runs on a thread of its own (its modal loop), the test drives it from the main
// thread through the GUI harness as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <new>
#include <string>
#include <utility>

#include "GuiHarness.h"
#include "ModalThread.h"
#include "errors/Exceptions.h"
#include "framework/DialogBox.h"
#include "framework/DialogColors.h"
#include "framework/WinHandles.h"
#include "report/ErrorDialog.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeout = 10000;

// A report running on its own thread.
class CReport : public gui::CModalThread {
public:
    explicit CReport(std::function<INT_PTR()> report)
        : CModalThread(IDD_ERROR, std::move(report), kTimeout) {}
};

RECT ClientRectOnScreen(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    POINT topLeft{0, 0};
    POINT bottomRight{client.right, client.bottom};
    ::ClientToScreen(window, &topLeft);
    ::ClientToScreen(window, &bottomRight);
    return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

bool InsideClient(HWND dialog, int id) {
    RECT client = ClientRectOnScreen(dialog);
    RECT rect{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    return rect.left >= client.left && rect.top >= client.top && rect.right <= client.right &&
           rect.bottom <= client.bottom;
}

SIZE WindowSize(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// The size of template 1544 as the dialog manager makes it.
SIZE TemplateSize() {
    CDialogBox dialog(IDD_ERROR);
    if (!dialog.Create()) {
        return SIZE{0, 0};
    }
    return WindowSize(dialog.GetHandle());
}

// Controls of the upper part (always reachable) and of the lower part (folded away).
const int kUpper[] = {IDOK, IDC_MORE, IDC_MESSAGE, IDC_SHORT_TEXT, IDC_ERROR_ICON};
const int kLower[] = {IDC_LONG_TEXT, IDC_ERROR_CODE};

void ExpectFolded(HWND dialog) {
    EXPECT_EQ("&More>>", gui::ControlText(dialog, IDC_MORE));
    for (int id : kUpper) {
        EXPECT_TRUE(InsideClient(dialog, id)) << id;
        EXPECT_TRUE(gui::ControlEnabled(dialog, id)) << id;
    }
    for (int id : kLower) {
        EXPECT_FALSE(InsideClient(dialog, id)) << id;
        EXPECT_FALSE(gui::ControlEnabled(dialog, id)) << id;
    }
    // The folded client area ends at the marker's lower right corner.
    RECT marker{};
    ::GetWindowRect(::GetDlgItem(dialog, IDC_FOLD_MARKER), &marker);
    RECT client = ClientRectOnScreen(dialog);
    EXPECT_EQ(marker.right, client.right);
    EXPECT_EQ(marker.bottom, client.bottom);
    // Tab goes from More back to the top, never into the hidden part.
    EXPECT_NE(::GetDlgItem(dialog, IDC_LONG_TEXT),
              ::GetNextDlgTabItem(dialog, ::GetDlgItem(dialog, IDC_MORE), FALSE));
}

void ExpectUnfolded(HWND dialog) {
    EXPECT_EQ("&More<<", gui::ControlText(dialog, IDC_MORE));
    const SIZE full = TemplateSize();
    const SIZE now = WindowSize(dialog);
    EXPECT_EQ(full.cx, now.cx);
    EXPECT_EQ(full.cy, now.cy);
    for (int id : kLower) {
        EXPECT_TRUE(InsideClient(dialog, id)) << id;
        EXPECT_TRUE(gui::ControlEnabled(dialog, id)) << id;
    }
    EXPECT_EQ(::GetDlgItem(dialog, IDC_LONG_TEXT),
              ::GetNextDlgTabItem(dialog, ::GetDlgItem(dialog, IDC_MORE), FALSE));
}

bool WaitForMoreText(HWND dialog, const std::string& text) {
    return gui::WaitUntil([&] { return gui::ControlText(dialog, IDC_MORE) == text; }, kTimeout);
}

class ErrorDialogTest : public ::testing::Test {
protected:
    void SetUp() override { SetDialogColors(kDialogBackground, kDialogText); }
    void TearDown() override { ResetDialogColors(); }
};

TEST_F(ErrorDialogTest, StartsFoldedAndUnfoldsToTemplateSize) {
    CReport report([] {
        ReportError(17, CMultiFileException(CMultiFileException::kCorruptTable),
                    "C:\\DISK1\\DATA.MFA");
        return INT_PTR{0};
    });
    HWND dialog = report.WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Warning", gui::WindowText(dialog));
    EXPECT_EQ("Cannot install files from 'C:\\DISK1\\DATA.MFA':",
              gui::ControlText(dialog, IDC_MESSAGE));
    EXPECT_EQ(LoadStringId(27654), gui::ControlText(dialog, IDC_SHORT_TEXT));
    EXPECT_EQ(LoadStringId(27655), gui::ControlText(dialog, IDC_LONG_TEXT));
    EXPECT_EQ("17.4 (CMultiFileException)", gui::ControlText(dialog, IDC_ERROR_CODE));
    EXPECT_EQ("OK", gui::ControlText(dialog, IDOK));
    EXPECT_FALSE(gui::ControlVisible(dialog, IDCANCEL));
    ExpectFolded(dialog);
    EXPECT_TRUE(gui::SaveWindowPng(dialog, gui::ScreenshotPath("error-folded")));

    ASSERT_TRUE(gui::ClickButton(dialog, IDC_MORE));
    ASSERT_TRUE(WaitForMoreText(dialog, "&More<<"));
    ExpectUnfolded(dialog);
    EXPECT_TRUE(gui::SaveWindowPng(dialog, gui::ScreenshotPath("error-unfolded")));

    ASSERT_TRUE(gui::ClickButton(dialog, IDC_MORE));
    ASSERT_TRUE(WaitForMoreText(dialog, "&More>>"));
    ExpectFolded(dialog);

    ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
    EXPECT_EQ(0, report.Result());
}

TEST_F(ErrorDialogTest, TwoButtonReportAnswers) {
    struct Case {
        const char* how;
        int expected;
    };
    const Case cases[] = {{"continue", 1}, {"cancel", 0}, {"escape", 0}, {"close", 0}};
    for (const Case& c : cases) {
        CReport report([] {
            return INT_PTR{
                ReportErrorAsk(17, CZLibException(CZLibException::kDataError), "ARCHIVE.MFA")};
        });
        HWND dialog = report.WaitForDialog();
        ASSERT_NE(nullptr, dialog) << c.how;
        EXPECT_EQ(LoadStringId(14), gui::ControlText(dialog, IDOK)) << c.how;
        EXPECT_EQ(LoadStringId(15), gui::ControlText(dialog, IDCANCEL)) << c.how;
        EXPECT_TRUE(gui::ControlVisible(dialog, IDCANCEL)) << c.how;
        EXPECT_TRUE(InsideClient(dialog, IDCANCEL)) << c.how;
        EXPECT_EQ("17.3 (CZLibException)", gui::ControlText(dialog, IDC_ERROR_CODE));
        const std::string how = c.how;
        if (how == "continue") {
            EXPECT_TRUE(gui::SaveWindowPng(dialog, gui::ScreenshotPath("error-two-buttons")));
            ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
        } else if (how == "cancel") {
            ASSERT_TRUE(gui::ClickButton(dialog, IDCANCEL));
        } else if (how == "escape") {
            ASSERT_TRUE(gui::PressKey(dialog, VK_ESCAPE));
        } else {
            ASSERT_TRUE(::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0));
        }
        EXPECT_EQ(c.expected, report.Result()) << c.how;
    }
}

TEST_F(ErrorDialogTest, EscapeClosesOneButtonReportAsCancel) {
    CReport report([] {
        return ShowErrorDialog(9, "Setup cannot continue",
                               CInstallProfileException(CInstallProfileException::kNoDestinations),
                               false);
    });
    HWND dialog = report.WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("9.0 (CInstallProfileException)", gui::ControlText(dialog, IDC_ERROR_CODE));
    ASSERT_TRUE(gui::PressKey(dialog, VK_ESCAPE));
    EXPECT_EQ(IDCANCEL, report.Result());
}

TEST_F(ErrorDialogTest, ForeignExceptionsShowTheirWrapper) {
    struct Case {
        std::function<void()> raise;
        std::string codeLine;
        unsigned shortTextId;
    };
    const Case cases[] = {
        {[] { throw CFileException(CFileException::kFileNotFound, 2, "C:\\X.DLL"); },
         "9.2 (CXFileException)", 24590},
        {[] { throw CMemoryException(); }, "9.0 (CXMemoryException)", 24578},
        {[] { throw std::bad_alloc(); }, "9.0 (CXMemoryException)", 24578},
        {[] { throw 42; }, "9.1 (CXException)", 24576},
        {[] { throw CMultiFileException(CMultiFileException::kNotAnArchive); },
         "9.2 (CMultiFileException)", 27650},
    };
    for (const Case& c : cases) {
        std::exception_ptr error;
        try {
            c.raise();
        } catch (...) {
            error = std::current_exception();
        }
        CReport report([error] {
            ReportException(9, error);
            return INT_PTR{0};
        });
        HWND dialog = report.WaitForDialog();
        ASSERT_NE(nullptr, dialog) << c.codeLine;
        EXPECT_EQ(LoadStringId(9), gui::ControlText(dialog, IDC_MESSAGE)) << c.codeLine;
        EXPECT_EQ(c.codeLine, gui::ControlText(dialog, IDC_ERROR_CODE));
        EXPECT_EQ(LoadStringId(c.shortTextId), gui::ControlText(dialog, IDC_SHORT_TEXT))
            << c.codeLine;
        ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
        EXPECT_EQ(0, report.Result());
    }
}

TEST_F(ErrorDialogTest, CodeFontIconAndColours) {
    CReport report([] {
        ReportError(9, CXException(1));
        return INT_PTR{0};
    });
    HWND dialog = report.WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    CWindowDc screen(nullptr);
    const int height = -::MulDiv(8, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    for (int id : {IDC_ERROR_CODE, IDC_LONG_TEXT}) {
        const auto font =
            reinterpret_cast<HFONT>(::SendMessageA(::GetDlgItem(dialog, id), WM_GETFONT, 0, 0));
        LOGFONTA info{};
        ASSERT_NE(0, ::GetObjectA(font, sizeof info, &info)) << id;
        EXPECT_STREQ("Arial", info.lfFaceName) << id;
        EXPECT_EQ(height, info.lfHeight) << id;
        EXPECT_EQ(FW_NORMAL, info.lfWeight) << id;
    }
    EXPECT_EQ(reinterpret_cast<LRESULT>(::LoadIconA(nullptr, MAKEINTRESOURCEA(kErrorIconId))),
              ::SendMessageA(::GetDlgItem(dialog, IDC_ERROR_ICON), STM_GETICON, 0, 0));

    // The long text sits on the button-face colour; other controls get the dialog colours.
    CMemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    struct Case {
        int id;
        COLORREF background;
    };
    for (const Case& c : {Case{IDC_LONG_TEXT, ::GetSysColor(COLOR_BTNFACE)},
                          Case{IDC_MESSAGE, kDialogBackground}}) {
        ::SetBkColor(dc.Get(), RGB(1, 2, 3));
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, c.id))));
        LOGBRUSH info{};
        ASSERT_NE(0, ::GetObjectA(brush, sizeof info, &info)) << c.id;
        EXPECT_EQ(c.background, info.lbColor) << c.id;
        EXPECT_EQ(c.background, ::GetBkColor(dc.Get())) << c.id;
    }
    ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
    EXPECT_EQ(0, report.Result());
}

TEST_F(ErrorDialogTest, ReportStillReachesTheUserWhenTheDialogCannotBeMade) {
    struct Case {
        bool twoButtons;
        int button;
        INT_PTR expected;
    };
    for (const Case& c :
         {Case{true, IDOK, IDOK}, Case{true, IDCANCEL, IDCANCEL}, Case{false, IDOK, IDOK}}) {
        CReport report([&c] {
            return ShowErrorDialog(17, "Cannot install files from 'B.MFA':",
                                   CMultiFileException(CMultiFileException::kChecksumMismatch),
                                   c.twoButtons, kErrorIconId, 12345);
        });
        HWND box = gui::WaitForMessageBox(0, kTimeout);
        ASSERT_NE(box, nullptr);
        std::string texts;
        for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            texts += gui::WindowText(child) + "|";
        }
        EXPECT_NE(std::string::npos, texts.find("Cannot install files from 'B.MFA':")) << texts;
        EXPECT_NE(std::string::npos, texts.find("17.5 (CMultiFileException)")) << texts;
        EXPECT_EQ(c.twoButtons, ::GetDlgItem(box, IDCANCEL) != nullptr);
        ASSERT_TRUE(gui::PressButton(box, c.button));
        EXPECT_EQ(c.expected, report.Result());
    }
}

TEST(ErrorCodeLine, FormatsMessageCauseAndClass) {
    struct Case {
        int messageId;
        std::function<std::unique_ptr<CXException>()> make;
        const char* expected;
    };
    const Case cases[] = {
        {17, [] { return std::make_unique<CMultiFileException>(4); }, "17.4 (CMultiFileException)"},
        {9, [] { return std::make_unique<CInstallProfileException>(1); },
         "9.1 (CInstallProfileException)"},
        {9, [] { return MakeXException(CFileException(CFileException::kDiskFull)); },
         "9.13 (CXFileException)"},
        {17, [] { return std::make_unique<CZLibException>(2); }, "17.2 (CZLibException)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, FormatErrorCode(c.messageId, *c.make()));
    }
}

TEST(ReportMessage, FormatsWithArgumentsAndNeverOverruns) {
    EXPECT_EQ("Cannot install files from 'A.MFA':", ReportMessage(17, "A.MFA"));
    // Without arguments a '%' stays as it is.
    EXPECT_EQ(LoadStringId(17), ReportMessage(17));
    const std::string longName(2000, 'x');
    const std::string cut = ReportMessage(17, longName.c_str());
    EXPECT_EQ(503u, cut.size());
    EXPECT_EQ("Cannot install files from 'xxx", cut.substr(0, 30));
}

} // namespace
