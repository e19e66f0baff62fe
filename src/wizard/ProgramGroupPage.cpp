#include "wizard/ProgramGroupPage.h"

#include <optional>
#include <string>

#include "engine/ProgramManager.h"
#include "resources/resource.h"
#include "wizard/GroupChoice.h"
#include "wizard/Wizard.h"
#include "wizard/WizardContext.h"

BOOL CProgramGroupPage::OnInitDialog() {
    // The controls are filled before the page start-up shows the page, so that it never
    // appears half filled while Program Manager answers.
    CWizardContext& app = WizardContext();
    m_groupList = GetItem(IDC_GROUP_LIST);
    CheckRadio(IDC_NEW_GROUP, IDC_EXISTING_GROUP, IDC_NEW_GROUP);
    if (!app.IsUnattended()) {
        // The conversation ends with the object; the list box sorts the names.
        CProgramManager programManager;
        programManager.ListGroups(m_groupList);
    }
    // Without existing groups there is nothing to choose: the choice is not offered.
    const bool hasGroups =
        m_groupList != nullptr && ::SendMessageA(m_groupList, LB_GETCOUNT, 0, 0) > 0;
    EnableItem(IDC_EXISTING_GROUP, hasGroups);
    // Also in an unattended run: the profile's group name is the one to use there.
    SetItemText(IDC_GROUP_NAME, app.GetProgramGroup());
    CheckRadio(IDC_NEW_GROUP, IDC_EXISTING_GROUP, IDC_NEW_GROUP);
    return CTextPage::OnInitDialog();
}

bool CProgramGroupPage::OnCommand(int id, int code, HWND control) {
    if (id == IDC_GROUP_LIST && code == LBN_SELCHANGE) {
        CheckRadio(IDC_NEW_GROUP, IDC_EXISTING_GROUP, IDC_EXISTING_GROUP);
        return true;
    }
    if (id == IDC_GROUP_NAME && code == EN_CHANGE) {
        CheckRadio(IDC_NEW_GROUP, IDC_EXISTING_GROUP, IDC_NEW_GROUP);
        return true;
    }
    return CTextPage::OnCommand(id, code, control);
}

void CProgramGroupPage::OnOK() {
    CWizardContext& app = WizardContext();
    GroupChoiceInput input;
    input.newGroup = IsChecked(IDC_NEW_GROUP) || !IsChecked(IDC_EXISTING_GROUP);
    input.typedName = GetItemText(IDC_GROUP_NAME);
    input.unattended = app.IsUnattended();
    const LRESULT selected =
        m_groupList != nullptr ? ::SendMessageA(m_groupList, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (selected != LB_ERR) {
        const LRESULT length = ::SendMessageA(m_groupList, LB_GETTEXTLEN, selected, 0);
        if (length != LB_ERR) {
            std::string text(static_cast<std::size_t>(length) + 1, '\0');
            const LRESULT copied = ::SendMessageA(m_groupList, LB_GETTEXT, selected,
                                                  reinterpret_cast<LPARAM>(text.data()));
            text.resize(copied != LB_ERR ? static_cast<std::size_t>(copied) : 0);
            input.selectedGroup = text;
        }
    }
    const std::optional<std::string> name = ChooseProgramGroup(input);
    if (!name.has_value()) {
        // The page is incomplete: the field that lacks the choice gets the focus.
        ::MessageBeep(MB_OK);
        if (HWND field = GetItem(input.newGroup ? IDC_GROUP_NAME : IDC_GROUP_LIST)) {
            ::SetFocus(field);
        }
        return;
    }
    app.SetProgramGroup(*name);
    app.LogUnattended("Continue with the program group:", *name);
    GoToPage(GetNextPageId());
}
