#include "engine/class_registry.h"

#include <algorithm>

#include "engine/engine_errors.h"

namespace {
std::vector<const TClassInfo*>& Registry() {
  static std::vector<const TClassInfo*> registry;
  return registry;
}
}  // namespace

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &ancestor) return true;
  return false;
}

std::unique_ptr<TObject> TClassInfo::Create() const {
  CLIENT_ASSERT(factory_ != nullptr, ("Class " + name_ + " cannot be created").c_str());
  return factory_();
}

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info("TObject", nullptr, nullptr);
  return info;
}

void RegisterClass(const TClassInfo& info) {
  auto& registry = Registry();
  if (GetClass(info.ClassName()) == nullptr) registry.push_back(&info);
}

void UnRegisterClass(const TClassInfo& info) {
  auto& registry = Registry();
  registry.erase(std::remove(registry.begin(), registry.end(), &info), registry.end());
}

const TClassInfo* GetClass(const std::string& name) {
  for (const TClassInfo* info : Registry())
    if (info->ClassName() == name) return info;
  return nullptr;
}

const TClassInfo& FindClass(const std::string& name) {
  const TClassInfo* info = GetClass(name);
  if (!info) RaiseClassNotFound(name);
  return *info;
}

CLIENT_DEFINE_CLASS(TPersistent, TObject)

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  RaiseAssignError("nil", ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const {
  RaiseAssignError(ClassName(), dest->ClassName());
}

std::string TPersistent::GetNamePath() const {
  std::string path = ClassName();
  if (const TPersistent* owner = GetOwner()) {
    const std::string owner_path = owner->GetNamePath();
    if (!owner_path.empty()) path = owner_path + "." + path;
  }
  return path;
}
