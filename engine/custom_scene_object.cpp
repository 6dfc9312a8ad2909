#include "engine/custom_scene_object.h"

#include "engine/gl_api.h"

CLIENT_DEFINE_CLASS(TGLCustomSceneObject, TGLBaseSceneObject)
CLIENT_DEFINE_CLASS(TGL3DSceneObject, TGLCustomSceneObject)

namespace {
constexpr int kMaxPassesAfterFailure = 64;
}  // namespace

TGLCustomSceneObject::TGLCustomSceneObject(TComponent* owner)
    : TGLBaseSceneObject(owner), FMaterial(std::make_unique<TGLMaterial>(this)) {}

TGLCustomSceneObject::~TGLCustomSceneObject() = default;

void TGLCustomSceneObject::SetMaterial(const TGLMaterial* value) {
  FMaterial->Assign(value);
  NotifyChange(this);
}

void TGLCustomSceneObject::NotifyChange(TObject* sender) {
  if (FMaterial && sender == FMaterial.get())
    MaterialChanged(true);
  else
    TGLBaseSceneObject::NotifyChange(sender);
}

void TGLCustomSceneObject::TextureMatrixChanged() { MaterialChanged(false); }

void TGLCustomSceneObject::MaterialChanged(bool listStale) {
  // What the material holds is applied at each render: a watcher hears of
  // it as the material's, not as a new shape.
  {
    SetMaterialNotice(true);
    struct Clear {
      TGLCustomSceneObject& object;
      ~Clear() { object.SetMaterialNotice(false); }
    } clear{*this};
    if (listStale)
      StructureChanged();
    else
      TGLBaseSceneObject::NotifyChange(FMaterial.get());
  }
  TellWatcher(TSceneObjectChange::Material);
}

void TGLCustomSceneObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCustomSceneObject*>(source)) {
    FMaterial->Assign(other->FMaterial.get());
    SetHint(other->GetHint());
  }
  TGLBaseSceneObject::Assign(source);
}

bool TGLCustomSceneObject::Blended() const { return FMaterial->Blended(); }

void TGLCustomSceneObject::DestroyHandle() {
  TGLBaseSceneObject::DestroyHandle();
  FMaterial->DestroyHandles();
}

void TGLCustomSceneObject::DrawGeometry(TRenderContextInfo& rci) {
  // Picking draws without the display list: Mesa's software selection
  // crashes replaying some compiled lists (an extrusion's, for one).
  if ((FObjectStyle & sosDirectDraw) != 0 || rci.amalgamating || rci.drawState == rdsPicking)
    BuildList(rci);
  else
    CallList(rci);
}

void TGLCustomSceneObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) {
    if (rci.ignoreMaterials) {
      DrawGeometry(rci);
    } else {
      FMaterial->Apply(rci);
      // Passes until the material's UnApply asks for no more.
      for (;;) {
        try {
          DrawGeometry(rci);
        } catch (...) {
          // Take the material off before the frame reports the failure, so
          // that the next frame starts from clean state: a shader that
          // wants more passes stays active until it has had them (bounded,
          // for one that never stops asking).
          for (int pass = 0; pass < kMaxPassesAfterFailure && FMaterial->UnApply(rci); ++pass) {
          }
          throw;
        }
        if (!FMaterial->UnApply(rci)) break;
      }
    }
  }
  if (renderChildren) RenderChildren(0, GetCount() - 1, rci);
}
