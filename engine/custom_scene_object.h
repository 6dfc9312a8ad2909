#pragma once
// The scene node with a material: the base of every drawable. Its render
// applies the material and draws the geometry once per pass the material
// asks for (multi-pass materials and shaders).

#include <memory>

#include "engine/material.h"
#include "engine/scene_node.h"

class TGLCustomSceneObject : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TGLCustomSceneObject)
public:
  explicit TGLCustomSceneObject(TComponent* owner = nullptr);
  ~TGLCustomSceneObject() override;

  // Owned; a change of it is a change of the object's structure.
  TGLMaterial* GetMaterial() const { return FMaterial.get(); }
  // Copied into the object's own material.
  void SetMaterial(const TGLMaterial* value);

  // A change of the material is a change of the structure (drawables may
  // build their lists after it); anything else goes to the node.
  void NotifyChange(TObject* sender) override;
  // A repaint that keeps the display list; a watcher hears of the
  // material.
  void TextureMatrixChanged() override;
  // From another custom object: material and hint, then the node's part.
  void Assign(const TPersistent* source) override;
  bool Blended() const override;
  // The display list and the material's texture handles.
  void DestroyHandle() override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
  // A change of the material: the list compiled again when `listStale`
  // (drawables may build their lists after it), else a repaint.
  void MaterialChanged(bool listStale);
  // One pass of the geometry: direct-drawn (or amalgamated) objects emit it,
  // the others replay their display list.
  void DrawGeometry(TRenderContextInfo& rci);

  std::unique_ptr<TGLMaterial> FMaterial;
};

// The custom scene object that publishes its material.
class TGL3DSceneObject : public TGLCustomSceneObject {
  CLIENT_DECLARE_CLASS(TGL3DSceneObject)
public:
  using TGLCustomSceneObject::TGLCustomSceneObject;
};
