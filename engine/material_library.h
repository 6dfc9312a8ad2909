#pragma once
// Named materials held by a library component, with a texture matrix, an
// optional second texture (another material of the same library, applied on
// texture unit 1) and an optional shader; drawables point their materials at
// them by name. The library resolves texture file names against its texture
// folders before any file is opened.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/binary_filer.h"
#include "engine/component.h"
#include "engine/context_handle.h"
#include "engine/gl_coordinates.h"
#include "engine/material.h"
#include "engine/streams.h"

class TGLLibMaterial;
class TGLLibMaterials;
class TGLMaterialLibrary;

namespace material_messages {
inline constexpr const char* kUnbalancedShader = "Unbalanced shader application.";
inline constexpr const char* kShaderIsActive = "Shader is active.";
inline constexpr const char* kDefaultLibMaterialName = "LibMaterial";
}  // namespace material_messages

// When a shader runs relative to the material it is attached to.
enum TGLShaderStyle : std::uint8_t { ssHighLevel, ssLowLevel, ssReplace };

// The shader protocol; no concrete shader exists in this program. A disabled
// shader keeps the protocol but does nothing of its own.
class TGLShader : public TGLUpdateAbleComponent {
  CLIENT_DECLARE_CLASS(TGLShader)
public:
  explicit TGLShader(TComponent* owner = nullptr);
  ~TGLShader() override;

  bool GetEnabled() const { return FEnabled; }
  // An active shader fails the assertion "Shader is active.".
  void SetEnabled(bool value);
  TGLShaderStyle GetShaderStyle() const { return FShaderStyle; }
  void SetShaderStyle(TGLShaderStyle value) { FShaderStyle = value; }
  bool GetShaderActive() const { return FShaderActive; }

  // Applying an active shader, or unapplying an inactive one, fails the
  // assertion "Unbalanced shader application.".
  void Apply(TRenderContextInfo& rci, TObject* sender);
  // True: another pass is wanted.
  bool UnApply(TRenderContextInfo& rci);
  // Changes reach the library materials that use the shader.
  void NotifyChange(TObject* sender) override;

  void RegisterUser(TGLLibMaterial* libMaterial);
  void UnRegisterUser(TGLLibMaterial* libMaterial);
  // The shader's GL resources go; the next Apply initialises it again.
  void FinalizeShader();

protected:
  virtual void DoInitialize() {}
  virtual void DoApply(TRenderContextInfo& rci, TObject* sender) {}
  virtual bool DoUnApply(TRenderContextInfo& rci) { return false; }
  virtual void DoFinalize() {}

private:
  std::unique_ptr<TGLVirtualHandle> FVirtualHandle;
  bool FEnabled = true;
  TGLShaderStyle FShaderStyle = ssLowLevel;
  bool FShaderActive = false;
  std::vector<TGLLibMaterial*> FLibMatUsers;
};

class TGLLibMaterial : public TPersistent {
  CLIENT_DECLARE_CLASS(TGLLibMaterial)
public:
  // Named uniquely in the collection from "LibMaterial".
  explicit TGLLibMaterial(TGLLibMaterials* collection = nullptr);
  ~TGLLibMaterial() override;
  TGLLibMaterial(const TGLLibMaterial&) = delete;
  TGLLibMaterial& operator=(const TGLLibMaterial&) = delete;

  TGLLibMaterials* Collection() const { return FCollection; }
  TGLMaterialLibrary* GetLibrary() const;
  TPersistent* GetOwner() const override;
  int GetIndex() const;

  const std::string& GetName() const { return FName; }
  // A name another material of the collection bears becomes unique (the
  // name followed by 1, 2, ...) unless the library is loading.
  void SetName(const std::string& name);
  std::int32_t GetNameHashKey() const { return FNameHashKey; }
  TGLMaterial* GetMaterial() const { return FMaterial.get(); }
  void SetMaterial(const TGLMaterial* value) { FMaterial->Assign(value); }
  std::intptr_t GetTag() const { return FTag; }
  void SetTag(std::intptr_t tag) { FTag = tag; }

  TGLCoordinates* GetTextureOffset() const { return FTextureOffset.get(); }
  void SetTextureOffset(const TGLCoordinates* value);
  TGLCoordinates* GetTextureScale() const { return FTextureScale.get(); }
  void SetTextureScale(const TGLCoordinates* value);
  bool TextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
  const TMatrix& GetTextureMatrix() const { return FTextureMatrix; }
  // Scale by TextureScale, then translation by TextureOffset; users told
  // (NotifyUsersOfTextureMatrix).
  void CalculateTextureMatrix();

  const std::string& GetTexture2Name() const { return FTexture2Name; }
  void SetTexture2Name(const std::string& name);
  // The resolved second-texture material, nullptr before the first apply.
  TGLLibMaterial* GetLibMatTexture2() const { return FLibMatTexture2; }
  TGLShader* GetShader() const { return FShader; }
  void SetShader(TGLShader* shader);

  // From another library material: a unique name made from the source's,
  // material, texture offset and scale, second texture, shader and tag.
  void Assign(const TPersistent* source) override;

  // Users: materials, library materials and update-able components.
  void RegisterUser(TObject* user);
  void UnregisterUser(TObject* user);
  bool IsUsedBy(const TObject* user) const;
  int UserCount() const { return static_cast<int>(FUserList.size()); }
  void NotifyUsers();
  void NotifyUsersOfTexMapChange();
  // As NotifyUsers, for a new texture matrix: materials keep their owners'
  // lists (TGLMaterial::NotifyTextureMatrixChange).
  void NotifyUsersOfTextureMatrix();

  void PrepareBuildList();
  // This material's texture handles, then those along the second-texture
  // chain.
  void DestroyHandles();
  bool Blended() const { return FMaterial->Blended(); }

  void Apply(TRenderContextInfo& rci);
  // True: another pass is wanted.
  bool UnApply(TRenderContextInfo& rci);

  // The texture-needed hook of this material's texture images: the
  // library's file resolution.
  void DoOnTextureNeeded(TObject* sender, std::string& textureFileName);

private:
  friend class TGLLibMaterials;
  friend class TGLShader;
  void ResolveTexture2();
  void ForgetTexture2();
  template <class F>
  void WalkUsers(F&& visit);

  TGLLibMaterials* FCollection;
  std::vector<TObject*> FUserList;
  std::string FName;
  std::int32_t FNameHashKey = 0;
  std::unique_ptr<TGLMaterial> FMaterial;
  std::unique_ptr<TGLCoordinates> FTextureOffset;
  std::unique_ptr<TGLCoordinates> FTextureScale;
  bool FTextureMatrixIsIdentity = true;
  TMatrix FTextureMatrix = IdentityHmgMatrix;
  std::string FTexture2Name;
  TGLShader* FShader = nullptr;
  TGLLibMaterial* FLibMatTexture2 = nullptr;
  bool FTexture2Resolved = false;
  bool FNotifying = false;
  bool FUsingTexture2 = false;
  std::intptr_t FTag = 0;
};

// The library materials in order; owns them.
class TGLLibMaterials : public TPersistent {
  CLIENT_DECLARE_CLASS(TGLLibMaterials)
public:
  explicit TGLLibMaterials(TGLMaterialLibrary* owner);
  ~TGLLibMaterials() override;
  TGLLibMaterials(const TGLLibMaterials&) = delete;
  TGLLibMaterials& operator=(const TGLLibMaterials&) = delete;

  TPersistent* GetOwner() const override;
  TGLMaterialLibrary* GetLibrary() const { return FOwner; }
  int GetCount() const { return static_cast<int>(FItems.size()); }
  // A bad index raises EListError.
  TGLLibMaterial* GetItems(int index) const;
  TGLLibMaterial* Add();
  void Delete(int index);
  void Clear();
  int IndexOf(const TGLLibMaterial* item) const;

  // The first material whose hash and Name match exactly (case-sensitive).
  TGLLibMaterial* GetLibMaterialByName(const std::string& name) const;
  // base when free, else base followed by 1, 2, 3, ...
  std::string MakeUniqueName(const std::string& base) const;
  void PrepareBuildList();
  void DestroyHandles();
  void Loaded();

private:
  TGLMaterialLibrary* FOwner;
  std::vector<std::unique_ptr<TGLLibMaterial>> FItems;
};

// h := length; h := 2 h + byte, per character (32-bit, wrapping).
std::int32_t ComputeNameHashKey(const std::string& name);

class TGLMaterialLibrary : public TGLCadenceAbleComponent {
  CLIENT_DECLARE_CLASS(TGLMaterialLibrary)
public:
  explicit TGLMaterialLibrary(TComponent* owner = nullptr);
  ~TGLMaterialLibrary() override;

  TGLLibMaterials* GetMaterials() const { return FMaterials.get(); }
  // Folders separated by ";"; pieces are trimmed, empty ones skipped, and
  // each ends with "\" in the list.
  const std::string& GetTexturePaths() const { return FTexturePaths; }
  void SetTexturePaths(const std::string& paths);
  const std::vector<std::string>& TexturePathList() const { return FTexturePathList; }

  // Asked first when a texture file name is resolved.
  TTextureNeededEvent OnTextureNeeded;
  // The library's OnTextureNeeded, then, for a relative name (no ":" and no
  // leading "\" or "/"), the first texture folder where the file exists.
  void ResolveTextureFileName(std::string& textureFileName);

  // A new material of that name (unique) with a modulated, mipmapped,
  // enabled texture holding the picture.
  TGLLibMaterial* AddTextureMaterial(const std::string& name, const Bitmap& picture);
  // As above, the picture read from a file (resolved like any texture).
  TGLLibMaterial* AddTextureMaterial(const std::string& name, const std::string& fileName,
                                     bool persistent = true);
  TGLLibMaterial* LibMaterialByName(const std::string& name) const {
    return FMaterials->GetLibMaterialByName(name);
  }

  // False when the name is unknown (nothing applied).
  bool ApplyMaterial(const std::string& name, TRenderContextInfo& rci);
  // False when nothing was applied.
  bool UnApplyMaterial(TRenderContextInfo& rci);

  void Loaded() override;
  void DestroyHandles();

  // Archive version 0: the material count, then per material its name,
  // whether a picture follows (an enabled texture with a non-empty
  // persistent image; the picture as BMP bytes in one string), and the
  // front colours ambient RGB, diffuse RGBA, emission RGB, specular RGB as
  // raw little-endian Singles. Reading replaces the materials; another
  // version raises the filer's unknown-version error.
  void WriteToFiler(TVirtualWriter& writer) const;
  void ReadFromFiler(TVirtualReader& reader);
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

  // Materials that point at this library hear when it goes.
  void RegisterReferencingMaterial(TGLMaterial* material);
  void UnRegisterReferencingMaterial(TGLMaterial* material);

private:
  friend class TGLLibMaterials;
  std::unique_ptr<TGLLibMaterials> FMaterials;
  std::string FTexturePaths;
  std::vector<std::string> FTexturePathList;
  TGLLibMaterial* FLastAppliedMaterial = nullptr;
  std::vector<TGLMaterial*> FReferencingMaterials;
};
