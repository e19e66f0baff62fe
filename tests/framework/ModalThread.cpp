#include "ModalThread.h"

#include <utility>

#include "GuiHarness.h"

namespace gui {

namespace {
// How long the destructor lets run end by itself before it cancels the dialog.
constexpr DWORD kEndGraceMs = 100;
} // namespace

CModalThread::CModalThread(int templateId, std::function<INT_PTR()> run, DWORD timeoutMs)
    : m_templateId(templateId), m_timeoutMs(timeoutMs), m_thread([this, run = std::move(run)] {
          m_result = run();
          m_done = true;
      }) {}

CModalThread::~CModalThread() {
    if (!WaitUntil([this] { return m_done.load(); }, kEndGraceMs)) {
        if (HWND dialog = FindDialog(0, m_templateId)) {
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }
    m_thread.join();
}

HWND CModalThread::WaitForDialog() const {
    return gui::WaitForDialog(0, m_templateId, m_timeoutMs);
}

INT_PTR CModalThread::Result() const {
    return WaitUntil([this] { return m_done.load(); }, m_timeoutMs) ? m_result.load() : -2;
}

} // namespace gui
