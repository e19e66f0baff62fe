#include "wizard/PageDriver.h"

#include <utility>

#include "wizard/PageTable.h"

namespace {

// A chain of pages that all decline to be shown cannot be longer than the table; more
// skips than this mean a cycle: the run goes to the not-complete page instead, and ends
// if even that is skipped.
constexpr int kMaxSkippedPages = 32;

} // namespace

WorkOutcome DecideWorkOutcome(bool failed, int deferred, int next, bool unattended) {
    WorkOutcome outcome;
    if (failed) {
        outcome.action = WorkOutcome::Action::GoTo;
        outcome.pageId = kNotCompletePage;
    } else if (deferred != 0) {
        outcome.action = WorkOutcome::Action::GoTo;
        outcome.pageId = deferred;
    } else if (next != kStayOnPage) {
        outcome.action = WorkOutcome::Action::GoTo;
        outcome.pageId = next;
    } else if (unattended) {
        outcome.action = WorkOutcome::Action::PressOk;
    }
    return outcome;
}

CPageDriver::CPageDriver(PageFactory factory, EndRun endRun)
    : m_factory(std::move(factory)), m_endRun(std::move(endRun)) {}

int CPageDriver::TakeDeferredRequest() {
    return std::exchange(m_deferred, 0);
}

void CPageDriver::PageClosed(CDriverPage* page) {
    if (m_current == page) {
        m_current = nullptr;
    }
}

void CPageDriver::GoToPage(int pageId) {
    if (m_ended) {
        return;
    }
    if (m_current != nullptr && m_current->IsWorking()) {
        if (m_deferred != kNotCompletePage) {
            m_deferred = pageId;
        }
        return;
    }

    int previous = 0;
    if (m_current != nullptr) {
        CDriverPage* old = std::exchange(m_current, nullptr);
        previous = old->GetPageId();
        old->ClosePage();
    }

    int skipped = 0;
    for (;;) {
        if (pageId == kEndOfRun) {
            m_endPageId = previous;
            m_ended = true;
            m_endRun();
            return;
        }
        CDriverPage* page = m_factory(pageId);
        if (page == nullptr) {
            // No page has that id: the run cannot go on as planned.
            page = m_factory(kNotCompletePage);
            if (page == nullptr) {
                m_ended = true;
                m_endRun();
                return;
            }
        }
        m_current = page;
        page->SetPreviousPageId(previous);
        if (page->ShouldShow() == 0) {
            pageId = page->GetNextPageId();
            m_current = nullptr;
            page->DiscardPage();
            previous = 0;
            ++skipped;
            if (skipped > 2 * kMaxSkippedPages) {
                m_ended = true;
                m_endRun();
                return;
            }
            if (skipped > kMaxSkippedPages) {
                pageId = kNotCompletePage;
            }
            continue;
        }
        try {
            page->OpenPage();
        } catch (...) {
            m_current = nullptr;
            page->DiscardPage();
            throw;
        }
        return;
    }
}
