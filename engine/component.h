#pragma once
// The small component model the scene graph is built on: a component has an
// owner that receives its change notifications, a name, a loading state and
// free notifications (a component that refers to another one is told when
// that one goes). Ownership of memory is not the owner's business here: the
// scene node owns its children, and the types that hold a component say so
// with std::unique_ptr.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/class_registry.h"

// What the cadencer hands to each progress operation, in seconds.
struct TProgressTimes {
  double deltaTime = 0.0;
  double newTime = 0.0;
};

enum TOperation { opInsert, opRemove };

using TComponentState = std::uint8_t;
constexpr TComponentState csLoading = 1;
constexpr TComponentState csDesigning = 2;
constexpr TComponentState csDestroying = 4;

class TComponent : public TPersistent {
  CLIENT_DECLARE_CLASS(TComponent)
public:
  explicit TComponent(TComponent* owner = nullptr) : FOwner(owner) {}
  // Tells every component that asked for a free notification.
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  TPersistent* GetOwner() const override { return FOwner; }
  void SetOwnerComponent(TComponent* owner) { FOwner = owner; }

  const std::string& GetName() const { return FName; }
  virtual void SetName(const std::string& name) { FName = name; }
  std::string GetNamePath() const override { return FName; }
  std::intptr_t GetTag() const { return FTag; }
  void SetTag(std::intptr_t tag) { FTag = tag; }

  TComponentState ComponentState() const { return FState; }
  bool IsLoading() const { return (FState & csLoading) != 0; }
  bool IsDesigning() const { return (FState & csDesigning) != 0; }
  bool IsDestroying() const { return (FState & csDestroying) != 0; }
  // Streaming brackets: loading on, then Loaded once the values are read.
  void BeginLoading() { FState |= csLoading; }
  void EndLoading();
  virtual void Loaded() {}

  // Both components are told when the other one is destroyed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

protected:
  // `component` is being destroyed (opRemove): drop every reference to it.
  virtual void Notification(TComponent* component, TOperation operation) {}
  // For destructors that must see the state before their members go.
  void MarkDestroying() { FState |= csDestroying; }

private:
  TComponent* FOwner;
  std::string FName;
  std::intptr_t FTag = 0;
  TComponentState FState = 0;
  std::vector<TComponent*> FFreeNotifies;
};

// A component that takes part in the cadencer's progress.
class TGLCadenceAbleComponent : public TComponent {
  CLIENT_DECLARE_CLASS(TGLCadenceAbleComponent)
public:
  using TComponent::TComponent;
  virtual void DoProgress(const TProgressTimes& progressTimes) {}
};

// A component whose changes climb to an owner of the same kind.
class TGLUpdateAbleComponent : public TGLCadenceAbleComponent {
  CLIENT_DECLARE_CLASS(TGLUpdateAbleComponent)
public:
  using TGLCadenceAbleComponent::TGLCadenceAbleComponent;
  virtual void NotifyChange(TObject* sender);
};
