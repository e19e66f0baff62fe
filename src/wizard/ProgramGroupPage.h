// Page 106, "Select Program Group": the Program Manager group that receives the
// application's items, either a new one (named in the edit field, proposed from the profile's
// "PM Group") or one that Program Manager already has (from its group list). Typing a name
// selects "Create new group", choosing a listed group selects "Use existing group". Continue
// replaces the program object's group name (see GroupChoice.h for when the page stays).
#pragma once

#include <windows.h>

#include "wizard/SetupPage.h"

class CProgramGroupPage : public CTextPage {
public:
    using CTextPage::CTextPage;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // Control 1007.
    HWND m_groupList = nullptr;
};
