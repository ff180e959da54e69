#include <gtest/gtest.h>

#include "app/garden.h"
#include "app/keys.h"
#include "app/startup.h"

// The other keys end with a redisplay request and are tried in the window.
TEST(QuitKey, EndsTheProgramAtOnceWithStatusZero) {
    setGardenStartValues();
    EXPECT_EXIT(onKey('q', 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(onKey('Q', 0, 0), ::testing::ExitedWithCode(0), "");
    displayMode = 1;
    EXPECT_EXIT(onKey('q', 0, 0), ::testing::ExitedWithCode(0), "");
}
