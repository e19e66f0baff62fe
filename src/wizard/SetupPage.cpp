#include "wizard/SetupPage.h"

#include "errors/Exceptions.h"
#include "framework/Application.h"
#include "report/ErrorDialog.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "wizard/PageTable.h"
#include "wizard/SubstituteText.h"
#include "wizard/Wizard.h"
#include "wizard/WizardContext.h"

namespace {

// String-table ids: the cancel question and the report of a failed work step.
constexpr unsigned kCancelQuestionString = 5;
constexpr int kCannotContinueString = 9;

HWND MainWindowOrNull() {
    CApplication* app = CApplication::Get();
    return app != nullptr ? app->GetMainWindow() : nullptr;
}

} // namespace

CSetupPage::CSetupPage(int pageId, int nextPageId)
    : CDialogBox(pageId, MainWindowOrNull()), m_pageId(pageId), m_nextPageId(nextPageId) {}

CSetupPage::~CSetupPage() {
    // The context outlives its pages (its owner destroys the windows first); without one
    // there is no driver that could still hold this page.
    if (CWizardContext* context = FindWizardContext()) {
        context->GetPageDriver().PageClosed(this);
    }
}

void CSetupPage::CenterPage() {
    CenterWindow(nullptr);
}

int CSetupPage::DoWork() {
    return kStayOnPage;
}

int CSetupPage::ConfirmCancel() {
    CWizardContext& app = WizardContext();
    std::string question = LoadStringId(kCancelQuestionString);
    SubstituteText(question, MakeTitlePairs(app.GetAppTitle(), app.GetSetupTitle()));
    if (app.IsUnattended()) {
        // Only a script can have asked for the cancel: it gets what it asked for.
        app.LogUnattended("Yes without asking:", question);
        app.NoteCancelled();
        return 1;
    }
    int answer = ::MessageBoxA(GetHandle(), question.c_str(), app.GetSetupTitle().c_str(),
                               MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        return 0;
    }
    app.NoteCancelled();
    return 1;
}

int CSetupPage::ShouldShow() {
    return 1;
}

void CSetupPage::OpenPage() {
    if (!Create()) {
        throw CResourceException();
    }
    ::UpdateWindow(GetHandle());
}

void CSetupPage::ClosePage() {
    DestroyWindow();
}

void CSetupPage::DiscardPage() {
    // Only for pages whose window was never created (or failed to be).
    delete this;
}

void CSetupPage::PostNcDestroy() {
    delete this;
}

void CSetupPage::SubstituteControlText(int controlId) {
    CWizardContext& app = WizardContext();
    std::string text = GetItemText(controlId);
    SubstituteText(text, MakeTitlePairs(app.GetAppTitle(), app.GetSetupTitle()));
    SetItemText(controlId, text);
}

BOOL CSetupPage::OnInitDialog() {
    CDialogBox::OnInitDialog();
    CWizardContext& app = WizardContext();
    std::string title = GetTitle();
    SubstituteText(title, {{kAppSetupPlaceholder, app.GetSetupTitle()}});
    SetTitle(title);
    CenterPage();
    if (app.IsUnattended() && HidesWhenUnattended()) {
        ::MoveWindow(GetHandle(), 0, 0, 0, 0, TRUE);
    }
    ::ShowWindow(GetHandle(), SW_SHOW);
    ::PostMessageA(GetHandle(), kWorkMessage, 0, 0);
    return TRUE;
}

void CSetupPage::OnOK() {
    GoToPage(m_nextPageId);
}

void CSetupPage::OnCancel() {
    // While the work step runs, a confirmed Cancel is already recorded: ask only once.
    if (m_working && GetPageDriver().HasDeferredRequest() && WizardContext().IsAborted()) {
        return;
    }
    if (ConfirmCancel() != 0) {
        GoToPage(kNotCompletePage);
        WizardContext().SetAbort();
    }
}

bool CSetupPage::OnCommand(int id, int code, HWND control) {
    if (id == IDC_BACK && code == BN_CLICKED && HasPageHandlers()) {
        m_nextPageId = m_previousPageId;
        OnOK();
        return true;
    }
    return CDialogBox::OnCommand(id, code, control);
}

bool CSetupPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!HasPageHandlers()) {
        return CDialogBox::OnMessage(message, wParam, lParam, result);
    }
    if (message == kWorkMessage) {
        RunWorkStep();
        result = 0;
        return true;
    }
    if (message == WM_ACTIVATEAPP) {
        HWND mainWindow = MainWindowOrNull();
        HPALETTE palette = WizardContext().GetMainPalette();
        if (palette != nullptr && mainWindow != nullptr) {
            HDC dc = ::GetDC(GetHandle());
            HPALETTE old = ::SelectPalette(dc, palette, FALSE);
            ::RealizePalette(dc);
            ::SelectPalette(dc, old, FALSE);
            ::ReleaseDC(GetHandle(), dc);
            ::InvalidateRect(mainWindow, nullptr, TRUE);
        }
        return false;
    }
    return CDialogBox::OnMessage(message, wParam, lParam, result);
}

void CSetupPage::RunWorkStep() {
    // The work message is posted once per page; a second one (sent by hand) changes nothing.
    if (m_workDone) {
        return;
    }
    m_workDone = true;
    CWizardContext& app = WizardContext();

    m_working = true;
    int next = kStayOnPage;
    bool failed = false;
    try {
        next = DoWork();
    } catch (const CUserException&) {
        // A cancel confirmed during the step: already answered, never reported.
        app.SetAbort();
        failed = true;
    } catch (...) {
        app.ReportFailure(kCannotContinueString, std::current_exception());
        failed = true;
    }
    m_working = false;
    if (failed) {
        app.SetAbort();
    }

    int deferred = GetPageDriver().TakeDeferredRequest();
    if (!IsAlive() || GetPageDriver().GetCurrentPage() != this) {
        // The window went during the step (the run was ended meanwhile): nothing to advance.
        return;
    }
    WorkOutcome outcome = DecideWorkOutcome(failed, deferred, next, app.IsUnattended());
    switch (outcome.action) {
    case WorkOutcome::Action::GoTo:
        GoToPage(outcome.pageId);
        break;
    case WorkOutcome::Action::PressOk:
        OnOK();
        break;
    case WorkOutcome::Action::Stay:
        break;
    }
}

BOOL CTextPage::OnInitDialog() {
    SubstituteControlText(kPageTextControl);
    return CSetupPage::OnInitDialog();
}
