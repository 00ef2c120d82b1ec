// The window's state belongs to the window that startWindow made: its
// procedures find it through the windows themselves, and once endWindow has
// freed it no window that is still standing can reach it.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/running.h"
#include "app/settings.h"
#include "ui/win32/main_window.h"

namespace {

std::unique_ptr<WindowState> startHidden(Running& running)
{
    loadSettings(running.folders);
    return startWindow(running, Seams{}, SW_HIDE);
}

void dispatchWaiting(WindowState& s)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        if (message.message != WM_QUIT)
            dispatchWindowMessage(s, message);
}

} // namespace

TEST(WindowState, TheWindowAndItsViewsHoldTheRecordStartWindowReturned)
{
    Running running;
    std::unique_ptr<WindowState> shown = startHidden(running);
    WindowState* record = shown.get();
    const Widgets& w = shown->widgets;
    ASSERT_NE(w.main, nullptr);
    EXPECT_EQ(stateOf(w.main), record);
    EXPECT_EQ(stateOf(w.map), record);
    EXPECT_EQ(stateOf(w.timeline), record);
    // The system's controls keep their user data to themselves.
    EXPECT_EQ(stateOf(w.statusLabel), nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(running.jobs.mainWindow), w.main);
    DestroyWindow(w.main);
    dispatchWaiting(*shown);
    endWindow(std::move(shown), running);
}

// As when the program's start fails after the window was made: the record
// goes while the window stands. The window's messages then go to the
// system's default handling instead of to freed memory.
TEST(WindowState, AWindowStillStandingAfterTheEndNoLongerReachesTheRecord)
{
    Running running;
    std::unique_ptr<WindowState> shown = startHidden(running);
    const HWND main = shown->widgets.main, map = shown->widgets.map, timeline = shown->widgets.timeline;
    endWindow(std::move(shown), running);
    ASSERT_TRUE(IsWindow(main));
    EXPECT_EQ(stateOf(main), nullptr);
    EXPECT_EQ(stateOf(map), nullptr);
    EXPECT_EQ(stateOf(timeline), nullptr);
    // Would read the record's document and widgets were it still attached.
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(kIdPlay, 0), 0);
    SendMessageW(timeline, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(IsWindow(main));
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(main));
    // The classes could not go while their window stood.
    for (const wchar_t* name : {kMainWindowClass, kMapClass, kTimelineClass})
        UnregisterClassW(name, GetModuleHandleW(nullptr));
}
