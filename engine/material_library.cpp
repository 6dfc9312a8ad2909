#include "engine/material_library.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

#include "engine/engine_errors.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/matrix_geometry.h"
#include "engine/multitexture.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"
#include "platform/base/path_resolve.h"

CLIENT_DEFINE_CLASS(TGLShader, TGLUpdateAbleComponent)
CLIENT_DEFINE_CLASS(TGLLibMaterial, TPersistent)
CLIENT_DEFINE_CLASS(TGLLibMaterials, TPersistent)
CLIENT_DEFINE_CLASS(TGLMaterialLibrary, TGLCadenceAbleComponent)

namespace {

constexpr TVector4f kDefaultTextureScale{1, 1, 1, 0};

// Ends the multitexture mapping update however the apply ends.
struct MappingUpdate {
  MappingUpdate() { xgl::BeginUpdate(); }
  ~MappingUpdate() {
    try {
      xgl::EndUpdate();
    } catch (...) {
    }
  }
  MappingUpdate(const MappingUpdate&) = delete;
  MappingUpdate& operator=(const MappingUpdate&) = delete;
};

bool SecondUnitAvailable() {
  return GL().Extensions.ARB_multitexture && !xgl::SecondTextureUnitForbidden();
}

void WriteSingles(TVirtualWriter& writer, const TVector4f& v, int count) {
  std::uint8_t bytes[16];
  for (int i = 0; i < count; ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v[i], 4);
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<std::uint8_t>(bits >> (8 * b));
  }
  writer.Write(bytes, static_cast<std::size_t>(4 * count));
}

TVector4f ReadSingles(TVirtualReader& reader, int count, TVector4f v) {
  std::uint8_t bytes[16];
  reader.Read(bytes, static_cast<std::size_t>(4 * count));
  for (int i = 0; i < count; ++i) {
    std::uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) bits |= std::uint32_t(bytes[4 * i + b]) << (8 * b);
    std::memcpy(&v[i], &bits, 4);
  }
  return v;
}

std::string TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

std::int32_t ComputeNameHashKey(const std::string& name) {
  std::uint32_t h = static_cast<std::uint32_t>(name.size());
  for (unsigned char c : name) h = 2 * h + c;
  return static_cast<std::int32_t>(h);
}

// ------------------------------------------------------------------- TGLShader

TGLShader::TGLShader(TComponent* owner)
    : TGLUpdateAbleComponent(owner), FVirtualHandle(std::make_unique<TGLVirtualHandle>()) {
  FVirtualHandle->OnAllocate = [this](TGLVirtualHandle*, GLuint& handle) {
    handle = 1;
    DoInitialize();
  };
  FVirtualHandle->OnDestroy = [this](TGLVirtualHandle*, GLuint& handle) {
    DoFinalize();
    handle = 0;
  };
}

TGLShader::~TGLShader() {
  // Descendants are gone by now: their finalisation cannot run from here.
  FVirtualHandle->OnAllocate = nullptr;
  FVirtualHandle->OnDestroy = nullptr;
  for (TGLLibMaterial* user : std::vector<TGLLibMaterial*>(FLibMatUsers)) user->FShader = nullptr;
}

void TGLShader::SetEnabled(bool value) {
  CLIENT_ASSERT(!FShaderActive, material_messages::kShaderIsActive);
  if (value == FEnabled) return;
  FEnabled = value;
  NotifyChange(this);
}

void TGLShader::Apply(TRenderContextInfo& rci, TObject* sender) {
  CLIENT_ASSERT(!FShaderActive, material_messages::kUnbalancedShader);
  FShaderActive = true;
  if (!FEnabled) return;
  if (FVirtualHandle->GetHandle() == 0) FVirtualHandle->AllocateHandle();
  DoApply(rci, sender);
}

bool TGLShader::UnApply(TRenderContextInfo& rci) {
  CLIENT_ASSERT(FShaderActive, material_messages::kUnbalancedShader);
  const bool again = FEnabled && DoUnApply(rci);
  if (!again) FShaderActive = false;
  return again;
}

void TGLShader::NotifyChange(TObject* sender) {
  for (TGLLibMaterial* user : std::vector<TGLLibMaterial*>(FLibMatUsers)) user->NotifyUsers();
  TGLUpdateAbleComponent::NotifyChange(sender);
}

void TGLShader::RegisterUser(TGLLibMaterial* libMaterial) {
  if (std::find(FLibMatUsers.begin(), FLibMatUsers.end(), libMaterial) == FLibMatUsers.end())
    FLibMatUsers.push_back(libMaterial);
}

void TGLShader::UnRegisterUser(TGLLibMaterial* libMaterial) {
  FLibMatUsers.erase(std::remove(FLibMatUsers.begin(), FLibMatUsers.end(), libMaterial), FLibMatUsers.end());
}

void TGLShader::FinalizeShader() { FVirtualHandle->DestroyHandle(); }

// -------------------------------------------------------------- TGLLibMaterial

TGLLibMaterial::TGLLibMaterial(TGLLibMaterials* collection)
    : FCollection(collection),
      FName(collection ? collection->MakeUniqueName(material_messages::kDefaultLibMaterialName)
                       : material_messages::kDefaultLibMaterialName),
      FNameHashKey(ComputeNameHashKey(FName)),
      FMaterial(std::make_unique<TGLMaterial>(this)),
      FTextureOffset(std::make_unique<TGLCoordinates>(this, NullHmgVector, csUnknown)),
      FTextureScale(std::make_unique<TGLCoordinates>(this, kDefaultTextureScale, csUnknown)) {
  FMaterial->GetTexture();  // made now, so its images resolve through the library
  FTextureOffset->OnNotifyChange = [this](TObject*) { CalculateTextureMatrix(); };
  FTextureScale->OnNotifyChange = [this](TObject*) { CalculateTextureMatrix(); };
}

TGLLibMaterial::~TGLLibMaterial() {
  // Quietly: the users hear of the going below, not of a shader change.
  if (FShader) FShader->UnRegisterUser(this);
  FShader = nullptr;
  ForgetTexture2();
  FTexture2Name.clear();
  for (TObject* user : std::vector<TObject*>(FUserList)) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
      material->ForgetLibMaterial();
    } else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user)) {
      libMaterial->FLibMatTexture2 = nullptr;
      libMaterial->FTexture2Resolved = false;
      libMaterial->FUsingTexture2 = false;
      libMaterial->FTexture2Name.clear();
    }
  }
  FUserList.clear();
  FTextureOffset->OnNotifyChange = nullptr;
  FTextureScale->OnNotifyChange = nullptr;
}

TGLMaterialLibrary* TGLLibMaterial::GetLibrary() const { return FCollection ? FCollection->GetLibrary() : nullptr; }

TPersistent* TGLLibMaterial::GetOwner() const { return FCollection; }

int TGLLibMaterial::GetIndex() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TGLLibMaterial::SetName(const std::string& name) {
  if (name == FName) return;
  const TGLMaterialLibrary* library = GetLibrary();
  if (FCollection && !(library && library->IsLoading()) && FCollection->GetLibMaterialByName(name))
    FName = FCollection->MakeUniqueName(name);
  else
    FName = name;
  FNameHashKey = ComputeNameHashKey(FName);
}

void TGLLibMaterial::SetTextureOffset(const TGLCoordinates* value) {
  FTextureOffset->Initialize(value ? value->AsVector() : NullHmgVector);
  CalculateTextureMatrix();
}

void TGLLibMaterial::SetTextureScale(const TGLCoordinates* value) {
  FTextureScale->Initialize(value ? value->AsVector() : kDefaultTextureScale);
  CalculateTextureMatrix();
}

void TGLLibMaterial::CalculateTextureMatrix() {
  if (VectorEquals(FTextureOffset->AsVector(), NullHmgVector) &&
      VectorEquals(FTextureScale->AsVector(), kDefaultTextureScale)) {
    FTextureMatrixIsIdentity = true;
    FTextureMatrix = IdentityHmgMatrix;
  } else {
    FTextureMatrixIsIdentity = false;
    FTextureMatrix = CreateScaleAndTranslationMatrix(FTextureScale->AsVector(), FTextureOffset->AsVector());
  }
  NotifyUsersOfTextureMatrix();
}

void TGLLibMaterial::ForgetTexture2() {
  if (FLibMatTexture2) FLibMatTexture2->UnregisterUser(this);
  FLibMatTexture2 = nullptr;
  FTexture2Resolved = false;
}

void TGLLibMaterial::SetTexture2Name(const std::string& name) {
  if (name == FTexture2Name) return;
  ForgetTexture2();
  FTexture2Name = name;
  NotifyUsers();
}

void TGLLibMaterial::SetShader(TGLShader* shader) {
  if (shader == FShader) return;
  if (FShader) FShader->UnRegisterUser(this);
  FShader = shader;
  if (FShader) FShader->RegisterUser(this);
  NotifyUsers();
}

void TGLLibMaterial::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLLibMaterial*>(source)) {
    if (other == this) return;
    FName = FCollection ? FCollection->MakeUniqueName(other->FName) : other->FName;
    FNameHashKey = ComputeNameHashKey(FName);
    FMaterial->Assign(other->FMaterial.get());
    FTextureOffset->Initialize(other->FTextureOffset->AsVector());
    FTextureScale->Initialize(other->FTextureScale->AsVector());
    SetTexture2Name(other->FTexture2Name);
    SetShader(other->FShader);
    FTag = other->FTag;
    CalculateTextureMatrix();
    return;
  }
  TPersistent::Assign(source);
}

void TGLLibMaterial::RegisterUser(TObject* user) {
  if (!IsUsedBy(user)) FUserList.push_back(user);
}

void TGLLibMaterial::UnregisterUser(TObject* user) {
  FUserList.erase(std::remove(FUserList.begin(), FUserList.end(), user), FUserList.end());
}

bool TGLLibMaterial::IsUsedBy(const TObject* user) const {
  return std::find(FUserList.begin(), FUserList.end(), user) != FUserList.end();
}

template <class F>
void TGLLibMaterial::WalkUsers(F&& visit) {
  if (FNotifying) return;
  FNotifying = true;
  try {
    for (TObject* user : std::vector<TObject*>(FUserList))
      if (IsUsedBy(user)) visit(user);
  } catch (...) {
    FNotifying = false;
    throw;
  }
  FNotifying = false;
}

void TGLLibMaterial::NotifyUsers() {
  WalkUsers([this](TObject* user) {
    if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
      object->NotifyChange(this);
    else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
      component->NotifyChange(this);
    else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user))
      libMaterial->NotifyUsers();
    else
      CLIENT_ASSERT(false, "Unsupported user of a library material");
  });
}

void TGLLibMaterial::NotifyUsersOfTextureMatrix() {
  WalkUsers([this](TObject* user) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user))
      material->NotifyTextureMatrixChange();
    else if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
      object->NotifyChange(this);
    else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
      component->NotifyChange(this);
    else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user))
      libMaterial->NotifyUsersOfTextureMatrix();
    else
      CLIENT_ASSERT(false, "Unsupported user of a library material");
  });
}

void TGLLibMaterial::NotifyUsersOfTexMapChange() {
  WalkUsers([this](TObject* user) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user))
      material->NotifyTexMappingChange();
    else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user))
      libMaterial->NotifyUsersOfTexMapChange();
    else if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
      object->NotifyChange(this);
    else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
      component->NotifyChange(this);
    else
      CLIENT_ASSERT(false, "Unsupported user of a library material");
  });
}

void TGLLibMaterial::PrepareBuildList() { FMaterial->PrepareBuildList(); }

void TGLLibMaterial::DestroyHandles() {
  FMaterial->DestroyHandles();
  // Along the second-texture chain, each material once (names may loop).
  std::set<const TGLLibMaterial*> seen{this};
  for (TGLLibMaterial* next = FCollection ? FCollection->GetLibMaterialByName(FTexture2Name) : nullptr;
       next && seen.insert(next).second;
       next = next->FCollection ? next->FCollection->GetLibMaterialByName(next->FTexture2Name) : nullptr)
    next->FMaterial->DestroyHandles();
}

void TGLLibMaterial::DoOnTextureNeeded(TObject* sender, std::string& textureFileName) {
  if (TGLMaterialLibrary* library = GetLibrary()) library->ResolveTextureFileName(textureFileName);
}

void TGLLibMaterial::ResolveTexture2() {
  if (FTexture2Resolved || FTexture2Name.empty()) return;
  FTexture2Resolved = true;
  FLibMatTexture2 = FCollection ? FCollection->GetLibMaterialByName(FTexture2Name) : nullptr;
  if (FLibMatTexture2)
    FLibMatTexture2->RegisterUser(this);
  else
    FTexture2Name.clear();
}

void TGLLibMaterial::Apply(TRenderContextInfo& rci) {
  MappingUpdate mapping;
  if (FShader && FShader->GetShaderStyle() == ssHighLevel) FShader->Apply(rci, this);
  if (FShader && FShader->GetShaderStyle() == ssReplace) {
    FShader->Apply(rci, this);
    return;
  }
  TGLLibMaterial* texture2 = nullptr;
  if (!FTexture2Name.empty() && SecondUnitAvailable()) {
    ResolveTexture2();
    if (FLibMatTexture2 && FLibMatTexture2->FMaterial->HasTexture() &&
        FLibMatTexture2->FMaterial->GetTexture()->GetEnabled())
      texture2 = FLibMatTexture2;
  }
  FUsingTexture2 = texture2 != nullptr;
  TGLTexture* texture = FMaterial->GetTexture();
  if (texture2) {
    if (!FTextureMatrixIsIdentity) SetGLTextureMatrix(FTextureMatrix);
    FMaterial->Apply(rci);
    TGLTexture* second = texture2->FMaterial->GetTexture();
    second->ApplyOnSecondUnit(rci, texture2->FTextureMatrixIsIdentity ? nullptr : &texture2->FTextureMatrix);
    if (second->GetMappingMode() != tmmUser)
      xgl::MapTexCoordToMain();
    else if (texture->GetDisabled() || texture->GetMappingMode() != tmmUser)
      xgl::MapTexCoordToSecond();
    else
      xgl::MapTexCoordToDual();
  } else {
    if (texture->GetEnabled() && !FTextureMatrixIsIdentity) SetGLTextureMatrix(FTextureMatrix);
    FMaterial->Apply(rci);
  }
  if (FShader && FShader->GetShaderStyle() == ssLowLevel) FShader->Apply(rci, this);
}

bool TGLLibMaterial::UnApply(TRenderContextInfo& rci) {
  bool again = false;
  if (FShader && FShader->GetShaderStyle() == ssLowLevel) again = FShader->UnApply(rci);
  if (FShader && FShader->GetShaderStyle() == ssReplace) return FShader->UnApply(rci);
  if (again) return true;
  TGLTexture* texture = FMaterial->GetTexture();
  if (FUsingTexture2 && FLibMatTexture2) {
    FLibMatTexture2->FMaterial->GetTexture()->UnApplyOnSecondUnit(rci, !FLibMatTexture2->FTextureMatrixIsIdentity);
    xgl::MapTexCoordToMain();
  }
  FMaterial->UnApply(rci);
  // The matrix was loaded for an enabled texture, or for any with a second one.
  if (!FTextureMatrixIsIdentity && (texture->GetEnabled() || FUsingTexture2)) ResetGLTextureMatrix();
  FUsingTexture2 = false;
  if (FShader && FShader->GetShaderStyle() == ssHighLevel) return FShader->UnApply(rci);
  return false;
}

// ------------------------------------------------------------- TGLLibMaterials

TGLLibMaterials::TGLLibMaterials(TGLMaterialLibrary* owner) : FOwner(owner) {}

TGLLibMaterials::~TGLLibMaterials() { Clear(); }

TPersistent* TGLLibMaterials::GetOwner() const { return FOwner; }

TGLLibMaterial* TGLLibMaterials::GetItems(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError(engine_messages::kInvalidListIndex);
  return FItems[static_cast<std::size_t>(index)].get();
}

TGLLibMaterial* TGLLibMaterials::Add() {
  FItems.push_back(std::make_unique<TGLLibMaterial>(this));
  return FItems.back().get();
}

void TGLLibMaterials::Delete(int index) {
  TGLLibMaterial* item = GetItems(index);
  if (FOwner && FOwner->FLastAppliedMaterial == item) FOwner->FLastAppliedMaterial = nullptr;
  // Taken out first, so that lookups made while it goes do not find it.
  std::unique_ptr<TGLLibMaterial> gone = std::move(FItems[static_cast<std::size_t>(index)]);
  FItems.erase(FItems.begin() + index);
  gone.reset();
}

void TGLLibMaterials::Clear() {
  while (!FItems.empty()) Delete(GetCount() - 1);
}

int TGLLibMaterials::IndexOf(const TGLLibMaterial* item) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return static_cast<int>(i);
  return -1;
}

TGLLibMaterial* TGLLibMaterials::GetLibMaterialByName(const std::string& name) const {
  const std::int32_t hash = ComputeNameHashKey(name);
  for (const auto& item : FItems)
    if (item->FNameHashKey == hash && item->FName == name) return item.get();
  return nullptr;
}

std::string TGLLibMaterials::MakeUniqueName(const std::string& base) const {
  if (!GetLibMaterialByName(base)) return base;
  for (int i = 1;; ++i) {
    std::string candidate = base + std::to_string(i);
    if (!GetLibMaterialByName(candidate)) return candidate;
  }
}

void TGLLibMaterials::PrepareBuildList() {
  for (const auto& item : FItems) item->PrepareBuildList();
}

void TGLLibMaterials::DestroyHandles() {
  for (const auto& item : FItems) item->DestroyHandles();
}

void TGLLibMaterials::Loaded() {
  for (const auto& item : FItems) item->CalculateTextureMatrix();
}

// ---------------------------------------------------------- TGLMaterialLibrary

TGLMaterialLibrary::TGLMaterialLibrary(TComponent* owner)
    : TGLCadenceAbleComponent(owner), FMaterials(std::make_unique<TGLLibMaterials>(this)) {}

TGLMaterialLibrary::~TGLMaterialLibrary() {
  FMaterials->Clear();
  for (TGLMaterial* material : std::vector<TGLMaterial*>(FReferencingMaterials)) material->ForgetLibMaterial();
  FReferencingMaterials.clear();
}

void TGLMaterialLibrary::RegisterReferencingMaterial(TGLMaterial* material) {
  if (std::find(FReferencingMaterials.begin(), FReferencingMaterials.end(), material) ==
      FReferencingMaterials.end())
    FReferencingMaterials.push_back(material);
}

void TGLMaterialLibrary::UnRegisterReferencingMaterial(TGLMaterial* material) {
  FReferencingMaterials.erase(std::remove(FReferencingMaterials.begin(), FReferencingMaterials.end(), material),
                              FReferencingMaterials.end());
}

void TGLMaterialLibrary::SetTexturePaths(const std::string& paths) {
  FTexturePaths = paths;
  FTexturePathList.clear();
  std::size_t start = 0;
  while (start <= paths.size()) {
    std::size_t end = paths.find(';', start);
    if (end == std::string::npos) end = paths.size();
    std::string piece = TrimBlanks(std::string_view(paths).substr(start, end - start));
    if (!piece.empty()) {
      if (piece.back() != '\\' && piece.back() != '/') piece += '\\';
      FTexturePathList.push_back(std::move(piece));
    }
    start = end + 1;
  }
}

void TGLMaterialLibrary::ResolveTextureFileName(std::string& textureFileName) {
  if (OnTextureNeeded) OnTextureNeeded(this, textureFileName);
  if (textureFileName.empty() || textureFileName.find(':') != std::string::npos ||
      textureFileName.front() == '\\' || textureFileName.front() == '/')
    return;
  for (const std::string& path : FTexturePathList) {
    std::string candidate = path + textureFileName;
    if (FindExistingPath(candidate)) {
      textureFileName = std::move(candidate);
      return;
    }
  }
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& name, const Bitmap& picture) {
  TGLLibMaterial* libMaterial = FMaterials->Add();
  libMaterial->SetName(name);
  TGLTexture* texture = libMaterial->GetMaterial()->GetTexture();
  texture->SetMinFilter(miLinearMipmapLinear);
  texture->SetMagFilter(maLinear);
  texture->SetTextureMode(tmModulate);
  texture->SetDisabled(false);
  texture->AssignBitmap(picture);
  return libMaterial;
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& name, const std::string& fileName,
                                                       bool persistent) {
  TGLLibMaterial* libMaterial = AddTextureMaterial(name, Bitmap());
  TGLTexture* texture = libMaterial->GetMaterial()->GetTexture();
  try {
    if (persistent) {
      texture->GetImage()->LoadFromFile(fileName);
    } else {
      texture->SetImageClassName(TGLPicFileImage::StaticClass().ClassName());
      static_cast<TGLPicFileImage*>(texture->GetImage())->SetPictureFileName(fileName);
    }
  } catch (...) {
    FMaterials->Delete(libMaterial->GetIndex());
    throw;
  }
  return libMaterial;
}

bool TGLMaterialLibrary::ApplyMaterial(const std::string& name, TRenderContextInfo& rci) {
  TGLLibMaterial* libMaterial = LibMaterialByName(name);
  if (!libMaterial) return false;
  FLastAppliedMaterial = libMaterial;
  libMaterial->Apply(rci);
  return true;
}

bool TGLMaterialLibrary::UnApplyMaterial(TRenderContextInfo& rci) {
  if (!FLastAppliedMaterial) return false;
  const bool again = FLastAppliedMaterial->UnApply(rci);
  if (!again) FLastAppliedMaterial = nullptr;
  return again;
}

void TGLMaterialLibrary::Loaded() {
  FMaterials->Loaded();
  TGLCadenceAbleComponent::Loaded();
}

void TGLMaterialLibrary::DestroyHandles() { FMaterials->DestroyHandles(); }

void TGLMaterialLibrary::WriteToFiler(TVirtualWriter& writer) const {
  writer.WriteInteger(0);
  writer.WriteInteger(FMaterials->GetCount());
  for (int i = 0; i < FMaterials->GetCount(); ++i) {
    TGLLibMaterial* libMaterial = FMaterials->GetItems(i);
    TGLMaterial* material = libMaterial->GetMaterial();
    writer.WriteString(libMaterial->GetName());
    const Picture* picture = nullptr;
    if (material->HasTexture() && material->GetTexture()->GetEnabled())
      if (auto* image = dynamic_cast<TGLPersistentImage*>(material->GetTexture()->GetImage()))
        if (!image->GetPicture().GetEmpty()) picture = &image->GetPicture();
    writer.WriteBoolean(picture != nullptr);
    if (picture) {
      std::ostringstream bytes(std::ios::binary);
      picture->GetBitmap().SaveToStream(bytes);
      writer.WriteString(bytes.str());
    }
    const TGLFaceProperties* front = material->GetFrontProperties();
    WriteSingles(writer, front->GetAmbient()->GetColor(), 3);
    WriteSingles(writer, front->GetDiffuse()->GetColor(), 4);
    WriteSingles(writer, front->GetEmission()->GetColor(), 3);
    WriteSingles(writer, front->GetSpecular()->GetColor(), 3);
  }
}

void TGLMaterialLibrary::ReadFromFiler(TVirtualReader& reader) {
  const int version = reader.ReadInteger();
  if (version != 0) RaiseFilerException(ClassName(), version);
  struct Entry {
    std::string name;
    bool hasPicture = false;
    Bitmap picture;
    TVector4f ambient, diffuse, emission, specular;
  };
  // Everything is read before the library changes: a damaged archive
  // leaves the materials as they were.
  const int count = reader.ReadInteger();
  if (count < 0) throw EFilerException("Broken material library archive");
  std::vector<Entry> entries;
  const TGLFaceProperties defaults;
  for (int i = 0; i < count; ++i) {
    Entry entry;
    entry.name = reader.ReadString();
    entry.hasPicture = reader.ReadBoolean();
    if (entry.hasPicture) {
      std::istringstream bytes(reader.ReadString(), std::ios::binary);
      entry.picture.LoadFromStream(bytes);
    }
    entry.ambient = ReadSingles(reader, 3, defaults.GetAmbient()->GetColor());
    entry.diffuse = ReadSingles(reader, 4, defaults.GetDiffuse()->GetColor());
    entry.emission = ReadSingles(reader, 3, defaults.GetEmission()->GetColor());
    entry.specular = ReadSingles(reader, 3, defaults.GetSpecular()->GetColor());
    entries.push_back(std::move(entry));
  }
  FMaterials->Clear();
  for (Entry& entry : entries) {
    TGLLibMaterial* libMaterial = nullptr;
    if (entry.hasPicture) {
      libMaterial = AddTextureMaterial(entry.name, entry.picture);
    } else {
      libMaterial = FMaterials->Add();
      libMaterial->SetName(entry.name);
    }
    TGLFaceProperties* front = libMaterial->GetMaterial()->GetFrontProperties();
    front->GetAmbient()->SetColor(entry.ambient);
    front->GetDiffuse()->SetColor(entry.diffuse);
    front->GetEmission()->SetColor(entry.emission);
    front->GetSpecular()->SetColor(entry.specular);
  }
}

void TGLMaterialLibrary::SaveToStream(TStream& stream) const {
  TBinaryWriter writer(stream);
  WriteToFiler(writer);
}

void TGLMaterialLibrary::LoadFromStream(TStream& stream) {
  TBinaryReader reader(stream);
  ReadFromFiler(reader);
}
