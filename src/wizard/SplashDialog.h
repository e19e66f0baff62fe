// CSplashDialog: the optional picture shown for five seconds before the wizard starts.
//
// Dialog 129 (an empty borderless pop-up) showing a bitmap file from the source directory,
// sized to the picture. After 5000 ms it starts the wizard and closes itself. The dialog owns
// itself while its window exists. Without a picture (the file does not exist) the window has
// no size at all: it only carries the timer, and nothing unpainted appears on the screen.
// A picture with a colour table is drawn with a palette of its own colours, realized when the
// splash gets the focus or another window changes the system palette.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/DialogBox.h"
#include "framework/WinHandles.h"
#include "resources/resource.h"
#include "support/DibBitmap.h"

class CSplashDialog : public CDialogBox {
public:
    static constexpr int kTemplateId = IDD_SPLASH;
    static constexpr UINT kTimerId = 1;
    static constexpr UINT kDelayMs = 5000;

    // picturePath: the bitmap file (it may be missing: then the splash has no picture);
    // whenDone: called by the timer before the splash closes (starts the wizard).
    CSplashDialog(std::string picturePath, std::function<void()> whenDone);

    // Loads the picture and creates the modeless window. Returns false (and nothing is
    // shown) when the file exists but cannot be read as a bitmap (ReadDibFile) or turned into
    // one, or the window cannot be made; the caller then still owns the object.
    bool Open();

    bool HasPicture() const { return m_picture.IsValid(); }

    // Whether a picture file that cannot be opened is reported in a message box (the default)
    // or passed over silently (unattended runs). Call before Open.
    void SetReportErrors(bool report) { m_reportErrors = report; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void PostNcDestroy() override;

private:
    bool LoadPicture();
    void FitToPicture();
    void Paint();
    // Realizes the picture's palette in the window; true when colours changed.
    bool RealizePicturePalette();

    std::string m_picturePath;
    std::function<void()> m_whenDone;
    CDibBitmap m_picture;
    CPaletteHandle m_palette;
    bool m_reportErrors = true;
};
