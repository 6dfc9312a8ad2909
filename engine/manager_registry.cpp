#include "engine/manager_registry.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

#include "engine/engine_errors.h"

namespace {
std::vector<TComponent*>& Managers() {
  static std::vector<TComponent*> managers;
  return managers;
}
}  // namespace

int RegisterManager(TComponent* manager) {
  auto& list = Managers();
  auto it = std::find(list.begin(), list.end(), manager);
  if (it != list.end()) return static_cast<int>(it - list.begin());
  list.push_back(manager);
  return static_cast<int>(list.size()) - 1;
}

void DeRegisterManager(TComponent* manager) {
  auto& list = Managers();
  list.erase(std::remove(list.begin(), list.end(), manager), list.end());
}

TComponent* FindManager(const TClassInfo& managerClass, const std::string& name) {
  for (TComponent* manager : Managers())
    if (manager->InheritsFrom(managerClass) && manager->GetName() == name) return manager;
  return nullptr;
}

void WriteTextFile(const std::string& fileName, const std::string& text) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out) throw EFOpenError("Cannot create file \"" + fileName + "\"");
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string ReadTextFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int64_t FileSizeOf(const std::string& fileName) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) return 0;
  const auto size = std::filesystem::file_size(fileName, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}
