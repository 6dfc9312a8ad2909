#include "platform/base/assertion.h"

#include <gtest/gtest.h>

TEST(Assertion, FailedAssertionRaisesWithFileAndLine) {
  const int line = __LINE__ + 2;
  try {
    CLIENT_ASSERT(1 + 1 == 3);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    const std::string m = e.Message();
    EXPECT_EQ(m.rfind("Assertion failure (", 0), 0u) << m;
    EXPECT_NE(m.find("assertion_test.cpp"), std::string::npos) << m;
    EXPECT_NE(m.find(", line " + std::to_string(line) + ")"), std::string::npos) << m;
  }
}

TEST(Assertion, OwnMessageReplacesTheDefaultAndHoldingConditionPasses) {
  EXPECT_NO_THROW(CLIENT_ASSERT(true));
  try {
    CLIENT_ASSERT(false, "Bad index");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Bad index (", 0), 0u) << e.Message();
  }
}
