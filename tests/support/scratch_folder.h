#pragma once
// A fixture whose tests each get a folder of their own under the test
// output folder, removed with everything in it when the test ends.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class ScratchFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
    std::string pattern = std::string(CLIENT_TEST_OUTPUT_DIR) + "/scratchXXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(::mkdtemp(buffer.data()), nullptr);
    folder = buffer.data();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string File(const std::string& name) const { return (folder / name).string(); }
  static void Write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string Read(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::filesystem::path folder;
};
