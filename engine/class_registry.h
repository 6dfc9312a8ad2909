#pragma once
// Class metadata for the engine's object model: every class that is streamed
// by name or created by class (lists, collection items, scene objects)
// carries a TClassInfo with its name, its parent and a factory that acts as
// a virtual constructor. Classes registered with RegisterClass can be found
// again by name when an archive is read.
//
//   class TFoo : public TPersistentObject {
//     CLIENT_DECLARE_CLASS(TFoo)
//   ...
//   CLIENT_DEFINE_CLASS(TFoo, TPersistentObject)   // in the .cpp
//   CLIENT_REGISTER_CLASS(TFoo)                    // when stored by name
//
// CLIENT_DECLARE_CLASS leaves the access at private, as at the start of a
// class. Registration happens during static initialisation; the registry
// itself is a function-local static, so the order of units does not matter.
// A unit's registrations run when the linker keeps that unit, which it does
// once anything in it is used.

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/base/assertion.h"

class TObject;

class TClassInfo {
public:
  using Factory = std::unique_ptr<TObject> (*)();

  TClassInfo(const char* name, const TClassInfo* parent, Factory factory)
      : name_(name), parent_(parent), factory_(factory) {}
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& ClassName() const { return name_; }
  const TClassInfo* ClassParent() const { return parent_; }
  // True for this class and every class derived from it.
  bool InheritsFrom(const TClassInfo& ancestor) const;
  // False for abstract classes and those without a default constructor.
  bool CanCreate() const { return factory_ != nullptr; }
  // Virtual constructor: a new default-constructed instance of this class.
  // An assertion failure for a class that cannot be created.
  std::unique_ptr<TObject> Create() const;

private:
  std::string name_;
  const TClassInfo* parent_;
  Factory factory_;
};

// The root of every class that has metadata.
class TObject {
public:
  virtual ~TObject() = default;
  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType().ClassName(); }
  bool InheritsFrom(const TClassInfo& ancestor) const { return ClassType().InheritsFrom(ancestor); }
  template <class T>
  bool Is() const { return InheritsFrom(T::StaticClass()); }
};

// Creates an instance of `info` and checks that it is a T (assertion otherwise).
template <class T>
std::unique_ptr<T> CreateInstanceAs(const TClassInfo& info);

// The registry of classes that archives name (the component class registry).
// Registering a class a second time, or another class of the same name, keeps
// the first one.
void RegisterClass(const TClassInfo& info);
void UnRegisterClass(const TClassInfo& info);
// nullptr when no registered class has exactly this name.
const TClassInfo* GetClass(const std::string& name);
// Like GetClass, but an unknown name raises EClassNotFound "Class <name> not found".
const TClassInfo& FindClass(const std::string& name);

namespace class_registry_detail {
template <class T>
std::unique_ptr<TObject> MakeDefault() {
  return std::make_unique<T>();
}
template <class T>
constexpr TClassInfo::Factory FactoryFor() {
  if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
    return &MakeDefault<T>;
  else
    return nullptr;
}
// Registers at static-initialisation time; unregisters at exit.
struct AutoRegister {
  explicit AutoRegister(const TClassInfo& info) : info_(info) { RegisterClass(info); }
  ~AutoRegister() { UnRegisterClass(info_); }
  const TClassInfo& info_;
};
}  // namespace class_registry_detail

#define CLIENT_DECLARE_CLASS(Name)                                        \
public:                                                                   \
  static const TClassInfo& StaticClass();                                 \
  const TClassInfo& ClassType() const override { return StaticClass(); } \
                                                                          \
private:

#define CLIENT_DEFINE_CLASS(Name, Parent)                                                      \
  const TClassInfo& Name::StaticClass() {                                                      \
    static const TClassInfo info(#Name, &Parent::StaticClass(),                                \
                                 class_registry_detail::FactoryFor<Name>());                   \
    return info;                                                                               \
  }

#define CLIENT_REGISTER_CLASS(Name) \
  static const class_registry_detail::AutoRegister client_register_##Name(Name::StaticClass())

// TPersistent: the base of objects that can be copied into each other and
// that know their owner and name path (used by the collections).
class TPersistent : public TObject {
  CLIENT_DECLARE_CLASS(TPersistent)
public:
  // Copies `source` into this object. The base raises EConvertError
  // "Cannot assign a <source> to a <this>"; subclasses accept what they can
  // copy and call the inherited Assign otherwise.
  virtual void Assign(const TPersistent* source);
  virtual TPersistent* GetOwner() const { return nullptr; }
  // The class name, after the owner's name path and a "." when there is one.
  virtual std::string GetNamePath() const;

protected:
  // Called by Assign for the reverse direction (source knows the target).
  virtual void AssignTo(TPersistent* dest) const;
};

template <class T>
std::unique_ptr<T> CreateInstanceAs(const TClassInfo& info) {
  std::unique_ptr<TObject> object = info.Create();
  if (!object->template Is<T>()) RaiseAssertion("Class is not of the expected kind", __FILE__, __LINE__);
  return std::unique_ptr<T>(static_cast<T*>(object.release()));
}
