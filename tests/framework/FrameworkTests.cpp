// The framework layer under Wine: dialogs from templates (modal and modeless), data
// exchange, the lifetime of self-owned dialogs, the exception boundary of every window
// procedure, the frame window, the application's message loop and the dialog colours.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/DialogBox.h"
#include "framework/DialogColors.h"
#include "framework/FrameWindow.h"
#include "framework/WinHandles.h"
#include "framework/WindowProperty.h"
#include "test_dialogs.h"

namespace {

// An application object that records what reaches its exception hook.
class CRecordingApp : public CApplication {
public:
    int exceptions = 0;
    UINT lastMessage = 0;
    std::string lastWhat;
    LRESULT answer = 0;
    std::function<bool(CRecordingApp&)> init;
    int exitCalls = 0;

    bool InitInstance() override { return init ? init(*this) : true; }
    int ExitInstance() override {
        ++exitCalls;
        return CApplication::ExitInstance();
    }
    LRESULT ProcessWndProcException(std::exception_ptr error, const MSG& message) override {
        ++exceptions;
        lastMessage = message.message;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            lastWhat = e.what();
        } catch (...) {
            lastWhat = "?";
        }
        return answer;
    }
};

// The test form: every kind of control that data exchange knows.
class CFormDialog : public CDialogBox {
public:
    explicit CFormDialog(int templateId = IDD_TEST_FORM) : CDialogBox(templateId) {}

    std::string text = "hello";
    int number = 42;
    bool check = true;
    int radio = 1;
    int listIndex = 2;
    std::string listText;
    bool exchangeListText = false;
    std::function<void(CFormDialog&)> onInit;
    int okCalls = 0;

protected:
    BOOL OnInitDialog() override {
        for (const char* entry : {"alpha", "beta", "gamma"}) {
            ::SendMessageA(GetItem(IDC_TEST_LIST), LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(entry));
        }
        const BOOL result = CDialogBox::OnInitDialog();
        if (onInit) {
            onInit(*this);
        }
        return result;
    }
    void OnOK() override {
        ++okCalls;
        CDialogBox::OnOK();
    }
    void DoDataExchange(CDataExchange& exchange) override {
        exchange.Text(IDC_TEST_EDIT, text);
        exchange.Number(IDC_TEST_NUMBER, number);
        exchange.Check(IDC_TEST_CHECK, check);
        exchange.Radio(IDC_TEST_RADIO_A, IDC_TEST_RADIO_C, radio);
        if (exchangeListText) {
            exchange.ListText(IDC_TEST_LIST, listText);
        } else {
            exchange.ListIndex(IDC_TEST_LIST, listIndex);
        }
    }
};

void PostCommand(HWND window, int id) {
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void PostKey(HWND control, UINT key) {
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

int ListSelection(const CDialogBox& dialog) {
    return static_cast<int>(::SendMessageA(dialog.GetItem(IDC_TEST_LIST), LB_GETCURSEL, 0, 0));
}

// A thread timer that ends a message loop which would otherwise wait for ever.
class CLoopGuard {
public:
    explicit CLoopGuard(UINT ms) : m_timer(::SetTimer(nullptr, 0, ms, Expired)) {}
    ~CLoopGuard() { ::KillTimer(nullptr, m_timer); }
    static constexpr int kExpiredCode = 99;

private:
    static void CALLBACK Expired(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(kExpiredCode); }
    UINT_PTR m_timer;
};

TEST(DialogBox, LoadWritesMembersIntoControls) {
    CFormDialog dialog;
    std::string edit, number;
    bool checked = false, radioB = false;
    int selected = -5;
    dialog.onInit = [&](CFormDialog& d) {
        edit = d.GetItemText(IDC_TEST_EDIT);
        number = d.GetItemText(IDC_TEST_NUMBER);
        checked = d.IsChecked(IDC_TEST_CHECK);
        radioB = d.IsChecked(IDC_TEST_RADIO_B) && !d.IsChecked(IDC_TEST_RADIO_A);
        selected = ListSelection(d);
        PostCommand(d.GetHandle(), IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("hello", edit);
    EXPECT_EQ("42", number);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(radioB);
    EXPECT_EQ(2, selected);
}

TEST(DialogBox, OkReadsControlsIntoMembers) {
    CFormDialog dialog;
    dialog.onInit = [](CFormDialog& d) {
        d.SetItemText(IDC_TEST_EDIT, "changed text");
        d.SetItemText(IDC_TEST_NUMBER, " -17 ");
        ::SendMessageA(d.GetItem(IDC_TEST_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
        d.CheckRadio(IDC_TEST_RADIO_A, IDC_TEST_RADIO_C, IDC_TEST_RADIO_C);
        ::SendMessageA(d.GetItem(IDC_TEST_LIST), LB_SETCURSEL, 0, 0);
        PostCommand(d.GetHandle(), IDOK);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ("changed text", dialog.text);
    EXPECT_EQ(-17, dialog.number);
    EXPECT_FALSE(dialog.check);
    EXPECT_EQ(2, dialog.radio);
    EXPECT_EQ(0, dialog.listIndex);
    EXPECT_EQ(nullptr, dialog.GetHandle());
}

TEST(DialogBox, ListTextSelectsAndReadsEntries) {
    CFormDialog dialog;
    dialog.exchangeListText = true;
    dialog.listText = "beta";
    int selectedOnLoad = -5;
    dialog.onInit = [&](CFormDialog& d) {
        selectedOnLoad = ListSelection(d);
        ::SendMessageA(d.GetItem(IDC_TEST_LIST), LB_SETCURSEL, 2, 0);
        PostCommand(d.GetHandle(), IDOK);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(1, selectedOnLoad);
    EXPECT_EQ("gamma", dialog.listText);

    // No selection reads as "", and an unknown text selects nothing.
    CFormDialog none;
    none.exchangeListText = true;
    none.listText = "delta";
    none.onInit = [&](CFormDialog& d) {
        selectedOnLoad = ListSelection(d);
        PostCommand(d.GetHandle(), IDOK);
    };
    EXPECT_EQ(IDOK, none.DoModal());
    EXPECT_EQ(LB_ERR, selectedOnLoad);
    EXPECT_EQ("", none.listText);
}

TEST(DialogBox, ItemHelpersActOnlyOnExistingControls) {
    CFormDialog dialog;
    ASSERT_TRUE(dialog.Create());
    constexpr int kMissing = 4711;
    ::SendMessageA(dialog.GetItem(IDC_TEST_LIST), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ("", dialog.GetListSelText(IDC_TEST_LIST));
    ::SendMessageA(dialog.GetItem(IDC_TEST_LIST), LB_SETCURSEL, 1, 0);
    EXPECT_EQ("beta", dialog.GetListSelText(IDC_TEST_LIST));
    EXPECT_EQ("", dialog.GetListSelText(kMissing));

    EXPECT_TRUE(dialog.EnableItem(IDC_TEST_EDIT, false));
    EXPECT_FALSE(::IsWindowEnabled(dialog.GetItem(IDC_TEST_EDIT)));
    EXPECT_FALSE(dialog.EnableItem(kMissing, true));

    // Longer than any fixed buffer would hold.
    const std::string longText(700, 'x');
    dialog.SetItemTextFormat(IDC_TEST_EDIT, "%s|%d%%", longText.c_str(), 42);
    EXPECT_EQ(longText + "|42%", dialog.GetItemText(IDC_TEST_EDIT));
    dialog.SetItemTextFormat(kMissing, "%d", 1);

    HFONT font = static_cast<HFONT>(::GetStockObject(ANSI_FIXED_FONT));
    dialog.SetItemFont(IDC_TEST_STATIC, font);
    EXPECT_EQ(reinterpret_cast<LRESULT>(font),
              ::SendMessageA(dialog.GetItem(IDC_TEST_STATIC), WM_GETFONT, 0, 0));
    dialog.SetItemFont(kMissing, font);
    dialog.DestroyWindow();
}

TEST(DialogBox, InvalidNumberKeepsDialogOpenAndMembersUnchanged) {
    struct Case {
        const char* input;
    };
    for (const Case& c : {Case{"12x"}, Case{""}, Case{"99999999999"}, Case{"- 3"}}) {
        CFormDialog dialog;
        dialog.onInit = [&](CFormDialog& d) {
            d.SetItemText(IDC_TEST_NUMBER, c.input);
            d.SetItemText(IDC_TEST_EDIT, "edited");
            PostCommand(d.GetHandle(), IDOK);
            PostCommand(d.GetHandle(), IDCANCEL);
        };
        EXPECT_EQ(IDCANCEL, dialog.DoModal()) << c.input;
        EXPECT_EQ(1, dialog.okCalls) << c.input;
        EXPECT_EQ(42, dialog.number) << c.input;
    }
}

TEST(DialogBox, KeysReachTheDialogManager) {
    struct Case {
        UINT key;
        INT_PTR result;
    };
    for (const Case& c : {Case{VK_ESCAPE, IDCANCEL}, Case{VK_RETURN, IDOK}}) {
        CFormDialog dialog;
        dialog.onInit = [&](CFormDialog& d) { PostKey(d.GetItem(IDC_TEST_EDIT), c.key); };
        EXPECT_EQ(c.result, dialog.DoModal()) << c.key;
    }
}

TEST(DialogBox, UnknownTemplateFailsCleanly) {
    CFormDialog modal(12345);
    EXPECT_EQ(-1, modal.DoModal());
    CFormDialog modeless(12345);
    EXPECT_FALSE(modeless.Create());
    EXPECT_FALSE(modeless.IsAlive());
}

TEST(DialogBox, WindowKnowsItsObjectAndTemplateOnlyWhileAlive) {
    CFormDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND window = dialog.GetHandle();
    EXPECT_EQ(IDD_TEST_FORM, GetDialogTemplateId(window));
    EXPECT_EQ(&dialog, CDialogBox::FromHandle(window));
    EXPECT_EQ(IDD_TEST_FORM, dialog.GetTemplateId());
    dialog.DestroyWindow();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(nullptr, dialog.GetHandle());
}

TEST(DialogBox, ObjectGoingFirstTakesItsWindowAlong) {
    HWND window = nullptr;
    {
        CFormDialog dialog;
        ASSERT_TRUE(dialog.Create());
        window = dialog.GetHandle();
    }
    EXPECT_FALSE(::IsWindow(window));
}

// A modeless dialog that owns itself and logs the order of events.
class CSelfOwnedDialog : public CDialogBox {
public:
    CSelfOwnedDialog(std::vector<std::string>& log, int templateId = IDD_TEST_FORM)
        : CDialogBox(templateId), m_log(log) {}
    ~CSelfOwnedDialog() override { m_log.push_back("deleted"); }
    std::function<void(CSelfOwnedDialog&)> onAction;

protected:
    bool OnCommand(int id, int /*code*/, HWND /*control*/) override {
        if (id != IDC_TEST_ACTION) {
            return false;
        }
        m_log.push_back("action-start");
        if (onAction) {
            onAction(*this);
        }
        m_log.push_back(IsAlive() ? "action-end-alive" : "action-end-gone");
        return true;
    }
    void OnCancel() override {
        m_log.push_back("cancel");
        DestroyWindow();
    }
    void PostNcDestroy() override {
        m_log.push_back("post-nc-destroy");
        delete this;
    }

private:
    std::vector<std::string>& m_log;
};

using Log = std::vector<std::string>;

TEST(ModelessDialog, DestroyedFromOutsideDeletesItselfAtOnce) {
    Log log;
    auto* dialog = new CSelfOwnedDialog(log);
    ASSERT_TRUE(dialog->Create());
    ::DestroyWindow(dialog->GetHandle());
    EXPECT_EQ((Log{"post-nc-destroy", "deleted"}), log);
}

TEST(ModelessDialog, HandlerDestroyingItsWindowKeepsObjectUntilItReturns) {
    Log log;
    auto* dialog = new CSelfOwnedDialog(log);
    ASSERT_TRUE(dialog->Create());
    HWND window = dialog->GetHandle();
    dialog->onAction = [](CSelfOwnedDialog& d) { d.DestroyWindow(); };
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TEST_ACTION, BN_CLICKED), 0);
    EXPECT_EQ((Log{"action-start", "action-end-gone", "post-nc-destroy", "deleted"}), log);
}

TEST(ModelessDialog, CancelDuringPumpingWorkStepWaitsForTheStep) {
    Log log;
    auto* dialog = new CSelfOwnedDialog(log);
    ASSERT_TRUE(dialog->Create());
    HWND window = dialog->GetHandle();
    dialog->onAction = [&](CSelfOwnedDialog& d) {
        // A long work step that keeps the interface alive; Escape arrives meanwhile.
        PostKey(d.GetItem(IDC_TEST_EDIT), VK_ESCAPE);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!CApplication::PreTranslate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
        log.push_back(d.IsInHandler() ? "still-in-handler" : "not-in-handler");
    };
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TEST_ACTION, BN_CLICKED), 0);
    EXPECT_EQ((Log{"action-start", "cancel", "still-in-handler", "action-end-gone",
                   "post-nc-destroy", "deleted"}),
              log);
}

TEST(ModelessDialog, FailedCreateLeavesObjectToCaller) {
    Log log;
    auto* dialog = new CSelfOwnedDialog(log, 12345);
    EXPECT_FALSE(dialog->Create());
    EXPECT_TRUE(log.empty());
    delete dialog;
    EXPECT_EQ((Log{"deleted"}), log);
}

TEST(ExceptionBoundary, DialogHandlerExceptionReachesApplicationHook) {
    CRecordingApp app;
    app.answer = 0;
    Log log;
    auto* dialog = new CSelfOwnedDialog(log);
    ASSERT_TRUE(dialog->Create());
    HWND window = dialog->GetHandle();
    dialog->onAction = [](CSelfOwnedDialog&) { throw std::runtime_error("boom"); };
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TEST_ACTION, BN_CLICKED), 0);
    EXPECT_EQ(1, app.exceptions);
    EXPECT_EQ(static_cast<UINT>(WM_COMMAND), app.lastMessage);
    EXPECT_EQ("boom", app.lastWhat);
    EXPECT_TRUE(::IsWindow(window));
    // The dialog goes on working after the exception.
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ("deleted", log.back());
}

TEST(ExceptionBoundary, StoppedEvenWithoutApplicationObject) {
    ASSERT_EQ(nullptr, CApplication::Get());
    Log log;
    auto* dialog = new CSelfOwnedDialog(log);
    ASSERT_TRUE(dialog->Create());
    HWND window = dialog->GetHandle();
    dialog->onAction = [](CSelfOwnedDialog&) { throw 7; };
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TEST_ACTION, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindow(window));
    dialog->DestroyWindow();
}

// A frame window that records its messages.
class CTestFrame : public CFrameWindow {
public:
    bool failCreate = false;
    bool sawCreate = false;
    int postNcDestroy = 0;

protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message == WM_CREATE) {
            sawCreate = true;
            result = failCreate ? -1 : 0;
            return true;
        }
        if (message == WM_APP) {
            throw std::runtime_error("frame");
        }
        return false;
    }
    void PostNcDestroy() override { ++postNcDestroy; }
};

const CFrameWindow::ClassInfo kTestFrameClass{"SetupTestFrame", CS_HREDRAW | CS_VREDRAW, nullptr,
                                              nullptr, nullptr};

TEST(FrameWindow, CreateReachesObjectAndDestroyRunsPostNcDestroy) {
    CTestFrame frame;
    ASSERT_TRUE(frame.Create(kTestFrameClass, "frame", WS_OVERLAPPEDWINDOW));
    EXPECT_TRUE(frame.sawCreate);
    HWND window = frame.GetHandle();
    EXPECT_EQ(&frame, CFrameWindow::FromHandle(window));
    EXPECT_EQ("frame", [&] {
        char text[32] = {};
        ::GetWindowTextA(window, text, sizeof text);
        return std::string(text);
    }());
    frame.DestroyWindow();
    EXPECT_EQ(1, frame.postNcDestroy);
    EXPECT_FALSE(frame.IsAlive());
}

TEST(FrameWindow, RefusedCreationReportsFailureWithoutPostNcDestroy) {
    CTestFrame frame;
    frame.failCreate = true;
    EXPECT_FALSE(frame.Create(kTestFrameClass, "frame", WS_OVERLAPPEDWINDOW));
    EXPECT_TRUE(frame.sawCreate);
    EXPECT_EQ(0, frame.postNcDestroy);
    EXPECT_FALSE(frame.IsAlive());
}

TEST(FrameWindow, ExceptionResultComesFromApplicationHook) {
    CRecordingApp app;
    app.answer = 1234;
    CTestFrame frame;
    ASSERT_TRUE(frame.Create(kTestFrameClass, "frame", WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(1234, ::SendMessageA(frame.GetHandle(), WM_APP, 0, 0));
    EXPECT_EQ(1, app.exceptions);
    EXPECT_EQ("frame", app.lastWhat);
}

TEST(Application, DestroyingMainWindowEndsTheLoop) {
    CRecordingApp app;
    CTestFrame frame;
    app.init = [&](CRecordingApp& a) {
        if (!frame.Create(kTestFrameClass, "main", WS_OVERLAPPEDWINDOW)) {
            return false;
        }
        a.SetMainWindow(frame.GetHandle());
        ::PostMessageA(frame.GetHandle(), WM_CLOSE, 0, 0);
        return true;
    };
    CLoopGuard guard(5000);
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(1, app.exitCalls);
    EXPECT_EQ(nullptr, app.GetMainWindow());
}

TEST(Application, QuitCodeBecomesExitCode) {
    CRecordingApp app;
    CTestFrame frame;
    app.init = [&](CRecordingApp& a) {
        frame.Create(kTestFrameClass, "main", WS_OVERLAPPEDWINDOW);
        a.SetMainWindow(frame.GetHandle());
        ::PostQuitMessage(7);
        return true;
    };
    CLoopGuard guard(5000);
    EXPECT_EQ(7, app.Run());
    EXPECT_EQ(1, app.exitCalls);
}

TEST(Application, NoMainWindowEndsAtOnce) {
    CRecordingApp app;
    app.init = [](CRecordingApp&) { return true; };
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(1, app.Run());
    EXPECT_LT(::GetTickCount() - start, 2000u);
    EXPECT_EQ(1, app.exitCalls);
}

TEST(Application, RefusedStartSkipsTheLoop) {
    CRecordingApp app;
    app.init = [](CRecordingApp&) { return false; };
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(1, app.exitCalls);
}

TEST(Application, ExceptionInStartIsReportedAndEndsTheRun) {
    CRecordingApp app;
    app.init = [](CRecordingApp&) -> bool { throw std::runtime_error("start"); };
    EXPECT_EQ(1, app.Run());
    EXPECT_EQ(1, app.exceptions);
    EXPECT_EQ("start", app.lastWhat);
    EXPECT_EQ(1, app.exitCalls);
}

TEST(Application, LoopHandsKeystrokesToModelessDialog) {
    CRecordingApp app;
    Log log;
    app.init = [&](CRecordingApp& a) {
        auto* page = new CSelfOwnedDialog(log);
        if (!page->Create()) {
            delete page;
            return false;
        }
        a.SetMainWindow(page->GetHandle());
        ::ShowWindow(page->GetHandle(), SW_SHOW);
        PostKey(page->GetItem(IDC_TEST_EDIT), VK_ESCAPE);
        return true;
    };
    CLoopGuard guard(5000);
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ((Log{"cancel", "post-nc-destroy", "deleted"}), log);
}

TEST(DialogColors, StaticsAndDialogGetTheProgramColours) {
    SetDialogColors(kDialogBackground, kDialogText);
    CFormDialog dialog;
    ASSERT_TRUE(dialog.Create());
    CMemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    struct Case {
        UINT message;
        int control;
        bool programColours;
    };
    const Case cases[] = {
        {WM_CTLCOLORDLG, 0, true},
        {WM_CTLCOLORSTATIC, IDC_TEST_STATIC, true},
        {WM_CTLCOLORBTN, IDOK, true},
        {WM_CTLCOLOREDIT, IDC_TEST_EDIT, false},
        {WM_CTLCOLORLISTBOX, IDC_TEST_LIST, false},
    };
    for (const Case& c : cases) {
        ::SetBkColor(dc.Get(), RGB(1, 2, 3));
        ::SetTextColor(dc.Get(), RGB(4, 5, 6));
        HWND control = c.control != 0 ? dialog.GetItem(c.control) : dialog.GetHandle();
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageA(dialog.GetHandle(), c.message, reinterpret_cast<WPARAM>(dc.Get()),
                           reinterpret_cast<LPARAM>(control)));
        if (c.programColours) {
            EXPECT_EQ(kDialogBackground, ::GetBkColor(dc.Get())) << c.message;
            EXPECT_EQ(kDialogText, ::GetTextColor(dc.Get())) << c.message;
            LOGBRUSH info{};
            ASSERT_NE(0, ::GetObjectA(brush, sizeof info, &info)) << c.message;
            EXPECT_EQ(kDialogBackground, info.lbColor) << c.message;
        } else {
            EXPECT_NE(kDialogBackground, ::GetBkColor(dc.Get())) << c.message;
        }
    }
    ResetDialogColors();
    ::SetBkColor(dc.Get(), RGB(1, 2, 3));
    ::SendMessageA(dialog.GetHandle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                   reinterpret_cast<LPARAM>(dialog.GetItem(IDC_TEST_STATIC)));
    EXPECT_NE(kDialogBackground, ::GetBkColor(dc.Get()));
}

TEST(WindowHandles, CloseWhatTheyOwnAndLetGoOnDetach) {
    HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
    HFONT font = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    ASSERT_NE(nullptr, window);
    ASSERT_NE(nullptr, font);
    {
        CWindowHandle ownedWindow(window);
        CFontHandle ownedFont(font);
        CFontHandle moved(std::move(ownedFont));
        EXPECT_FALSE(ownedFont);
        EXPECT_EQ(font, moved.Get());
    }
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(0u, ::GetObjectType(font));

    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    {
        CBrushHandle owned(brush);
        EXPECT_EQ(brush, owned.Detach());
    }
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), ::GetObjectType(brush));
    ::DeleteObject(brush);
}

} // namespace
