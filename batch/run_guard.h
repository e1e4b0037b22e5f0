// What every run does around its work: opens and closes the progress window
// and keeps errors inside the run, so that nothing escapes into Outlook.
#pragma once

#include "batch/progress_dialog.h"
#include "com/error.h"

#include <exception>
#include <string>

namespace batch {

// The result of a run that an error ended (and of the Parts' other failures).
constexpr LONG kRunFailed = -1;

class RunGuard {
public:
    RunGuard(ProgressDialog& progress, std::string* reason)
        : progress_(progress), reason_(reason) {}
    ~RunGuard() { End(); }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    // Opens the window with its caption and total; false when it cannot be.
    bool Start(int32_t captionId, int32_t total) {
        if (!progress_.Start(ActiveOwnerWindow())) {
            *reason_ = "the progress window cannot be opened";
            return false;
        }
        started_ = true;
        progress_.SetCaption(captionId);
        progress_.SetTotal(total);
        return true;
    }

    void End() {
        if (started_) {
            started_ = false;
            progress_.End();
        }
    }

    // Runs the body; an error raised inside it gives kRunFailed, with the
    // references of the body already released by the unwinding.
    template <class Body> LONG Run(Body&& body) noexcept {
        try {
            return body();
        } catch (const com::ComError& e) {
            SetReason("Outlook error: ", e.what());
        } catch (const std::exception& e) {
            SetReason("error: ", e.what());
        } catch (...) {
            SetReason("unknown error", "");
        }
        return kRunFailed;
    }

private:
    void SetReason(const char* head, const char* text) noexcept {
        try {
            *reason_ = std::string(head) + text;
        } catch (...) {
            reason_->clear();
        }
    }

    ProgressDialog& progress_;
    std::string* reason_;
    bool started_ = false;
};

} // namespace batch
