#include "batch/progress_dialog.h"

#include <cstdio>

#ifdef _WIN32
#include <commctrl.h>
#else
#include <chrono>
#include <csignal>
#include <unistd.h>
#endif

namespace batch {

namespace {

std::string FormatCounter(int32_t done, int32_t total) {
    std::string pattern = LoadResourceString(IDS_PROGRESS_COUNTER);
    char text[128] = {};
    // The pattern is our own string 1101, "%i of %i".
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    std::snprintf(text, sizeof text, pattern.c_str(), static_cast<int>(done),
                  static_cast<int>(total));
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return text;
}

} // namespace

#ifdef _WIN32

namespace {

HINSTANCE g_module = nullptr;

HINSTANCE Module() {
    if (g_module)
        return g_module;
    HMODULE module = nullptr;
    // The module that holds this code: the add-in DLL at home, the test
    // program here.
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Module), &module);
    return module;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Sent by End: the dialog forgets its object before it is closed, so that no
// message handled afterwards reaches an object that may be gone.
constexpr UINT kDetachMessage = WM_APP + 1;

// What the dialog thread shares with its dialog procedure: lives on the
// dialog thread's stack for the length of the modal loop.
struct DialogContext {
    ProgressDialog* object;
    HANDLE ready;
    bool initialised;
};

} // namespace

void ProgressDialog::SetModule(HINSTANCE module) {
    g_module = module;
}

WindowHandle ActiveOwnerWindow() {
    return GetActiveWindow();
}

std::string LoadResourceString(int32_t id) {
    char text[512];
    text[0] = '\0';
    int n = LoadStringA(Module(), static_cast<UINT>(id), text, sizeof text);
    if (n <= 0)
        return std::string();
    return std::string(text, static_cast<size_t>(n));
}

ProgressDialog::ProgressDialog() = default;
ProgressDialog::~ProgressDialog() = default;

bool ProgressDialog::Start(WindowHandle owner) {
    owner_ = owner;
    dialog_ = nullptr;
    cancelled_ = false;
    total_ = 0;

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);

    ready_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!ready_)
        return false;
    HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
    if (!thread) {
        CloseHandle(ready_);
        ready_ = nullptr;
        return false;
    }
    // Creating a dialog owned by a window of this thread sends messages here
    // (the owner is disabled, the active window changes): keep answering them.
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &ready_, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1)
            break;
        PumpMessages();
    }
    CloseHandle(thread);
    CloseHandle(ready_);
    ready_ = nullptr;
    // The thread signals also when the dialog could not be made; the handle
    // is written before the signal.
    return dialog_ != nullptr;
}

DWORD WINAPI ProgressDialog::ThreadMain(void* param) {
    auto* self = static_cast<ProgressDialog*>(param);
    DialogContext context = {self, self->ready_, false};
    HWND owner = self->owner_;
    INT_PTR r = DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_PROGRESS), owner, &DialogProc,
                                reinterpret_cast<LPARAM>(&context));
    // Without WM_INITDIALOG Start is still waiting: let it return false. The
    // object is not touched here, only the event that Start still holds.
    if (!context.initialised)
        SetEvent(context.ready);
    return static_cast<DWORD>(r);
}

INT_PTR CALLBACK ProgressDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* context = reinterpret_cast<DialogContext*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(context->object));
        context->initialised = true;
        context->object->dialog_ = dialog;
        SetEvent(context->ready);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            auto* self = reinterpret_cast<ProgressDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
            if (self)
                self->cancelled_ = true;
            SetDlgItemTextA(dialog, IDCANCEL, LoadResourceString(IDS_PROGRESS_WAIT).c_str());
            return TRUE;
        }
        return FALSE;
    case kDetachMessage:
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void ProgressDialog::SetCaption(int32_t stringId) {
    if (!dialog_)
        return;
    SetDlgItemTextA(dialog_, IDC_PROGRESS_CAPTION, LoadResourceString(stringId).c_str());
}

void ProgressDialog::SetTotal(int32_t total) {
    total_ = total;
    if (dialog_)
        SendDlgItemMessageA(dialog_, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0,
                            static_cast<LPARAM>(total));
    SetPosition(0);
}

void ProgressDialog::SetPosition(int32_t done) {
    if (dialog_) {
        std::string counter = FormatCounter(done, total_);
        SendDlgItemMessageA(dialog_, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(done), 0);
        SetDlgItemTextA(dialog_, IDC_PROGRESS_COUNTER, counter.c_str());
    }
    PumpMessages();
}

bool ProgressDialog::IsCancelled() {
    return cancelled_;
}

void ProgressDialog::End() {
    HWND dialog = dialog_;
    dialog_ = nullptr;
    if (!dialog)
        return;
    SendMessageA(dialog, kDetachMessage, 0, 0);
    EndDialog(dialog, IDCANCEL);
}

#else // terminal

namespace {

// Set by SIGINT while a bar is up; a second Ctrl-C finds the default action
// restored (SA_RESETHAND) and ends the process.
volatile sig_atomic_t g_interrupted = 0;
bool g_handlerInstalled = false;
struct sigaction g_previous;

extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr size_t kBarWidth = 30;

} // namespace

WindowHandle ActiveOwnerWindow() {
    return nullptr;
}

std::string LoadResourceString(int32_t id) {
    switch (id) {
    case IDS_PROGRESS_WAIT:
        return "Wait...";
    case IDS_PROGRESS_COUNTER:
        return "%i of %i";
    case IDS_PROGRESS_IMPORTING:
        return "Importing...";
    case IDS_PROGRESS_EXPORTING:
        return "Exporting...";
    default:
        return std::string();
    }
}

ProgressDialog::ProgressDialog() = default;

ProgressDialog::~ProgressDialog() {
    if (started_)
        End();
}

bool ProgressDialog::Start(WindowHandle) {
    if (started_)
        End();
    started_ = true;
    waitShown_ = false;
    caption_.clear();
    total_ = 0;
    done_ = 0;
    lastDrawMs_ = 0;
    lastWidth_ = 0;
    terminal_ = isatty(STDERR_FILENO) != 0;
    g_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    g_handlerInstalled = sigaction(SIGINT, &action, &g_previous) == 0;
    return true;
}

void ProgressDialog::SetCaption(int32_t stringId) {
    // Drawn with the total, which follows.
    caption_ = LoadResourceString(stringId);
}

void ProgressDialog::SetTotal(int32_t total) {
    total_ = total;
    SetPosition(0);
}

void ProgressDialog::SetPosition(int32_t done) {
    done_ = done;
    Draw(done == total_);
}

bool ProgressDialog::IsCancelled() {
    if (g_interrupted && !waitShown_) {
        waitShown_ = true;
        Draw(true);
    }
    return g_interrupted != 0;
}

void ProgressDialog::End() {
    if (!started_)
        return;
    started_ = false;
    if (g_handlerInstalled) {
        sigaction(SIGINT, &g_previous, nullptr);
        g_handlerInstalled = false;
    }
    if (terminal_ && lastWidth_ > 0) {
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(lastWidth_), "");
        std::fflush(stderr);
    }
    lastWidth_ = 0;
}

void ProgressDialog::Draw(bool force) {
    if (!terminal_ || !started_)
        return;
    int64_t now = NowMs();
    if (!force && now - lastDrawMs_ < 50)
        return;
    lastDrawMs_ = now;
    size_t filled = 0;
    if (total_ > 0) {
        int32_t done = done_ < 0 ? 0 : (done_ > total_ ? total_ : done_);
        filled = static_cast<size_t>(static_cast<int64_t>(done) * static_cast<int64_t>(kBarWidth) /
                                     total_);
    }
    std::string line = caption_;
    line += " [";
    line.append(filled, '#');
    line.append(kBarWidth - filled, ' ');
    line += "] ";
    line += FormatCounter(done_, total_);
    if (g_interrupted) {
        line += "  ";
        line += LoadResourceString(IDS_PROGRESS_WAIT);
    }
    size_t width = line.size();
    if (width < lastWidth_)
        line.append(lastWidth_ - width, ' ');
    lastWidth_ = line.size();
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
}

#endif

} // namespace batch
