#include <gtest/gtest.h>

#include <QApplication>

// Every test binary runs under a real QApplication on the platform the environment names
// (offscreen in ctest). Listing tests needs no display, so none is opened for it.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
