// show_dialog: shows one dialog template of the setup program by id, as a modeless dialog
// in the program's colours, until OK or Cancel closes it. Used by the GUI tests to look at
// any template in a process of its own.
//   show_dialog <template id> [exit code]
// OK ends the program with the exit code given (default 0), Cancel with 2; a template that
// cannot be made ends it with 3.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "framework/Application.h"
#include "framework/DialogBox.h"
#include "framework/DialogColors.h"

namespace {

// The code the program ends with (the quit message itself always carries 0).
int g_exitCode = 0;

class CShownDialog : public CDialogBox {
public:
    CShownDialog(int templateId, int okCode) : CDialogBox(templateId), m_okCode(okCode) {}

protected:
    BOOL OnInitDialog() override {
        CDialogBox::OnInitDialog();
        CenterWindow();
        ::ShowWindow(GetHandle(), SW_SHOW);
        return TRUE;
    }
    void OnOK() override { Close(m_okCode); }
    void OnCancel() override { Close(2); }
    void PostNcDestroy() override { delete this; }

private:
    void Close(int code) {
        g_exitCode = code;
        DestroyWindow();
    }

    int m_okCode;
};

class CShowDialogApp : public CApplication {
public:
    bool InitInstance() override {
        SetDialogColors(kDialogBackground, kDialogText);
        const std::string& line = GetCommandLineText();
        char* end = nullptr;
        const long id = std::strtol(line.c_str(), &end, 10);
        const int okCode = static_cast<int>(std::strtol(end, nullptr, 10));
        auto* dialog = new CShownDialog(static_cast<int>(id), okCode);
        if (!dialog->Create()) {
            delete dialog;
            g_exitCode = 3;
            return false;
        }
        SetMainWindow(dialog->GetHandle());
        return true;
    }
    int ExitInstance() override { return g_exitCode; }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CShowDialogApp app;
    return app.Run();
}
