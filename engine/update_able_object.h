#pragma once
// Small owned values (coordinates, colours, face properties, fog settings)
// that tell their owner when they change, so that a scene object rebuilds
// its matrix or display list and the viewer repaints.

#include <functional>

#include "engine/class_registry.h"

class TGLCoordinates;

// What a scene object does with the changes of its own values: coordinates
// go to CoordinateChanged, colours to StructureChanged. Values test their
// owner for it, which keeps them free of the scene graph's headers.
class SceneValueListener {
public:
  virtual void CoordinateChanged(TGLCoordinates* sender) = 0;
  virtual void StructureChanged() = 0;
  // The library material a material referred to has gone: the material
  // stands for itself from now on.
  virtual void LibMaterialGone() {}
  // The texture matrix of the material's library material moved. It is
  // loaded when the material is applied, never compiled into a list: the
  // object is drawn again as it stands.
  virtual void TextureMatrixChanged() = 0;

protected:
  ~SceneValueListener() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

class TGLUpdateAbleObject : public TPersistent {
  CLIENT_DECLARE_CLASS(TGLUpdateAbleObject)
public:
  explicit TGLUpdateAbleObject(TPersistent* owner = nullptr) : FOwner(owner) {}

  TPersistent* GetOwner() const override { return FOwner; }
  void SetOwner(TPersistent* owner) { FOwner = owner; }

  // Silent while an update is open; the owner (another update-able object,
  // or an update-able component) hears first, then OnNotifyChange.
  virtual void NotifyChange(TObject* sender);
  void BeginUpdate() { ++FUpdating; }
  // The last EndUpdate notifies once.
  void EndUpdate();
  int UpdateCount() const { return FUpdating; }

  TNotifyEvent OnNotifyChange;

protected:
  // The plain chain of NotifyChange, for subclasses that go somewhere
  // else first.
  void NotifyOwner();

private:
  TPersistent* FOwner;
  int FUpdating = 0;
};
