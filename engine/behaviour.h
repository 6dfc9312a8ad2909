#pragma once
// Behaviours: items of a scene object's collection that act on the object
// at every progress step (the sound emitter is one). TGLBaseBehaviour is
// also the base of the object effects (engine/effects.h).

#include <string>

#include "engine/component.h"
#include "engine/xcollection.h"

class TGLBaseSceneObject;

class TGLBaseBehaviour : public TXCollectionItem {
  CLIENT_DECLARE_CLASS(TGLBaseBehaviour)
public:
  // Archive version 0, after the item's own part.
  void WriteToFiler(TVirtualWriter& writer) const override;
  // Any other version fails an assertion.
  void ReadFromFiler(TVirtualReader& reader) override;

  // The scene object that owns the owning collection; nullptr while the
  // item is in no collection.
  TGLBaseSceneObject* OwnerBaseSceneObject() const;

  virtual void DoProgress(const TProgressTimes& progressTimes) {}
};

// The item class of behaviours.
class TGLBehaviour : public TGLBaseBehaviour {
  CLIENT_DECLARE_CLASS(TGLBehaviour)
};

class TGLBehaviours : public TXCollection {
  CLIENT_DECLARE_CLASS(TGLBehaviours)
public:
  // `owner` must be a scene object (assertion failure otherwise).
  explicit TGLBehaviours(TPersistent* owner);

  const TClassInfo& ItemsClass() const override;
  // Effects are refused; otherwise the collection's own rule.
  bool CanAdd(const TClassInfo& itemClass) const override;
  // The owner's name path and ".Behaviours"; the class name without owner.
  std::string GetNamePath() const override;

  TGLBehaviour* GetBehaviour(int index) const;
  // Every behaviour's DoProgress, in order.
  void DoProgress(const TProgressTimes& progressTimes);
};
