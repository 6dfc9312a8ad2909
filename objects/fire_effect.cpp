#include "objects/fire_effect.h"

#include <algorithm>

#include "engine/binary_filer.h"
#include "engine/gl_api.h"
#include "engine/scene_buffer.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLFireFXManager, TGLCadenceAbleComponent)
CLIENT_DEFINE_CLASS(TGLBFireFX, TGLObjectPostEffect)
CLIENT_REGISTER_CLASS(TGLFireFXManager);
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TGLBFireFX);

namespace {

// The live managers, so that an effect read from a stream finds its
// manager by name. Rendering thread only.
std::vector<TGLFireFXManager*>& LiveManagers() {
  static std::vector<TGLFireFXManager*> managers;
  return managers;
}

}  // namespace

TGLFireFXManager::TGLFireFXManager(TComponent* owner)
    : TGLCadenceAbleComponent(owner),
      FPool(256),
      FFireDir(std::make_unique<TGLCoordinates>(this, TVector4f{0, 0.5f, 0, 0}, csVector)),
      FInitialDir(std::make_unique<TGLCoordinates>(this, TVector4f{0, 1, 0, 0}, csVector)),
      FInnerColor(std::make_unique<TGLColor>(this, TVector4f{1, 1, 0, 1})),
      FOuterColor(std::make_unique<TGLColor>(this, TVector4f{1, 0.5f, 0, 1})),
      FRandom(MakeFireRandom()) {
  LiveManagers().push_back(this);
  ResetParticles();
}

TGLFireFXManager::~TGLFireFXManager() {
  for (TGLBFireFX* effect : FEffects) effect->FManager = nullptr;
  FEffects.clear();
  if (FCadencer) FCadencer->UnSubscribe(this);
  auto& managers = LiveManagers();
  managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
}

void TGLFireFXManager::ResetParticles() { FPool.Reset(); }

void TGLFireFXManager::RegisterEffect(TGLBFireFX* effect) {
  if (!effect || std::find(FEffects.begin(), FEffects.end(), effect) != FEffects.end()) return;
  FEffects.push_back(effect);
  effect->FManager = this;
}

void TGLFireFXManager::UnregisterEffect(TGLBFireFX* effect) {
  if (!effect) return;
  effect->FManager = nullptr;
  FEffects.erase(std::remove(FEffects.begin(), FEffects.end(), effect), FEffects.end());
}

FireSettings TGLFireFXManager::CurrentSettings() const {
  FireSettings settings = FSettings;
  settings.FireDir = FFireDir->AsVector();
  settings.InitialDir = FInitialDir->AsVector();
  return settings;
}

void TGLFireFXManager::DoProgress(const TProgressTimes& progressTimes) {
  const TVector4f reference = FReference ? FReference->GetAbsolutePosition() : NullHmgPoint;
  FPool.Progress(progressTimes.deltaTime, CurrentSettings(), {reference[0], reference[1], reference[2], 1.0f},
                 FRandom);
  // Copied: a redraw request must not see the list change under it.
  const std::vector<TGLBFireFX*> effects = FEffects;
  for (TGLBFireFX* effect : effects)
    if (TGLBaseSceneObject* object = effect->OwnerBaseSceneObject()) object->NotifyChange(effect);
}

void TGLFireFXManager::SetCadencer(TGLCadencer* value) {
  if (value == FCadencer) return;
  if (FCadencer) FCadencer->UnSubscribe(this);
  FCadencer = value;
  if (FCadencer) {
    FCadencer->Subscribe(this);
    FreeNotification(FCadencer);
  }
}

void TGLFireFXManager::SetMaxParticles(int value) {
  if (value == FPool.MaxParticles()) return;
  FPool.Resize(value < 1 ? 0 : value);
}

void TGLFireFXManager::SetReference(TGLBaseSceneObject* value) {
  if (value == FReference) return;
  FReference = value;
  if (FReference) FreeNotification(FReference);
}

void TGLFireFXManager::SetInnerColor(const TGLColor* value) {
  if (!value || value == FInnerColor.get()) return;
  FInnerColor->Initialize(value->GetColor());
  ResetParticles();
}

void TGLFireFXManager::SetOuterColor(const TGLColor* value) {
  if (!value || value == FOuterColor.get()) return;
  FOuterColor->Initialize(value->GetColor());
  ResetParticles();
}

TGLFireFXManager* TGLFireFXManager::FindByName(const std::string& name) {
  for (TGLFireFXManager* manager : LiveManagers())
    if (manager->GetName() == name) return manager;
  return nullptr;
}

void TGLFireFXManager::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    if (component == FCadencer) FCadencer = nullptr;
    if (component == FReference) FReference = nullptr;
  }
  TGLCadenceAbleComponent::Notification(component, operation);
}

TGLBFireFX::~TGLBFireFX() { SetManager(nullptr); }

void TGLBFireFX::SetManager(TGLFireFXManager* value) {
  if (value == FManager) return;
  if (FManager) FManager->UnregisterEffect(this);
  if (value) value->RegisterEffect(this);
}

void TGLBFireFX::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLBFireFX*>(source)) SetManager(other->FManager);
  TGLObjectPostEffect::Assign(source);
}

void TGLBFireFX::WriteToFiler(TVirtualWriter& writer) const {
  writer.WriteInteger(0);  // archive version
  writer.WriteString(FManager ? FManager->GetNamePath() : std::string());
}

void TGLBFireFX::ReadFromFiler(TVirtualReader& reader) {
  const int version = reader.ReadInteger();
  CLIENT_ASSERT(version == 0);
  FManagerName = reader.ReadString();
  SetManager(nullptr);
}

void TGLBFireFX::Loaded() {
  TGLObjectPostEffect::Loaded();
  if (!FManagerName.empty()) {
    if (TGLFireFXManager* manager = TGLFireFXManager::FindByName(FManagerName)) SetManager(manager);
    FManagerName.clear();
  }
}

void TGLBFireFX::Render(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci) {
  if (!FManager) return;
  const TGLFireFXManager& m = *FManager;
  const GLApi& gl = GL();
  // Everything changed below goes back with the attributes.
  gl.glPushAttrib(0xFFFFF);
  gl.glPushMatrix();
  if (m.GetReference()) {
    // The particles carry world positions: draw them under the camera's
    // view alone, whatever the effect's object's transformation.
    const TMatrix* view = rci.modelViewMatrix;
    if (!view && sceneBuffer) view = &sceneBuffer->GetModelViewMatrix();
    if (view) gl.glLoadMatrixf(&(*view)[0][0]);
  }
  gl.glDisable(GL_CULL_FACE);
  gl.glDisable(GL_TEXTURE_2D);
  gl.glDisable(GL_LIGHTING);
  gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  gl.glEnable(GL_BLEND);
  gl.glDepthFunc(GL_LEQUAL);
  if (m.GetNoZWrite()) gl.glDepthMask(GL_FALSE);
  const FireParticlePool& pool = m.Pool();
  // A lone particle is drawn too; the shape is sent directly rather than
  // compiled, so the effect also works inside an amalgamated list.
  if (pool.Count() > 0) {
    float modelView[16];
    gl.glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    const auto shape = FireParticleShape(modelView, m.GetParticleSize(), m.GetFireEvaporation());
    const TVector4f& outer = m.GetOuterColor()->GetColor();
    TVector4f inner = m.GetInnerColor()->GetColor();
    TVector4f last{0, 0, 0, 0};
    gl.glPushMatrix();
    for (int index : pool.DrawOrder(rci.cameraDirection)) {
      const TFireParticle& p = pool.Particles()[static_cast<std::size_t>(index)];
      gl.glTranslatef(p.Position[0] - last[0], p.Position[1] - last[1], p.Position[2] - last[2]);
      last = p.Position;
      inner[3] = FireParticleAlpha(p);
      gl.glColor4fv(inner.V);
      gl.glBegin(GL_TRIANGLE_FAN);
      gl.glVertex3fv(shape[0].V);
      gl.glColor4f(outer[0], outer[1], outer[2], 0.0f);
      for (std::size_t i = 1; i < shape.size(); ++i) gl.glVertex3fv(shape[i].V);
      gl.glEnd();
    }
    gl.glPopMatrix();
  }
  if (m.GetNoZWrite()) gl.glDepthMask(GL_TRUE);
  gl.glDepthFunc(GL_LESS);
  gl.glPopMatrix();
  gl.glPopAttrib();
}
