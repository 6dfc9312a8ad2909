// Rendering of scene nodes: display lists, culling, sorting, pick names
// and the axes.
#include <algorithm>
#include <vector>

#include "engine/camera.h"
#include "engine/effects.h"
#include "engine/geometry_bb.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/plane_geometry.h"
#include "engine/scene.h"
#include "engine/scene_node.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

GLuint TGLBaseSceneObject::GetHandle(TRenderContextInfo& rci) {
  if (FListHandle && FListHandle->GetHandle() != 0 && !(FChanges & ocfStructure)) return FListHandle->GetHandle();
  ClearStructureChanged();
  if (!FListHandle) FListHandle = std::make_unique<TGLListHandle>();
  try {
    FListHandle->Compile(rci.GLStates, [&] { BuildList(rci); });
  } catch (...) {
    FChanges |= ocfStructure;
    throw;
  }
  return FListHandle->GetHandle();
}

void TGLBaseSceneObject::CallList(TRenderContextInfo& rci) {
  const GLuint name = GetHandle(rci);
  if (FListHandle && name != 0 && name == FListHandle->GetHandle())
    FListHandle->Call(rci.GLStates);
  else if (name != 0)
    GL().glCallList(name);
}

bool TGLBaseSceneObject::HasValidList() const {
  return FListHandle && FListHandle->GetHandle() != 0 && !(FChanges & ocfStructure);
}

void TGLBaseSceneObject::DestroyHandles() {
  for (TGLBaseSceneObject* child : FChildren) child->DestroyHandles();
  DestroyHandle();
}

void TGLBaseSceneObject::DestroyHandle() {
  if (FListHandle) FListHandle->DestroyHandle();
  FChanges |= ocfStructure;
}

void TGLBaseSceneObject::DecideCulling(TRenderContextInfo& rci, bool& accept, bool& renderChildren) {
  const bool hasChildren = !FChildren.empty();
  switch (rci.visibilityCulling) {
    case vcInherited:
    case vcNone:
      accept = true;
      renderChildren = hasChildren;
      break;
    case vcObjectBased:
      // The scaled radius alone: multiplying it by |Scale| again would cull
      // small objects that are in view.
      accept = (FObjectStyle & sosNoVisibilityCulling) ||
               !IsVolumeClipped(GetAbsolutePosition(), rci.rcci, BoundingSphereRadius());
      renderChildren = hasChildren;
      break;
    case vcHierarchical:
      if (FObjectStyle & sosNoVisibilityCulling) {
        accept = true;
      } else {
        TAABB box = HierarchicalAxisAlignedBox();
        AABBTransform(box, GetAbsoluteMatrix());
        accept = !IsVolumeClipped(box.Min, box.Max, rci.rcci);
      }
      renderChildren = accept && hasChildren;
      break;
    default:
      accept = true;
      renderChildren = hasChildren;
      CLIENT_ASSERT(false, "Unknown visibility culling option");
  }
}

namespace {
// Depth test off around an object that ignores the depth buffer.
class DepthTestOff {
public:
  DepthTestOff(TRenderContextInfo& rci, bool active) : rci_(rci), restore_(active && rci.GLStates.Contains(stDepthTest)) {
    if (restore_) UnSetGLState(rci_.GLStates, stDepthTest);
  }
  ~DepthTestOff() {
    if (restore_) SetGLState(rci_.GLStates, stDepthTest);
  }

private:
  TRenderContextInfo& rci_;
  bool restore_;
};
}  // namespace

void TGLBaseSceneObject::Render(TRenderContextInfo& rci) {
  if (!FVisible) return;
  bool accept = true, renderChildren = false;
  DecideCulling(rci, accept, renderChildren);

  const GLApi& gl = GL();
  gl.glPushMatrix();
  struct PopMatrix {
    ~PopMatrix() { GL().glPopMatrix(); }
  } popMatrix;
  RebuildMatrix();
  gl.glMultMatrixf(FLocalMatrix[0].V);

  const bool picking = rci.drawState == rdsPicking;
  const bool pushName = picking && rci.proxySubObject;
  if (picking) {
    if (pushName)
      gl.glPushName(FPickId);
    else
      gl.glLoadName(FPickId);
  }
  struct PopName {
    bool active;
    ~PopName() {
      if (active) GL().glPopName();
    }
  } popName{pushName};

  const bool ignoreDepth = (FObjectStyle & sosIgnoreDepthBuffer) != 0;
  if (!accept) {
    DepthTestOff depth(rci, ignoreDepth);
    DoRender(rci, false, renderChildren);
    return;
  }
  if (FShowAxes) {
    float length = 100.0f;
    if (FScene && FScene->GetCurrentCamera()) length = FScene->GetCurrentCamera()->GetDepthOfView();
    RenderAxes(rci, 0xCCCC, length);
  }
  auto renderSelf = [&] {
    {
      DepthTestOff depth(rci, ignoreDepth);
      DoRender(rci, true, renderChildren);
    }
    if (FObjectStyle & sosResetsGLStateCaches) ResetGLStateCaches();
  };
  if (!FEffects || FEffects->GetCount() == 0) {
    renderSelf();
    return;
  }
  {
    gl.glPushMatrix();
    struct Pop {
      ~Pop() { GL().glPopMatrix(); }
    } pop;
    FEffects->RenderPreEffects(rci.buffer, rci);
  }
  gl.glPushMatrix();
  struct Pop {
    ~Pop() { GL().glPopMatrix(); }
  } pop;
  renderSelf();
  FEffects->RenderPostEffects(rci.buffer, rci);
}

void TGLBaseSceneObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) {
    if ((FObjectStyle & sosDirectDraw) || rci.amalgamating)
      BuildList(rci);
    else
      CallList(rci);
  }
  if (renderChildren) RenderChildren(0, GetCount() - 1, rci);
}

void TGLBaseSceneObject::RenderChildren(int firstIndex, int lastIndex, TRenderContextInfo& rci) {
  if (FChildren.empty()) return;
  firstIndex = std::max(firstIndex, 0);
  lastIndex = std::min(lastIndex, GetCount() - 1);
  const TGLVisibilityCulling savedCulling = rci.visibilityCulling;
  if (FVisibilityCulling != vcInherited) rci.visibilityCulling = FVisibilityCulling;
  struct Restore {
    TRenderContextInfo& rci;
    TGLVisibilityCulling culling;
    TGLObjectsSorting sorting;
    ~Restore() {
      rci.visibilityCulling = culling;
      rci.objectsSorting = sorting;
    }
  } restore{rci, savedCulling, rci.objectsSorting};

  if (firstIndex == lastIndex) {
    FChildren[static_cast<size_t>(firstIndex)]->Render(rci);
    return;
  }
  if (firstIndex > lastIndex) return;
  if (FObjectsSorting != osInherited) rci.objectsSorting = FObjectsSorting;
  if (rci.objectsSorting == osNone) {
    for (int i = firstIndex; i <= lastIndex; ++i) FChildren[static_cast<size_t>(i)]->Render(rci);
    return;
  }
  CLIENT_ASSERT(rci.objectsSorting != osInherited, "Objects sorting still inherited");
  std::vector<std::pair<float, TGLBaseSceneObject*>> keyed;
  keyed.reserve(static_cast<size_t>(lastIndex + 1));
  for (int i = firstIndex; i <= lastIndex; ++i) {
    TGLBaseSceneObject* child = FChildren[static_cast<size_t>(i)];
    switch (rci.objectsSorting) {
      case osRenderFarthestFirst:
        if (child->GetVisible()) keyed.emplace_back(child->BarycenterSqrDistanceTo(rci.cameraPosition) + 1.0f, child);
        break;
      case osRenderBlendedLast:
        if (!child->Blended())
          child->Render(rci);
        else if (child->GetVisible())
          keyed.emplace_back(child->BarycenterSqrDistanceTo(rci.cameraPosition) + 1.0f, child);
        break;
      case osRenderNearestFirst:
        if (child->GetVisible())
          keyed.emplace_back(-1.0f - child->BarycenterSqrDistanceTo(rci.cameraPosition), child);
        break;
      default:
        CLIENT_ASSERT(false, "Unknown objects sorting option");
    }
  }
  // Stable, so equal keys keep their index order.
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto it = keyed.rbegin(); it != keyed.rend(); ++it) it->second->Render(rci);
}

void TGLBaseSceneObject::RenderAxes(TRenderContextInfo& rci, std::uint16_t pattern, float length) {
  const GLApi& gl = GL();
  gl.glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  gl.glDisable(GL_LIGHTING);
  gl.glEnable(GL_LINE_STIPPLE);
  if (!rci.ignoreBlendingRequests) {
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  gl.glLineWidth(1.0f);
  gl.glLineStipple(1, pattern);
  gl.glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    float dark[3] = {0, 0, 0}, bright[3] = {0, 0, 0}, end[3] = {0, 0, 0};
    dark[axis] = 0.5f;
    bright[axis] = 1.0f;
    gl.glColor3fv(dark);
    gl.glVertex3f(0, 0, 0);
    end[axis] = -length;
    gl.glVertex3fv(end);
    gl.glColor3fv(bright);
    gl.glVertex3f(0, 0, 0);
    end[axis] = length;
    gl.glVertex3fv(end);
  }
  gl.glEnd();
  gl.glPopAttrib();
}
