#pragma once
// An invisible container that groups and moves its children; it can
// compile them once into a display list of its own (Amalgamate) and shows
// a dashed wire cube in design mode or when asked to at run time.

#include <memory>

#include "engine/context_handle.h"
#include "engine/direct_opengl.h"
#include "engine/gl_color.h"

class TGLDummyCube : public TGLImmaterialSceneObject {
  CLIENT_DECLARE_CLASS(TGLDummyCube)
public:
  explicit TGLDummyCube(TComponent* owner = nullptr);
  ~TGLDummyCube() override;

  float GetCubeSize() const { return FCubeSize; }
  void SetCubeSize(float value);
  TGLColor* GetEdgeColor() const { return FEdgeColor.get(); }
  // Copies the colour of another colour object.
  void SetEdgeColor(const TGLColor* value);
  bool GetVisibleAtRunTime() const { return FVisibleAtRunTime; }
  void SetVisibleAtRunTime(bool value);
  bool GetAmalgamate() const { return FAmalgamate; }
  void SetAmalgamate(bool value);
  // The compiled group, 0 while there is none.
  GLuint GetGroupListHandle() const { return FGroupList->GetHandle(); }

  // CubeSize, the edge colour and VisibleAtRunTime (not Amalgamate).
  void Assign(const TPersistent* source) override;
  TVector4f BarycenterAbsolutePosition() override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  // A dummy cube is never hit.
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  void BuildList(TRenderContextInfo& rci) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  // An amalgamated group is compiled again at the next render.
  void StructureChanged() override;
  // The group list goes with the node's own (a new context must compile it).
  void DestroyHandle() override;

private:
  float FCubeSize = 1.0f;
  std::unique_ptr<TGLColor> FEdgeColor;
  bool FVisibleAtRunTime = false;
  bool FAmalgamate = false;
  std::unique_ptr<TGLListHandle> FGroupList;
};
