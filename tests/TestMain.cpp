// The tests' entry point. The framework's pump and the patch run need the one application
// object that a real program has.
#include "framework/WinApp.h"

#include <gtest/gtest.h>

namespace {
CWinApp g_testApp;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
