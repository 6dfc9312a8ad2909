// The committed sample world is exactly what tools/world_generator writes,
// so the world can always be rebuilt from code.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "world_fixture.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> FilesBelow(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).string());
  }
  return files;
}

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SampleWorld, CommittedFilesAreTheGeneratorsOutput) {
  const fs::path generator = fs::path(CLIENT_TEST_OUTPUT_DIR).parent_path() / "tools/world_generator/world_generator";
  if (!fs::exists(generator)) GTEST_SKIP() << "world_generator is not built in this build tree";
  const fs::path output = fs::path(CLIENT_TEST_OUTPUT_DIR) / "generated-world";
  fs::remove_all(output);
  const std::string command = "'" + generator.string() + "' '" + output.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const fs::path committed = world_fixture::SampleWorldFolder();
  const std::set<std::string> files = FilesBelow(output);
  EXPECT_EQ(files, FilesBelow(committed));
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(Bytes(output / file) == Bytes(committed / file)) << "run: world_generator data/sample-world";
  }
}

}  // namespace
