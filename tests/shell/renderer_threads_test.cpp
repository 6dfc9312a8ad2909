// The software renderer's thread count: set when nobody has, kept when the
// user has.
#include "shell/core/renderer_threads.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

// The variable as the test found it, put back afterwards.
class RendererThreads : public ::testing::Test {
protected:
  void SetUp() override {
    if (const char* value = std::getenv("LP_NUM_THREADS")) saved = value;
  }
  void TearDown() override {
    if (saved)
      setenv("LP_NUM_THREADS", saved->c_str(), 1);
    else
      unsetenv("LP_NUM_THREADS");
  }
  static std::optional<std::string> Value() {
    const char* value = std::getenv("LP_NUM_THREADS");
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  std::optional<std::string> saved;
};

TEST_F(RendererThreads, UnsetTheyAreLimitedAndTheUsersCountStands) {
  unsetenv("LP_NUM_THREADS");
  LimitSoftwareRendererThreads();
  const unsigned cores = std::thread::hardware_concurrency();
  EXPECT_EQ(Value(), std::to_string(SoftwareRendererThreads(cores)));
  // "0" draws on the calling thread: a choice, not an absence.
  for (const char* users : {"0", "8", ""}) {
    setenv("LP_NUM_THREADS", users, 1);
    LimitSoftwareRendererThreads();
    EXPECT_EQ(Value(), std::string(users));
  }
}

TEST_F(RendererThreads, NeverMoreThanTheCores) {
  struct Case {
    unsigned cores, threads;
  };
  for (const Case c : {Case{1, 1}, Case{2, 2}, Case{4, 4}, Case{8, 4}, Case{64, 4}, Case{0, 4}})
    EXPECT_EQ(SoftwareRendererThreads(c.cores), c.threads) << c.cores << " cores";
}

}  // namespace
