// The Insert Diskette prompt under Wine: its texts, OK that waits for the file (flash and
// beep while it is missing), Cancel and Escape, and the prompt as the locator shows it.
//
// The dialog runs modally on a thread of its own; the test drives it from the main thread
// through the GUI harness as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "GuiHarness.h"
#include "TempDir.h"
#include "engine/DisketteLocator.h"
#include "engine/InsertDisketteDialog.h"
#include "profile/DisketteRecord.h"

namespace {

constexpr DWORD kTimeout = 10000;

// Something modal running on its own thread; its result once it has returned.
class CModal {
public:
    explicit CModal(std::function<INT_PTR()> run)
        : m_thread([this, run] {
              m_result = run();
              m_done = true;
          }) {}
    ~CModal() {
        // Never leave a dialog behind: a failed test cancels it.
        if (!gui::WaitUntil([this] { return m_done.load(); }, 100)) {
            if (HWND dialog = gui::FindDialog(0, kInsertDisketteTemplate)) {
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        }
        m_thread.join();
    }
    HWND WaitForDialog() const { return gui::WaitForDialog(0, kInsertDisketteTemplate, kTimeout); }
    INT_PTR Result() const {
        return gui::WaitUntil([this] { return m_done.load(); }, kTimeout) ? m_result.load() : -2;
    }
    bool Done() const { return m_done; }

private:
    std::atomic<INT_PTR> m_result{-2};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
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

TEST(InsertDisketteDialog, TextsAndCentring) {
    const std::string label = "Program Disk";
    const struct {
        const std::string* label;
        const char* text;
        const char* screenshot;
    } cases[] = {
        {&label,
         "Please insert the diskette labelled 'Program Disk' in drive A:", "insert-diskette-label"},
        {nullptr, "Please insert diskette 2 in drive A:", "insert-diskette-number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CModal modal([&] {
            CInsertDisketteDialog dialog("A:\\SETUP.MF2", 2, c.label, nullptr);
            return dialog.DoModal();
        });
        HWND dialog = modal.WaitForDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(gui::WindowText(dialog), "Insert Diskette");
        EXPECT_EQ(gui::ControlText(dialog, kInsertDisketteTextId), c.text);
        RECT area{};
        RECT window{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        ::GetWindowRect(dialog, &window);
        EXPECT_LE(std::abs((window.left + window.right) - (area.left + area.right)), 2);
        EXPECT_LE(std::abs((window.top + window.bottom) - (area.top + area.bottom)), 2);
        EXPECT_TRUE(gui::SaveWindowPng(dialog, gui::ScreenshotPath(c.screenshot)));
        ASSERT_TRUE(gui::ClickButton(dialog, IDCANCEL));
        EXPECT_EQ(modal.Result(), IDCANCEL);
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

// The setup's prompt behind the locator: the label comes from the diskettes, the prompt waits
// in the source directory, Escape gives up and OK with the file present finds it.
TEST(InsertDisketteDialog, LocatorPrompt) {
    TempDir dir;
    DisketteArray diskettes;
    diskettes.Set(2, DisketteRecord{"Data Disk", ""});
    CInsertDiskettePrompt prompt(diskettes, nullptr);
    for (const bool insert : {false, true}) {
        SCOPED_TRACE(insert ? "inserted" : "given up");
        CFilePath source = dir.Path().string() + "\\";
        CModal modal([&] {
            CDisketteLocator locator(source, prompt);
            return static_cast<INT_PTR>(locator.Locate("DATA.MF2", 2));
        });
        HWND dialog = modal.WaitForDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(gui::ControlText(dialog, kInsertDisketteTextId),
                  "Please insert the diskette labelled 'Data Disk' in drive " +
                      CFilePath(source).GetDrive() + ":");
        if (insert) {
            WriteBytes(dir.File("DATA.MF2"), {1});
            ASSERT_TRUE(gui::ClickButton(dialog, IDOK));
        } else {
            ASSERT_TRUE(gui::PressKey(dialog, VK_ESCAPE));
        }
        EXPECT_EQ(modal.Result(), insert ? 1 : 0);
    }
}

} // namespace
