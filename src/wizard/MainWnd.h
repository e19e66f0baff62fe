// CMainWnd: the background window that covers the screen behind the wizard's pages.
//
// A frame without caption bar, maximized (minimized in unattended mode), painted with a
// blue-to-black gradient and the setup's title. On a display with a palette the window
// builds a palette of its own: the system's default entries followed by a gradient over the
// free entries. Destroying it ends the program.
#pragma once

#include <windows.h>

#include <string>

#include "framework/FrameWindow.h"
#include "framework/WinHandles.h"

class CMainWnd : public CFrameWindow {
public:
    CMainWnd() = default;

    // Creates the window with the caption and shows it (minimized when unattended).
    // Returns false when the window cannot be created.
    bool CreateMain(const std::string& caption, bool unattended);

    // The background palette, or nullptr (displays without a palette get plain colours).
    HPALETTE GetPalette() const { return m_palette.Get(); }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void CreatePalette();
    // Selects and realizes the palette in the window's context; true when colours changed.
    bool RealizePalette();
    void Paint();

    std::string m_caption;
    CPaletteHandle m_palette;
    int m_active = 0;
};
