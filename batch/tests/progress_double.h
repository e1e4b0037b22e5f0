// A progress window for the tests: records what the run tells it and
// cancels at a chosen test of the flag.
#pragma once

#include "batch/progress_dialog.h"

#include <functional>
#include <vector>

namespace batch::testing {

class ProgressDouble : public ProgressDialog {
public:
    bool Start(WindowHandle) override {
        ++starts;
        if (onStart)
            onStart();
        return !startFails;
    }
    void SetCaption(int32_t id) override { caption = id; }
    void SetTotal(int32_t t) override { total = t; }
    void SetPosition(int32_t done) override { positions.push_back(done); }
    bool IsCancelled() override {
        ++tests;
        return cancelAtTest > 0 && tests >= cancelAtTest;
    }
    void End() override { ++ends; }

    // Settings.
    bool startFails = false;
    int cancelAtTest = 0; // the n-th IsCancelled (from 1) and later say yes
    std::function<void()> onStart;

    // What the run did.
    int starts = 0;
    int ends = 0;
    int tests = 0;
    int32_t caption = 0;
    int32_t total = -1;
    std::vector<int32_t> positions;
};

} // namespace batch::testing
