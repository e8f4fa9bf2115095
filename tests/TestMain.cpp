// The tests' entry point. The framework's pump and the patch run need the one application
// object that a real program has.
#include "CaseTrace.h"

#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {
CWinApp g_testApp;

// After each failure, the table cases it happened in.
class CaseTracePrinter : public testing::EmptyTestEventListener {
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed())
            return;
        for (const std::string& what : CaseTrace::Stack())
            std::printf("  in case: %s\n", what.c_str());
        std::fflush(stdout);
    }
};
} // namespace

// The tests create and delete the CD's top-level names (C:\Docs, C:\Tools, ...) at drive roots.
// They run only in the private Wine prefix that the test scripts make and mark.
const char kSandboxMarker[] = "C:\\install-tests-sandbox.marker";

int main(int argc, char** argv) {
    if (::GetFileAttributesA(kSandboxMarker) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr,
                     "These tests delete folders such as C:\\Docs and C:\\Tools; they run only in "
                     "the private Wine prefix of scripts/test.sh, which holds %s. Not started.\n",
                     kSandboxMarker);
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new CaseTracePrinter);
    return RUN_ALL_TESTS();
}
