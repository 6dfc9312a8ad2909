#pragma once
// How a drawable's surfaces are lit, blended, culled and textured, applied
// to GL around its geometry. A material carries its own values or refers by
// name to a material of a material library; a resolved reference is applied
// in its place.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/face_properties.h"
#include "engine/render_context_info.h"
#include "engine/texture.h"

class TGLLibMaterial;
class TGLMaterialLibrary;

enum TBlendingMode : std::uint8_t { bmOpaque, bmTransparency, bmAdditive, bmAlphaTest50, bmAlphaTest100 };
enum TFaceCulling : std::uint8_t { fcBufferDefault, fcCull, fcNoCull };

enum TMaterialOption : std::uint8_t { moIgnoreFog, moNoLighting };
struct TMaterialOptions {
  std::uint8_t Bits = 0;
  constexpr TMaterialOptions() = default;
  constexpr TMaterialOptions(std::initializer_list<TMaterialOption> options) {
    for (TMaterialOption o : options) Bits |= std::uint8_t(1u << o);
  }
  constexpr bool Contains(TMaterialOption o) const { return (Bits >> o) & 1u; }
  constexpr bool operator==(const TMaterialOptions&) const = default;
};

namespace material_messages {
inline constexpr const char* kCyclicReference = "Error: Cyclic material reference detected!";
}

class TGLMaterial : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLMaterial)
public:
  // The owner is a scene object or a library material.
  explicit TGLMaterial(TPersistent* owner = nullptr);
  ~TGLMaterial() override;
  TGLMaterial(const TGLMaterial&) = delete;
  TGLMaterial& operator=(const TGLMaterial&) = delete;

  TGLFaceProperties* GetFrontProperties() const { return FFrontProperties.get(); }
  void SetFrontProperties(const TGLFaceProperties* value);
  // Made on first access.
  TGLFaceProperties* GetBackProperties();
  bool HasBackProperties() const { return FBackProperties != nullptr; }
  void SetBackProperties(const TGLFaceProperties* value);

  TBlendingMode GetBlendingMode() const { return FBlendingMode; }
  void SetBlendingMode(TBlendingMode value);
  TMaterialOptions GetMaterialOptions() const { return FMaterialOptions; }
  void SetMaterialOptions(TMaterialOptions value);
  TFaceCulling GetFaceCulling() const { return FFaceCulling; }
  void SetFaceCulling(TFaceCulling value);

  // Made on first access.
  TGLTexture* GetTexture();
  bool HasTexture() const { return FTexture != nullptr; }
  // nullptr frees the texture; otherwise it copies the value.
  void SetTexture(const TGLTexture* value);

  TGLMaterialLibrary* GetMaterialLibrary() const { return FMaterialLibrary; }
  // Stores the library and resolves the name again.
  void SetMaterialLibrary(TGLMaterialLibrary* library);
  const std::string& GetLibMaterialName() const { return FLibMaterialName; }
  // Resolves the name in the library. A chain of library references 16 deep
  // fails the assertion "Error: Cyclic material reference detected!" and
  // leaves the material as it was.
  void SetLibMaterialName(const std::string& name);
  // The library material is going: library, name and resolution cleared.
  void ForgetLibMaterial();
  TGLLibMaterial* GetLibMaterial() const { return FLibMaterial; }
  bool HasLibMaterial() const { return FLibMaterial != nullptr; }

  bool Blended() const;
  void DestroyHandles();
  // An enabled texture makes its GL name now (before a list is compiled).
  void PrepareBuildList();

  // From a material: every value, then NotifyChange.
  void Assign(const TPersistent* source) override;
  // A library material owner tells its users; others as usual.
  void NotifyChange(TObject* sender) override;
  // Texture enabling is compiled into display lists: a scene object owner
  // rebuilds its list, a library material tells its users so.
  void NotifyTexMappingChange();
  // The library material's texture matrix moved: a scene object owner is
  // drawn again with its list kept (the matrix is loaded by Apply); others
  // as NotifyChange.
  void NotifyTextureMatrixChange();

  void Apply(TRenderContextInfo& rci);
  // False: no further pass is wanted.
  bool UnApply(TRenderContextInfo& rci);

private:
  friend class TGLMaterialLibrary;
  std::unique_ptr<TGLFaceProperties> FFrontProperties;
  std::unique_ptr<TGLFaceProperties> FBackProperties;
  TBlendingMode FBlendingMode = bmOpaque;
  std::unique_ptr<TGLTexture> FTexture;
  TGLMaterialLibrary* FMaterialLibrary = nullptr;
  std::string FLibMaterialName;
  TMaterialOptions FMaterialOptions;
  TFaceCulling FFaceCulling = fcBufferDefault;
  TGLLibMaterial* FLibMaterial = nullptr;
};
