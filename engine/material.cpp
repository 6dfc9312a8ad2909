#include "engine/material.h"

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/material_library.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLMaterial, TGLUpdateAbleObject)

TGLMaterial::TGLMaterial(TPersistent* owner)
    : TGLUpdateAbleObject(owner), FFrontProperties(std::make_unique<TGLFaceProperties>(this)) {}

TGLMaterial::~TGLMaterial() {
  if (FLibMaterial) FLibMaterial->UnregisterUser(this);
  if (FMaterialLibrary) FMaterialLibrary->UnRegisterReferencingMaterial(this);
}

void TGLMaterial::SetFrontProperties(const TGLFaceProperties* value) {
  FFrontProperties->Assign(value);
  NotifyChange(this);
}

TGLFaceProperties* TGLMaterial::GetBackProperties() {
  if (!FBackProperties) FBackProperties = std::make_unique<TGLFaceProperties>(this);
  return FBackProperties.get();
}

void TGLMaterial::SetBackProperties(const TGLFaceProperties* value) {
  GetBackProperties()->Assign(value);
  NotifyChange(this);
}

void TGLMaterial::SetBlendingMode(TBlendingMode value) {
  if (value == FBlendingMode) return;
  FBlendingMode = value;
  NotifyChange(this);
}

void TGLMaterial::SetMaterialOptions(TMaterialOptions value) {
  if (value == FMaterialOptions) return;
  FMaterialOptions = value;
  NotifyChange(this);
}

void TGLMaterial::SetFaceCulling(TFaceCulling value) {
  if (value == FFaceCulling) return;
  FFaceCulling = value;
  NotifyChange(this);
}

TGLTexture* TGLMaterial::GetTexture() {
  if (!FTexture) {
    FTexture = std::make_unique<TGLTexture>(this);
    if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(GetOwner()))
      FTexture->OnTextureNeeded = [libMaterial](TObject* sender, std::string& fileName) {
        libMaterial->DoOnTextureNeeded(sender, fileName);
      };
  }
  return FTexture.get();
}

void TGLMaterial::SetTexture(const TGLTexture* value) {
  if (!value) {
    FTexture.reset();
    NotifyChange(this);
    return;
  }
  GetTexture()->Assign(value);
}

void TGLMaterial::NotifyChange(TObject* sender) {
  if (UpdateCount() != 0) return;
  if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(GetOwner())) {
    libMaterial->NotifyUsers();
    if (OnNotifyChange) OnNotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLMaterial::NotifyTexMappingChange() {
  if (auto* listener = dynamic_cast<SceneValueListener*>(GetOwner()))
    listener->StructureChanged();
  else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(GetOwner()))
    libMaterial->NotifyUsersOfTexMapChange();
  else
    NotifyChange(this);
}

void TGLMaterial::NotifyTextureMatrixChange() {
  if (UpdateCount() != 0) return;
  if (auto* listener = dynamic_cast<SceneValueListener*>(GetOwner())) {
    listener->TextureMatrixChanged();
    if (OnNotifyChange) OnNotifyChange(this);
  } else {
    NotifyChange(this);
  }
}

void TGLMaterial::SetMaterialLibrary(TGLMaterialLibrary* library) {
  if (library != FMaterialLibrary) {
    if (FMaterialLibrary) FMaterialLibrary->UnRegisterReferencingMaterial(this);
    FMaterialLibrary = library;
    if (FMaterialLibrary) FMaterialLibrary->RegisterReferencingMaterial(this);
  }
  SetLibMaterialName(FLibMaterialName);
}

void TGLMaterial::SetLibMaterialName(const std::string& name) {
  TGLLibMaterial* found = FMaterialLibrary ? FMaterialLibrary->LibMaterialByName(name) : nullptr;
  // Checked before anything is stored, so a refused name leaves the
  // material as it was.
  int depth = 0;
  for (TGLLibMaterial* step = found; step; step = step->GetMaterial()->FLibMaterial) {
    if (step->GetMaterial() == this || ++depth >= 16)
      RaiseAssertion(material_messages::kCyclicReference, __FILE__, __LINE__);
  }
  FLibMaterialName = name;
  if (found == FLibMaterial) return;
  if (FLibMaterial) FLibMaterial->UnregisterUser(this);
  FLibMaterial = found;
  if (FLibMaterial) FLibMaterial->RegisterUser(this);
  NotifyTexMappingChange();
}

void TGLMaterial::ForgetLibMaterial() {
  if (FMaterialLibrary) FMaterialLibrary->UnRegisterReferencingMaterial(this);
  FMaterialLibrary = nullptr;
  FLibMaterialName.clear();
  const bool had = FLibMaterial != nullptr;
  FLibMaterial = nullptr;
  // Quietly for the scene (the library may be going with it); only what
  // keeps a copy of which material an object uses needs to hear.
  if (had)
    if (auto* listener = dynamic_cast<SceneValueListener*>(GetOwner())) listener->LibMaterialGone();
}

bool TGLMaterial::Blended() const {
  if (FLibMaterial) return FLibMaterial->Blended();
  return FBlendingMode != bmOpaque;
}

void TGLMaterial::DestroyHandles() {
  if (FTexture) FTexture->DestroyHandles();
}

void TGLMaterial::PrepareBuildList() {
  if (FTexture && FTexture->GetEnabled()) FTexture->GetHandle();
}

void TGLMaterial::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLMaterial*>(source)) {
    if (other == this) return;
    BeginUpdate();
    if (other->FBackProperties)
      GetBackProperties()->Assign(other->FBackProperties.get());
    else
      FBackProperties.reset();
    FFrontProperties->Assign(other->FFrontProperties.get());
    FBlendingMode = other->FBlendingMode;
    FMaterialOptions = other->FMaterialOptions;
    if (other->FTexture)
      GetTexture()->Assign(other->FTexture.get());
    else
      FTexture.reset();
    FFaceCulling = other->FFaceCulling;
    FLibMaterialName = other->FLibMaterialName;
    SetMaterialLibrary(other->FMaterialLibrary);
    EndUpdate();
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLMaterial::Apply(TRenderContextInfo& rci) {
  if (FLibMaterial) {
    FLibMaterial->Apply(rci);
    return;
  }
  // Lighting and fog: the counter counts the nested materials inside the
  // span that one of them opened, so only the outermost unapply closes it.
  if (FMaterialOptions.Contains(moNoLighting)) {
    if (rci.GLStates.Contains(stLighting)) {
      UnSetGLState(rci.GLStates, stLighting);
      ++rci.lightingDisabledCounter;
    } else if (rci.lightingDisabledCounter > 0) {
      ++rci.lightingDisabledCounter;
    }
  }
  FFrontProperties->Apply(GL_FRONT, rci.GLStates.Contains(stLighting));

  const auto applyBack = [&] { GetBackProperties()->Apply(GL_BACK, true); };
  if (rci.GLStates.Contains(stCullFace)) {
    switch (FFaceCulling) {
      case fcBufferDefault:
        if (!rci.bufferFaceCull) {
          UnSetGLState(rci.GLStates, stCullFace);
          applyBack();
        }
        break;
      case fcCull: break;
      case fcNoCull:
        UnSetGLState(rci.GLStates, stCullFace);
        applyBack();
        break;
      default: CLIENT_ASSERT(false);
    }
  } else {
    switch (FFaceCulling) {
      case fcBufferDefault:
        if (rci.bufferFaceCull)
          SetGLState(rci.GLStates, stCullFace);
        else
          applyBack();
        break;
      case fcCull: SetGLState(rci.GLStates, stCullFace); break;
      case fcNoCull: applyBack(); break;
      default: CLIENT_ASSERT(false);
    }
  }

  if (!rci.ignoreBlendingRequests) {
    switch (FBlendingMode) {
      case bmOpaque:
        UnSetGLState(rci.GLStates, stBlend);
        UnSetGLState(rci.GLStates, stAlphaTest);
        break;
      case bmTransparency:
        SetGLState(rci.GLStates, stBlend);
        SetGLState(rci.GLStates, stAlphaTest);
        GL().glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
      case bmAdditive:
        SetGLState(rci.GLStates, stBlend);
        SetGLState(rci.GLStates, stAlphaTest);
        GL().glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      case bmAlphaTest50:
      case bmAlphaTest100:
        UnSetGLState(rci.GLStates, stBlend);
        SetGLState(rci.GLStates, stAlphaTest);
        GL().glAlphaFunc(GL_GEQUAL, FBlendingMode == bmAlphaTest50 ? 0.5f : 1.0f);
        break;
      default: CLIENT_ASSERT(false);
    }
  }

  if (FMaterialOptions.Contains(moIgnoreFog)) {
    if (rci.GLStates.Contains(stFog)) {
      UnSetGLState(rci.GLStates, stFog);
      ++rci.fogDisabledCounter;
    } else if (rci.fogDisabledCounter > 0) {
      ++rci.fogDisabledCounter;
    }
  }
  if (FTexture) FTexture->Apply(rci);
}

bool TGLMaterial::UnApply(TRenderContextInfo& rci) {
  if (FLibMaterial) return FLibMaterial->UnApply(rci);
  if (FBlendingMode == bmAlphaTest50 || FBlendingMode == bmAlphaTest100) GL().glAlphaFunc(GL_GREATER, 0);
  if (FMaterialOptions.Contains(moNoLighting) && rci.lightingDisabledCounter > 0) {
    if (--rci.lightingDisabledCounter == 0) SetGLState(rci.GLStates, stLighting);
  }
  if (FMaterialOptions.Contains(moIgnoreFog) && rci.fogDisabledCounter > 0) {
    if (--rci.fogDisabledCounter == 0) SetGLState(rci.GLStates, stFog);
  }
  if (FTexture && FTexture->GetEnabled()) FTexture->UnApply(rci);
  return false;
}
