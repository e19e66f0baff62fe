// The page driver: keeps exactly one current page and replaces it by the next.
//
// The driver knows pages only through CDriverPage, so that the sequence logic (skipped
// pages, previous page ids, the end of the run, requests made while a work step runs) is
// the same for the real dialog pages and for the window-less pages of the unit tests.
//
// Replacing a page from inside one of its own handlers is safe in two ways:
//  - while a page's work step runs (it pumps window messages, so its buttons and Escape are
//    handled meanwhile), a request to leave it is only recorded; the work handler carries it
//    out once the step has returned, and it wins over the page the step names. A recorded
//    request for the not-complete page (a confirmed Cancel) is never replaced by a later one;
//  - otherwise the page's window is destroyed at once, and the page object deletes itself
//    only when none of its handlers is running any more (see CSetupPage).
#pragma once

#include <functional>

class CDriverPage {
public:
    virtual ~CDriverPage() = default;

    virtual int GetPageId() const = 0;
    virtual int GetNextPageId() const = 0;
    virtual void SetPreviousPageId(int id) = 0;
    // Nonzero when the page is to be shown; 0 makes the driver go on with its next page id.
    virtual int ShouldShow() = 0;
    // True while the page's work step runs.
    virtual bool IsWorking() const = 0;
    // Creates the page's window. Throws when the window cannot be created; the page object
    // stays the caller's to discard then.
    virtual void OpenPage() = 0;
    // Destroys the page's window; the page object then deletes itself when it is safe.
    virtual void ClosePage() = 0;
    // Deletes a page object whose window was never created.
    virtual void DiscardPage() = 0;
};

// What the work handler does once the work step has returned.
struct WorkOutcome {
    enum class Action { Stay, GoTo, PressOk };
    Action action = Action::Stay;
    int pageId = 0;
};

// failed: the step raised an exception (already reported); deferred: a page request made
// while the step ran (0 = none); next: the step's result (0 = stay); unattended: option B.
WorkOutcome DecideWorkOutcome(bool failed, int deferred, int next, bool unattended);

class CPageDriver {
public:
    // Constructs the page object for an id (owned by itself from then on), or nullptr when
    // the id has no page.
    using PageFactory = std::function<CDriverPage*(int pageId)>;
    // Ends the run (destroys the main window).
    using EndRun = std::function<void()>;

    CPageDriver(PageFactory factory, EndRun endRun);
    CPageDriver(const CPageDriver&) = delete;
    CPageDriver& operator=(const CPageDriver&) = delete;

    // Replaces the current page by the page with that id; -1 ends the run. While the current
    // page's work step runs the request is recorded instead (see above). An id without a page
    // leads to the not-complete page. After the run has ended, requests are ignored.
    // Throws what OpenPage throws; no page is current then.
    void GoToPage(int pageId);

    CDriverPage* GetCurrentPage() const { return m_current; }
    bool HasEnded() const { return m_ended; }
    // The page whose leaving ended the run (115, 116 or 1547 in the sequences), or 0 while
    // the run goes on or when it ended without a page (an id without a page, a cycle).
    int GetEndPageId() const { return m_endPageId; }

    // The request recorded while the current page's work step ran (0 = none); clears it.
    int TakeDeferredRequest();
    bool HasDeferredRequest() const { return m_deferred != 0; }

    // A page whose window is gone tells the driver, so that it is no longer current.
    void PageClosed(CDriverPage* page);

private:
    PageFactory m_factory;
    EndRun m_endRun;
    CDriverPage* m_current = nullptr;
    int m_deferred = 0;
    int m_endPageId = 0;
    bool m_ended = false;
};
