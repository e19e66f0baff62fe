#include "TestWizardContext.h"

#include <stdexcept>
#include <utility>

#include "errors/DescribeException.h"
#include "wizard/PageTable.h"
#include "wizard/SetupPage.h"
#include "wizard/Wizard.h"

// A page without window: it only says which id the run went to.
class CTestWizardContext::CStandInPage : public CDriverPage {
public:
    CStandInPage(int id, int next) : m_id(id), m_next(next) {}

    int GetPageId() const override { return m_id; }
    int GetNextPageId() const override { return m_next; }
    void SetPreviousPageId(int) override {}
    int ShouldShow() override { return 1; }
    bool IsWorking() const override { return false; }
    void OpenPage() override {}
    void ClosePage() override {}
    void DiscardPage() override {}

private:
    int m_id;
    int m_next;
};

CTestWizardContext::CTestWizardContext(std::set<int> realPages)
    : m_realPages(std::move(realPages)), m_collections(m_systemFolders),
      m_driver([this](int pageId) { return MakePage(pageId); }, [this] { ++record.runEnds; }) {}

CTestWizardContext::~CTestWizardContext() {
    if (CDriverPage* page = m_driver.GetCurrentPage()) {
        page->ClosePage();
    }
}

CDriverPage* CTestWizardContext::MakePage(int pageId) {
    if (m_realPages.count(pageId) != 0) {
        return CreatePage(pageId);
    }
    record.standInPages.push_back(pageId);
    m_standIns.push_back(std::make_unique<CStandInPage>(pageId, kEndOfRun));
    return m_standIns.back().get();
}

int CTestWizardContext::CurrentPageId() const {
    const CDriverPage* page = m_driver.GetCurrentPage();
    return page != nullptr ? page->GetPageId() : 0;
}

HWND CTestWizardContext::CurrentPageWindow() const {
    // Every page of a real id was made by CreatePage, so it is a CSetupPage.
    const CDriverPage* page = m_driver.GetCurrentPage();
    if (page == nullptr || m_realPages.count(page->GetPageId()) == 0) {
        return nullptr;
    }
    return static_cast<const CSetupPage*>(page)->GetHandle();
}

LRESULT CTestWizardContext::ProcessWndProcException(std::exception_ptr error, const MSG&) {
    if (!error) {
        record.barrierExceptions.push_back("(none)");
        return 0;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        record.barrierExceptions.push_back(e.what());
    } catch (...) {
        record.barrierExceptions.push_back(DescribeCurrentException().className);
    }
    return 0;
}

void CTestWizardContext::LogUnattended(const std::string& answer, const std::string& what) const {
    if (settings.unattended) {
        record.unattendedAnswers.push_back(answer + " " + what);
    }
}

void CTestWizardContext::ReportFailure(int messageId, std::exception_ptr error) {
    ++record.failures;
    ReportedFailure report;
    report.messageId = messageId;
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (...) {
            const ExceptionDescription description = DescribeCurrentException();
            report.className = description.className;
            report.cause = description.cause;
        }
    }
    record.reports.push_back(report);
}
