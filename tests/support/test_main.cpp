// Shared main() for GoogleTest programs without a GUI.
#include "testdefaults.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    zelvaro::test::applyEnvironmentDefaults();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
