#include <gtest/gtest.h>

#include "primitives/support/IppTypes.h"

TEST(IppTypes, StatusCodesKeepTheirValues) {
  EXPECT_EQ(ippStsNoErr, 0);
  EXPECT_EQ(ippStsNullPtrErr, -8);
  EXPECT_EQ(ippStsSizeErr, -6);
  EXPECT_EQ(ippStsStepErr, -14);
  EXPECT_EQ(ippStsDivByZero, 6);
}
