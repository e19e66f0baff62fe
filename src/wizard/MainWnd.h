// CMainWnd: the background window that covers the screen behind the wizard's pages.
//
// A frame without caption bar, maximized (minimized in unattended mode), painted with a
// blue-to-black gradient and the setup's title. Destroying it ends the program.
#pragma once

#include <windows.h>

#include <string>

#include "framework/FrameWindow.h"

class CMainWnd : public CFrameWindow {
public:
    CMainWnd() = default;

    // Creates the window with the caption and shows it (minimized when unattended).
    // Returns false when the window cannot be created.
    bool CreateMain(const std::string& caption, bool unattended);

    // The background palette, or nullptr (displays without a palette get plain colours).
    HPALETTE GetPalette() const { return nullptr; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint();

    std::string m_caption;
    int m_active = 0;
};
