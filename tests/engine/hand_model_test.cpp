#include "engine/hand_model.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(HandModel, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(63.5L), 64);
  EXPECT_EQ(RoundHalfEven(62.5L), 62);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
}
