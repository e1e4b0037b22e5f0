// The progress window under Wine: dialog 204 from the resources, its
// counter, Cancel turning into "Wait...", and the owner enabled at the end.
#include "batch/progress_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace batch {
namespace {

std::string Text(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

class ProgressDialogWin : public ::testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
    }
    void TearDown() override { DestroyWindow(owner); }
    HWND owner = nullptr;
};

TEST_F(ProgressDialogWin, CounterCancelAndEnd) {
    ProgressDialog progress;
    ASSERT_TRUE(progress.Start(owner));
    HWND dialog = progress.Window();
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(IsWindowEnabled(owner));

    progress.SetCaption(IDS_PROGRESS_EXPORTING);
    EXPECT_EQ("Exporting...", Text(dialog, IDC_PROGRESS_CAPTION));
    progress.SetTotal(10);
    EXPECT_EQ("0 of 10", Text(dialog, IDC_PROGRESS_COUNTER));
    for (int i = 1; i <= 3; ++i)
        progress.SetPosition(i);
    EXPECT_EQ("3 of 10", Text(dialog, IDC_PROGRESS_COUNTER));
    EXPECT_EQ(3, SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
    EXPECT_EQ("Cancel", Text(dialog, IDCANCEL));

    EXPECT_FALSE(progress.IsCancelled());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_EQ("Wait...", Text(dialog, IDCANCEL));
    EXPECT_TRUE(IsWindow(dialog));

    progress.End();
    EXPECT_TRUE(IsWindowEnabled(owner));
    for (int i = 0; i < 100 && IsWindow(dialog); ++i)
        Sleep(10);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(ProgressDialogWin, LargeTotalsMoveTheBarInProportion) {
    ProgressDialog progress;
    ASSERT_TRUE(progress.Start(owner));
    progress.SetTotal(200000);
    progress.SetPosition(100000);
    HWND dialog = progress.Window();
    EXPECT_EQ(100000, SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
    EXPECT_EQ(200000, SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ("100000 of 200000", Text(dialog, IDC_PROGRESS_COUNTER));
    progress.End();
}

TEST_F(ProgressDialogWin, StartReturnsFalseWhenTheDialogCannotBeMade) {
    // A module without dialog 204.
    ProgressDialog::SetModule(GetModuleHandleA("kernel32.dll"));
    ProgressDialog progress;
    EXPECT_FALSE(progress.Start(owner));
    ProgressDialog::SetModule(nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(ProgressDialogWin, RestartAfterEnd) {
    ProgressDialog progress;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(progress.Start(owner));
        EXPECT_FALSE(progress.IsCancelled());
        HWND dialog = progress.Window();
        // The button, the window's close command, and a second press.
        if (round == 1)
            SendMessageA(dialog, WM_CLOSE, 0, 0); // posts IDCANCEL to the dialog's thread
        else
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        for (int i = 0; i < 100 && !progress.IsCancelled(); ++i)
            Sleep(10);
        EXPECT_TRUE(progress.IsCancelled());
        EXPECT_EQ("Wait...", Text(dialog, IDCANCEL));
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(progress.IsCancelled());
        EXPECT_TRUE(IsWindow(dialog));
        progress.End();
    }
    EXPECT_EQ("Wait...", LoadResourceString(IDS_PROGRESS_WAIT));
    EXPECT_EQ("", LoadResourceString(4711));
}

} // namespace
} // namespace batch
