#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Pointer and window positions are compared in physical pixels, as the program, which declares itself
    // DPI-aware, sees them.
    SetProcessDPIAware();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
