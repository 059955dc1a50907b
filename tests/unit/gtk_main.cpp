// Initialises GTK once for a test program (tests run under Xvfb).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    gtk_init(&argc, &argv);
    return RUN_ALL_TESTS();
}
