// The Insert Diskette prompt under Wine: its texts as the locator shows it, Cancel and
// Escape, and OK that waits for the file (flash and beep while it is missing).
//
// The dialog runs modally on a thread of its own; the test drives it from the main thread
// through the GUI harness as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "GuiHarness.h"
#include "ModalThread.h"
#include "TempDir.h"
#include "engine/DisketteLocator.h"
#include "profile/DisketteRecord.h"
#include "resources/resource.h"
#include "wizard/InsertDisketteDialog.h"

namespace {

constexpr DWORD kTimeout = 10000;

// The prompt running on its own thread.
class CModal : public gui::CModalThread {
public:
    explicit CModal(std::function<INT_PTR()> run)
        : CModalThread(IDD_INSERT_DISKETTE, std::move(run), kTimeout) {}
};

// Counts the signals for a missing file.
class CCountingDialog : public CInsertDisketteDialog {
public:
    using CInsertDisketteDialog::CInsertDisketteDialog;
    std::atomic<int> signals{0};

protected:
    void SignalMissing() override {
        CInsertDisketteDialog::SignalMissing();
        ++signals;
    }
};

// The setup's prompt behind the locator: the label of the diskette or its number, the
// drive of the source directory, centred; Cancel and Escape give up.
TEST(InsertDisketteDialog, TextsAndGivingUp) {
    DisketteArray diskettes;
    diskettes.Set(2, DisketteRecord{"Program Disk", ""});
    CInsertDiskettePrompt prompt(diskettes, nullptr);
    const struct {
        std::int32_t number;
        const char* text;
        int key;
    } cases[] = {
        {2, "Please insert the diskette labelled 'Program Disk' in drive A:", 0},
        {3, "Please insert diskette 3 in drive A:", VK_ESCAPE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CFilePath source = "A:\\SETUP\\";
        CModal modal([&] {
            return static_cast<INT_PTR>(CDisketteLocator(source, prompt).Locate("X.MF", c.number));
        });
        HWND dialog = modal.WaitForDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(gui::WindowText(dialog), "Insert Diskette");
        EXPECT_EQ(gui::ControlText(dialog, IDC_DISKETTE_TEXT), c.text);
        RECT area{};
        RECT window{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        ::GetWindowRect(dialog, &window);
        EXPECT_LE(std::abs((window.left + window.right) - (area.left + area.right)), 2);
        EXPECT_LE(std::abs((window.top + window.bottom) - (area.top + area.bottom)), 2);
        EXPECT_TRUE(gui::SaveWindowPng(
            dialog, gui::ScreenshotPath("insert-diskette-" + std::to_string(c.number))));
        ASSERT_TRUE(c.key != 0 ? gui::PressKey(dialog, static_cast<UINT>(c.key))
                               : gui::ClickButton(dialog, IDCANCEL));
        EXPECT_EQ(modal.Result(), 0);
    }
}

TEST(InsertDisketteDialog, OkWaitsForTheFile) {
    TempDir dir;
    const std::string file = dir.File("DATA.MF2");
    std::atomic<CCountingDialog*> shown{nullptr};
    CModal modal([&] {
        CCountingDialog dialog(file, 2, nullptr, nullptr);
        shown = &dialog;
        const INT_PTR result = dialog.DoModal();
        shown = nullptr;
        return result;
    });
    HWND dialog = modal.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    CCountingDialog* object = shown;
    ASSERT_NE(object, nullptr);
    for (int press = 1; press <= 2; ++press) {
        ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
        EXPECT_TRUE(gui::WaitUntil([&] { return object->signals == press; }, kTimeout));
        EXPECT_FALSE(modal.Done());
        EXPECT_TRUE(::IsWindow(dialog));
    }
    WriteBytes(file, {1});
    ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
    EXPECT_EQ(modal.Result(), IDOK);
}

} // namespace
