// An X error that none of the toolkit's traps expected is reported and the
// process carries on; the toolkit's own traps still see their errors.
#include <gtest/gtest.h>

#include "startup/startup.h"

#include <gdk/gdkx.h>
#include <string>

namespace {

void run_loop_for(int msec)
{
    gint64 end = g_get_monotonic_time() + msec * 1000;
    while (g_get_monotonic_time() < end)
        g_main_context_iteration(nullptr, FALSE);
}

TEST(XErrors, UnexpectedErrorIsReportedNotFatal)
{
    GdkDisplay *display = gdk_display_get_default();
    ASSERT_TRUE(GDK_IS_X11_DISPLAY(display));
    survive_x_errors();
    Display *xdisplay = GDK_DISPLAY_XDISPLAY(display);

    // A trap of the toolkit's own still receives its error.
    gdk_x11_display_error_trap_push(display);
    XMapWindow(xdisplay, 0x3fffff1);
    EXPECT_NE(gdk_x11_display_error_trap_pop(display), 0);

    testing::internal::CaptureStderr();
    XMapWindow(xdisplay, 0x3fffff2);  // nobody expects this one
    XSync(xdisplay, False);
    run_loop_for(3000);  // the trap is read on a one-second timer of coarse timing
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "X error BadWindow (invalid Window parameter); carrying on\n");
}

}  // namespace
