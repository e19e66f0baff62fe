// CSetupPage: the base of every wizard page.
//
// A page is a modeless dialog made from the dialog template whose id is the page id. It owns
// itself from its creation until its window is gone (the framework deletes it only once no
// handler of the page is running, so a handler may safely start the next page). When it has
// appeared it posts itself the work message; its work step (DoWork) runs from there and names
// the next page. In unattended mode (option B) pages are moved and sized to nothing and
// confirm themselves after their work step.
#pragma once

#include <windows.h>

#include "framework/DialogBox.h"
#include "wizard/PageDriver.h"

class CSetupPage : public CDialogBox, public CDriverPage {
public:
    CSetupPage(int pageId, int nextPageId);
    ~CSetupPage() override;

    int GetPageId() const override { return m_pageId; }
    int GetNextPageId() const override { return m_nextPageId; }
    void SetNextPageId(int id) { m_nextPageId = id; }
    int GetPreviousPageId() const { return m_previousPageId; }
    void SetPreviousPageId(int id) override { m_previousPageId = id; }

    // Places the page; the base centres it over the screen.
    virtual void CenterPage();
    // The page's work step: the id of the page to go to, or 0 to stay. Base: 0.
    virtual int DoWork();
    // Asks whether the user really wants to stop (string 5, Yes/No); nonzero for Yes, which
    // counts the run as cancelled. Unattended, the answer is Yes without asking.
    virtual int ConfirmCancel();
    // Nonzero when the page is to be shown. Base: 1.
    int ShouldShow() override;

    bool IsWorking() const override { return m_working; }
    // Creates the window; throws CResourceException when the template cannot be made.
    void OpenPage() override;
    void ClosePage() override;
    void DiscardPage() override;

    // Replaces "%app title%" and "%app setup%" in the text of a control.
    void SubstituteControlText(int controlId);

protected:
    BOOL OnInitDialog() override;
    // Leaves the page forward: GoToPage(next page id).
    void OnOK() override;
    // Confirmed Cancel: the not-complete page, and the abort flag is set.
    void OnCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void PostNcDestroy() override;

    // Whether the page reacts to the work message, the Back button and application
    // activation. The removal confirmation page does not: it waits for Continue or Cancel.
    virtual bool HasPageHandlers() const { return true; }
    // Whether unattended mode sizes the page to nothing. A page that waits for the user
    // stays visible, or an unattended run would wait for a click on a page nobody can see.
    virtual bool HidesWhenUnattended() const { return true; }

private:
    void RunWorkStep();

    int m_pageId;
    int m_nextPageId;
    int m_previousPageId = 0;
    bool m_working = false;
    bool m_workDone = false;
};

// A page without controls of its own: control 1034's text is substituted before the page
// appears (102, 104, 106, 115, 116, 1545, 1547).
class CTextPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;

protected:
    BOOL OnInitDialog() override;
};
