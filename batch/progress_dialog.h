// The progress window of a batch. On Windows dialog 204 on a thread of its
// own, so that it answers Cancel while the batch keeps Outlook's thread busy;
// elsewhere a progress bar on the terminal with Ctrl-C as Cancel.
//
// The six operations are virtual so that a run can be driven by a double
// (tests cancel at a chosen step through it).
#pragma once

#include "batch/resource_ids.h"
#include "com/types.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace batch {

#ifdef _WIN32
using WindowHandle = HWND;
#else
using WindowHandle = void*;
#endif

// The window a batch hands to Start as the owner: the active window of the
// calling thread on Windows, none elsewhere.
WindowHandle ActiveOwnerWindow();

// A string of the progress window's table (1100-1103) as ANSI text; a string
// that cannot be found is the empty text.
std::string LoadResourceString(int32_t id);

class ProgressDialog {
public:
    ProgressDialog();
    virtual ~ProgressDialog();
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    // Shows the window; false when it cannot be shown (nothing is shown then).
    virtual bool Start(WindowHandle owner);
    virtual void SetCaption(int32_t stringId);
    virtual void SetTotal(int32_t total);
    virtual void SetPosition(int32_t done);
    virtual bool IsCancelled();
    // Closes the window; the object may be destroyed right after.
    virtual void End();

#ifdef _WIN32
    // The module whose resources hold dialog 204 (by default the module that
    // holds this code).
    static void SetModule(HINSTANCE module);
    // The dialog window while it is up (for tests); null otherwise.
    HWND Window() const {
        return dialog_;
    }

private:
    static DWORD WINAPI ThreadMain(void* param);
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_ = nullptr;
    HWND dialog_ = nullptr;
    HANDLE ready_ = nullptr;
    int32_t total_ = 0;
    std::atomic<bool> cancelled_{false};
#else
private:
    void Draw(bool force);

    bool terminal_ = false;
    bool started_ = false;
    bool waitShown_ = false;
    std::string caption_;
    int32_t total_ = 0;
    int32_t done_ = 0;
    int64_t lastDrawMs_ = 0;
    size_t lastWidth_ = 0;
#endif
};

} // namespace batch
