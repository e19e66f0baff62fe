// The dialog templates of the setup program: every template the program names exists with
// its controls, kinds, texts and font; no text is cut off by its control (measured with the
// dialog's own font, after a typical application title has been put in); and a screenshot
// of each lands in <build>/screenshots/dialog-<id>.png for people to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "framework/DialogBox.h"
#include "framework/DialogColors.h"
#include "framework/WinHandles.h"
#include "resources/resource.h"

namespace {

const int kTemplates[] = {IDD_WELCOME,        IDD_SELECT_FOLDER,      IDD_SELECT_GROUP,
                          IDD_COPYING,        IDD_INSERT_DISKETTE,    IDD_READING,
                          IDD_COMPLETE,       IDD_NOT_COMPLETE,       IDD_SPLASH,
                          IDD_FOLDER_BROWSER, IDD_INSTALL_CONDITIONS, IDD_ERROR,
                          IDD_REMOVE_CONFIRM, IDD_REMOVING,           IDD_REMOVED,
                          IDD_REGISTERING,    IDD_UNREGISTERING};

// Used in place of "%app title%" and "%app setup%" when measuring texts.
const char* const kSampleTitle = "Sample Application 2.0";
const char* const kSampleSetup = "Sample Application 2.0 Setup";

std::string Substitute(std::string text) {
    const std::pair<const char*, const char*> pairs[] = {{"%app title%", kSampleTitle},
                                                         {"%app setup%", kSampleSetup}};
    for (const auto& [placeholder, value] : pairs) {
        size_t at = 0;
        while ((at = text.find(placeholder, at)) != std::string::npos) {
            text.replace(at, std::strlen(placeholder), value);
            at += std::strlen(value);
        }
    }
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

// A template shown modeless in the program's colours, with sample titles put in.
class CShownTemplate {
public:
    explicit CShownTemplate(int id) : m_dialog(id) {
        SetDialogColors(kDialogBackground, kDialogText);
        if (!m_dialog.Create()) {
            return;
        }
        m_dialog.SetTitle(Substitute(m_dialog.GetTitle()));
        for (HWND child : Children(m_dialog.GetHandle())) {
            const std::string text = gui::WindowText(child);
            if (text.find('%') != std::string::npos) {
                ::SetWindowTextA(child, Substitute(text).c_str());
            }
        }
        m_dialog.CenterWindow();
        ::ShowWindow(m_dialog.GetHandle(), SW_SHOWNORMAL);
        gui::PumpMessagesFor(100);
    }
    HWND Get() const { return m_dialog.GetHandle(); }

private:
    CDialogBox m_dialog;
};

struct ExpectedControl {
    int dialog;
    int id;
    const char* kind; // window class
    const char* text; // nullptr: not checked
    bool visible;
};

const std::string kWelcome =
    "Welcome to %app title%.\n\nThis Setup program will install %app title% on your computer. "
    "Full installation instructions will be provided.\n\nTo quit the Setup program at any "
    "time, choose Cancel Setup.\n\nTo install %app title%, choose Continue.";
const std::string kFolder =
    "Setup copies the %app title% files to the following directory, which it will create on "
    "your hard disk.\n\nTo specify a different location, delete the current location. Then "
    "type the drive and folder where you'd like %app title% to be installed.";
const std::string kRemove =
    "You have chosen to remove %app title%.\n\nIf you continue, this Setup program will remove "
    "%app title% from your computer. \n\nTo remove %app title%, choose Continue.\n\nTo keep  "
    "%app title%, choose Cancel Setup.";

const ExpectedControl kControls[] = {
    {IDD_WELCOME, IDC_PAGE_TEXT, "Static", kWelcome.c_str(), true},
    {IDD_WELCOME, IDOK, "Button", "&Continue", true},
    {IDD_WELCOME, IDCANCEL, "Button", "Cancel Setup", true},
    {IDD_SELECT_FOLDER, IDC_PAGE_TEXT, "Static", kFolder.c_str(), true},
    {IDD_SELECT_FOLDER, IDC_LOCATION, "Edit", "", true},
    {IDD_SELECT_FOLDER, IDC_BROWSE, "Button", "&Browse...", true},
    {IDD_SELECT_FOLDER, IDOK, "Button", "Continue", true},
    {IDD_SELECT_FOLDER, IDCANCEL, "Button", "Cancel Setup", true},
    {IDD_SELECT_GROUP, IDC_PAGE_TEXT, "Static",
     "This Setup program will create the %app title% program icon. Please select a program "
     "manager group.",
     true},
    {IDD_SELECT_GROUP, IDC_NEW_GROUP, "Button", "Create &new group:", true},
    {IDD_SELECT_GROUP, IDC_EXISTING_GROUP, "Button", "Use &existing group:", true},
    {IDD_SELECT_GROUP, IDC_GROUP_NAME, "Edit", "", true},
    {IDD_SELECT_GROUP, IDC_GROUP_LIST, "ListBox", nullptr, true},
    {IDD_SELECT_GROUP, IDOK, "Button", "Continue", true},
    {IDD_SELECT_GROUP, IDCANCEL, "Button", "Cancel Setup", true},
    {IDD_COPYING, IDCANCEL, "Button", "Cancel", true},
    {IDD_COPYING, IDC_SOURCE_FILE, "Static", "", true},
    {IDD_COPYING, IDC_DESTINATION_FILE, "Static", "", true},
    {IDD_COPYING, IDC_GAUGE, "Static", nullptr, true},
    {IDD_INSERT_DISKETTE, IDC_DISKETTE_TEXT, "Static", nullptr, true},
    {IDD_INSERT_DISKETTE, IDOK, "Button", "OK", true},
    {IDD_INSERT_DISKETTE, IDCANCEL, "Button", "Cancel", true},
    {IDD_COMPLETE, IDC_PAGE_TEXT, "Static", "%app title% Installation is complete.", true},
    {IDD_COMPLETE, IDOK, "Button", "OK", true},
    {IDD_NOT_COMPLETE, IDC_PAGE_TEXT, "Static",
     "%app title% has NOT been properly installed. You should run this setup procedure again "
     "in its entirety.",
     true},
    {IDD_NOT_COMPLETE, IDOK, "Button", "OK", true},
    {IDD_FOLDER_BROWSER, IDC_FD_LOCATION_LABEL, "Static", "Program Location:", true},
    {IDD_FOLDER_BROWSER, IDC_RESULT_LOCATION, "Static", "", true},
    {IDD_FOLDER_BROWSER, IDC_NEW_SUBDIRECTORY, "Edit", "", true},
    {IDD_FOLDER_BROWSER, IDC_FD_DIRECTORIES, "ListBox", nullptr, true},
    {IDD_FOLDER_BROWSER, IDC_FD_DRIVES, "ComboBox", nullptr, true},
    {IDD_FOLDER_BROWSER, IDOK, "Button", "OK", true},
    {IDD_FOLDER_BROWSER, IDCANCEL, "Button", "Cancel", true},
    {IDD_FOLDER_BROWSER, IDC_FD_FILE_NAME, "Edit", nullptr, false},
    {IDD_FOLDER_BROWSER, IDC_FD_FILE_LIST, "ListBox", nullptr, false},
    {IDD_FOLDER_BROWSER, IDC_FD_TYPE_COMBO, "ComboBox", nullptr, false},
    {IDD_FOLDER_BROWSER, IDC_FD_TYPE_LABEL, "Static", nullptr, false},
    {IDD_FOLDER_BROWSER, IDC_FD_CURRENT_DIR, "Static", nullptr, false},
    {IDD_FOLDER_BROWSER, IDC_FD_READ_ONLY, "Button", "&Read Only", false},
    {IDD_FOLDER_BROWSER, IDC_FD_HELP, "Button", "&Help", false},
    {IDD_INSTALL_CONDITIONS, IDC_PAGE_TEXT, "Static", "Cannot install  %app title%.", true},
    {IDD_INSTALL_CONDITIONS, IDC_CONDITIONS_TEXT, "Static",
     "This Setup program cannot install %app title% on your computer, because the following "
     "requirements are not met by your computer:",
     true},
    {IDD_INSTALL_CONDITIONS, IDC_CONDITIONS_LIST, "ListBox", nullptr, true},
    {IDD_INSTALL_CONDITIONS, IDC_CONDITIONS_ICON, "Static", nullptr, true},
    {IDD_INSTALL_CONDITIONS, IDOK, "Button", "&Continue", true},
    {IDD_ERROR, IDOK, "Button", "OK", true},
    {IDD_ERROR, IDCANCEL, "Button", "Cancel", true},
    {IDD_ERROR, IDC_MORE, "Button", "&More>>", true},
    {IDD_ERROR, IDC_MESSAGE, "Static", "Cannot Perform Operation:", true},
    {IDD_ERROR, IDC_ERROR_ICON, "Static", nullptr, true},
    {IDD_ERROR, IDC_SHORT_TEXT, "Static", "An unspecified error has occurred.", true},
    {IDD_ERROR, IDC_FOLD_MARKER, "Static", "", false},
    {IDD_ERROR, IDC_LONG_TEXT, "Edit", "", true},
    {IDD_ERROR, IDC_ERROR_CODE, "Static", "Error Information", true},
    {IDD_REMOVE_CONFIRM, IDC_PAGE_TEXT, "Static", kRemove.c_str(), true},
    {IDD_REMOVE_CONFIRM, IDOK, "Button", "&Continue", true},
    {IDD_REMOVE_CONFIRM, IDCANCEL, "Button", "Cancel Setup", true},
    {IDD_REMOVING, IDCANCEL, "Button", "Cancel", true},
    {IDD_REMOVING, IDC_SOURCE_FILE, "Static", "", true},
    {IDD_REMOVING, IDC_REMOVING_FILE, "Static", "", true},
    {IDD_REMOVED, IDC_PAGE_TEXT, "Static", "%app title% has been removed from your computer.",
     true},
    {IDD_REMOVED, IDOK, "Button", "OK", true},
    {IDD_REGISTERING, IDOK, "Button", "OK", true},
    {IDD_UNREGISTERING, IDOK, "Button", "OK", true},
};

// Texts of controls without an id of their own that the template must show.
const std::pair<int, const char*> kLabels[] = {
    {IDD_SELECT_FOLDER, "&Location:"},
    {IDD_COPYING, "Source File:"},
    {IDD_COPYING, "Destination File:"},
    {IDD_READING, "Reading Setup information. Please wait."},
    {IDD_FOLDER_BROWSER, "New &Subdirectory:"},
    {IDD_FOLDER_BROWSER, "&Directories:"},
    {IDD_FOLDER_BROWSER, "Dri&ves:"},
    {IDD_ERROR, "Further Information:"},
    {IDD_ERROR, "Error Information:"},
    {IDD_REMOVING, "Removing File:"},
    {IDD_REGISTERING, "Registering components..."},
    {IDD_UNREGISTERING, "Unregistering components..."},
};

const std::pair<int, const char*> kTitles[] = {
    {IDD_WELCOME, "Welcome"},
    {IDD_SELECT_FOLDER, "Select Folder"},
    {IDD_SELECT_GROUP, "Select Program Group"},
    {IDD_COPYING, "%app setup%"},
    {IDD_INSERT_DISKETTE, "Insert Diskette"},
    {IDD_READING, "%app setup%"},
    {IDD_COMPLETE, "%app setup%"},
    {IDD_NOT_COMPLETE, "%app setup%"},
    {IDD_FOLDER_BROWSER, "Open"},
    {IDD_INSTALL_CONDITIONS, "Install Conditions"},
    {IDD_ERROR, "Warning"},
    {IDD_REMOVE_CONFIRM, "%app setup%"},
    {IDD_REMOVING, "%app setup%"},
    {IDD_REMOVED, "%app setup%"},
    {IDD_REGISTERING, "%app setup%"},
    {IDD_UNREGISTERING, "%app setup%"},
};

TEST(DialogTemplates, ControlsHaveTheirKindsTextsAndVisibility) {
    for (const ExpectedControl& c : kControls) {
        CDialogBox dialog(c.dialog);
        ASSERT_TRUE(dialog.Create()) << c.dialog;
        HWND control = dialog.GetItem(c.id);
        ASSERT_NE(nullptr, control) << c.dialog << "/" << c.id;
        EXPECT_STRCASEEQ(c.kind, ClassOf(control).c_str()) << c.dialog << "/" << c.id;
        if (c.text != nullptr) {
            EXPECT_EQ(c.text, gui::WindowText(control)) << c.dialog << "/" << c.id;
        }
        const bool visible = (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
        EXPECT_EQ(c.visible, visible) << c.dialog << "/" << c.id;
    }
}

TEST(DialogTemplates, LabelsAndTitles) {
    for (const auto& [id, label] : kLabels) {
        CDialogBox dialog(id);
        ASSERT_TRUE(dialog.Create()) << id;
        bool found = false;
        for (HWND child : Children(dialog.GetHandle())) {
            found = found || gui::WindowText(child) == label;
        }
        EXPECT_TRUE(found) << id << ": " << label;
    }
    for (const auto& [id, title] : kTitles) {
        CDialogBox dialog(id);
        ASSERT_TRUE(dialog.Create()) << id;
        EXPECT_EQ(title, dialog.GetTitle()) << id;
    }
}

TEST(DialogTemplates, StylesTheProgramRelieson) {
    struct Case {
        int dialog;
        int id;
        LONG bits;
    };
    const Case cases[] = {
        {IDD_SELECT_GROUP, IDC_GROUP_LIST, LBS_SORT},
        {IDD_ERROR, IDC_LONG_TEXT, ES_MULTILINE | ES_READONLY | WS_VSCROLL},
        {IDD_ERROR, IDC_SHORT_TEXT, SS_CENTER},
        {IDD_ERROR, IDC_ERROR_ICON, SS_ICON},
        {IDD_INSTALL_CONDITIONS, IDC_CONDITIONS_ICON, SS_ICON},
        {IDD_SELECT_GROUP, IDC_NEW_GROUP, BS_AUTORADIOBUTTON},
        {IDD_SELECT_GROUP, IDC_EXISTING_GROUP, BS_AUTORADIOBUTTON},
    };
    for (const Case& c : cases) {
        CDialogBox dialog(c.dialog);
        ASSERT_TRUE(dialog.Create()) << c.dialog;
        const LONG style = ::GetWindowLongA(dialog.GetItem(c.id), GWL_STYLE);
        EXPECT_EQ(c.bits, style & c.bits) << c.dialog << "/" << c.id;
    }
    // Pages start hidden: the program shows them once they are placed.
    for (int id : kTemplates) {
        CDialogBox dialog(id);
        ASSERT_TRUE(dialog.Create()) << id;
        EXPECT_FALSE(::IsWindowVisible(dialog.GetHandle())) << id;
    }
}

TEST(DialogTemplates, EveryTemplateUsesMsSansSerifEightPoint) {
    for (int id : kTemplates) {
        CDialogBox dialog(id);
        ASSERT_TRUE(dialog.Create()) << id;
        const auto font =
            reinterpret_cast<HFONT>(::SendMessageA(dialog.GetHandle(), WM_GETFONT, 0, 0));
        ASSERT_NE(nullptr, font) << id;
        LOGFONTA info{};
        ASSERT_NE(0, ::GetObjectA(font, sizeof info, &info)) << id;
        EXPECT_STREQ("MS Sans Serif", info.lfFaceName) << id;
        CWindowDc screen(nullptr);
        const int expected = -::MulDiv(8, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
        EXPECT_EQ(expected, info.lfHeight) << id;
    }
}

// Whether the control's text fits its control in the dialog's font; explains when not.
std::string CheckTextFits(HWND control) {
    const std::string kind = ClassOf(control);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    if ((style & WS_VISIBLE) == 0) {
        return {};
    }
    const std::string text = gui::WindowText(control);
    if (text.empty()) {
        return {};
    }
    RECT client{};
    ::GetClientRect(control, &client);
    CWindowDc dc(control);
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    CSelectObject selected(dc.Get(), font);
    RECT needed{0, 0, client.right, 0};
    if (_stricmp(kind.c_str(), "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) {
            return {};
        }
        UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
        if (style & SS_NOPREFIX) {
            format |= DT_NOPREFIX;
        }
        ::DrawTextA(dc.Get(), text.c_str(), -1, &needed, format);
    } else if (_stricmp(kind.c_str(), "Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        // Push buttons draw the text inside a border; check boxes and radio buttons beside
        // their box.
        const bool pushButton = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
        const int margin = pushButton ? 8 : 18;
        needed.right = 0;
        ::DrawTextA(dc.Get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        needed.right += margin;
        if (needed.right > client.right) {
            return "'" + text + "' needs " + std::to_string(needed.right) + " px, has " +
                   std::to_string(client.right);
        }
        return {};
    } else {
        return {};
    }
    if (needed.bottom > client.bottom || needed.right > client.right) {
        return "'" + text + "' needs " + std::to_string(needed.right) + "x" +
               std::to_string(needed.bottom) + " px, has " + std::to_string(client.right) + "x" +
               std::to_string(client.bottom);
    }
    return {};
}

TEST(DialogTemplates, NoTextIsCutOffAndScreenshotsAreWritten) {
    for (int id : kTemplates) {
        CShownTemplate shown(id);
        ASSERT_NE(nullptr, shown.Get()) << id;
        for (HWND child : Children(shown.Get())) {
            const std::string problem = CheckTextFits(child);
            EXPECT_TRUE(problem.empty())
                << "dialog " << id << " control " << ::GetDlgCtrlID(child) << ": " << problem;
        }
        // The splash template alone is an empty box: its picture comes from the profile's
        // bitmap, so its screenshot (setup-splash.png) is taken from the running program.
        if (id == IDD_SPLASH) {
            continue;
        }
        EXPECT_TRUE(
            gui::SaveWindowPng(shown.Get(), gui::ScreenshotPath("dialog-" + std::to_string(id))))
            << id;
    }
}

TEST(DialogTemplates, DialogsShowTheProgramBackground) {
    CShownTemplate shown(IDD_WELCOME);
    ASSERT_NE(nullptr, shown.Get());
    gui::PumpMessagesFor(200);
    COLORREF colour = 0;
    // The client area's corner is not covered by any control.
    ASSERT_TRUE(gui::ScreenPixel(shown.Get(), 2, 2, colour));
    EXPECT_EQ(kDialogBackground, colour);
}

#ifdef SHOW_DIALOG_EXE
// The harness against a program of its own: find its dialog by template id, read it,
// press its buttons, see it end.
TEST(GuiHarness, DrivesADialogInAnotherProcess) {
    struct Case {
        int button;
        DWORD exitCode;
    };
    for (const Case& c : {Case{IDOK, 5}, Case{IDCANCEL, 2}}) {
        gui::CTestProcess process;
        ASSERT_TRUE(process.Start(SHOW_DIALOG_EXE, std::to_string(IDD_NOT_COMPLETE) + " 5"));
        HWND dialog = gui::WaitForDialog(process.GetId(), IDD_NOT_COMPLETE, 10000);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(IDD_NOT_COMPLETE, gui::CurrentDialogId(process.GetId()));
        EXPECT_EQ("%app setup%", gui::WindowText(dialog));
        EXPECT_EQ("OK", gui::ControlText(dialog, IDOK));
        EXPECT_EQ(nullptr, gui::FindDialog(process.GetId(), IDD_WELCOME));
        EXPECT_EQ(0, gui::CurrentDialogId(::GetCurrentProcessId()));
        if (c.button == IDCANCEL) {
            ASSERT_TRUE(gui::PressKey(dialog, VK_ESCAPE));
        } else {
            ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
        }
        EXPECT_TRUE(gui::WaitForWindowGone(dialog, 10000));
        DWORD exitCode = 0;
        ASSERT_TRUE(process.Wait(10000, &exitCode));
        EXPECT_EQ(c.exitCode, exitCode);
    }
}

TEST(GuiHarness, WaitsEndInsteadOfHanging) {
    gui::CTestProcess process;
    ASSERT_TRUE(process.Start(SHOW_DIALOG_EXE, std::to_string(IDD_WELCOME)));
    ASSERT_NE(nullptr, gui::WaitForDialog(process.GetId(), IDD_WELCOME, 10000));
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(nullptr, gui::WaitForDialog(process.GetId(), IDD_COMPLETE, 300));
    EXPECT_FALSE(gui::WaitForCurrentDialog(process.GetId(), IDD_COMPLETE, 300));
    EXPECT_FALSE(process.Wait(300));
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_FALSE(gui::ClickButton(::GetDesktopWindow(), 12345));
    process.Kill();
    EXPECT_FALSE(process.IsRunning());
}

TEST(GuiHarness, ProgramWithUnknownTemplateEnds) {
    gui::CTestProcess process;
    ASSERT_TRUE(process.Start(SHOW_DIALOG_EXE, "12345"));
    DWORD exitCode = 0;
    ASSERT_TRUE(process.Wait(10000, &exitCode));
    EXPECT_EQ(3u, exitCode);
}
#endif

} // namespace
