#include "wizard/PageTable.h"

namespace {

const PageInfo kPages[] = {
    // id, next (install), next (removal), substitutes 1034, handles work message
    {kWelcomePage, kReadingPage, kReadingPage, true, true},
    {kReadingPage, kInstallConditionsPage, kRemovingPage, false, true},
    {kInstallConditionsPage, kSelectFolderPage, kSelectFolderPage, false, true},
    {kSelectFolderPage, kProgramGroupPage, kProgramGroupPage, true, true},
    {kProgramGroupPage, kCopyPage, kCopyPage, true, true},
    {kCopyPage, kRegisteringPage, kRegisteringPage, false, true},
    {kRegisteringPage, kCompletePage, kCompletePage, false, true},
    {kCompletePage, kEndOfRun, kEndOfRun, true, true},
    {kNotCompletePage, kEndOfRun, kEndOfRun, true, true},
    {kRemoveConfirmPage, kReadingPage, kReadingPage, true, false},
    {kRemovingPage, kUnregisteringPage, kUnregisteringPage, false, true},
    {kUnregisteringPage, kRemovedPage, kRemovedPage, false, true},
    {kRemovedPage, kEndOfRun, kEndOfRun, true, true},
};

} // namespace

const PageInfo* FindPageInfo(int pageId) {
    for (const PageInfo& info : kPages) {
        if (info.id == pageId) {
            return &info;
        }
    }
    return nullptr;
}

int InitialNextPageId(int pageId, bool removalMode) {
    const PageInfo* info = FindPageInfo(pageId);
    if (info == nullptr) {
        return 0;
    }
    return removalMode ? info->nextRemoval : info->nextInstall;
}

std::vector<int> AllPageIds() {
    std::vector<int> ids;
    for (const PageInfo& info : kPages) {
        ids.push_back(info.id);
    }
    return ids;
}

int InstallConditionsNextPage(bool ignoreConditions) {
    return ignoreConditions ? kSelectFolderPage : kNotCompletePage;
}
