#include <gtest/gtest.h>
#include <QApplication>

// Widget tests need one QApplication for the whole binary, created before any test runs. Listing the
// tests (CTest's discovery) needs no display, so no application is made for it.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
