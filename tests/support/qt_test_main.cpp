// Shared main() for GoogleTest programs that need a QApplication: defaults to the offscreen
// platform, because test discovery runs the binary at build time without the test environment.
#include "testdefaults.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    zelvaro::test::applyEnvironmentDefaults();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
