// The lab programs' main. A program whose every test skipped (no root, no network namespaces, a
// missing peer) exits 77, so ctest shows it as skipped rather than passed.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const testing::UnitTest& run = *testing::UnitTest::GetInstance();
    if (result == 0 && run.test_to_run_count() > 0 &&
        run.skipped_test_count() == run.test_to_run_count()) {
        return 77;
    }
    return result;
}
