#include "engine/texture.h"

#include <utility>

#include "engine/camera.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/light_source.h"
#include "engine/matrix_geometry.h"
#include "engine/material.h"
#include "engine/multitexture.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLTexture, TGLUpdateAbleObject)

namespace {

TGLTextureFormat g_defaultTextureFormat = tfRGBA;
TGLTextureCompression g_defaultTextureCompression = tcNone;

// Not in every GL header of the 1.1 era.
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;
constexpr GLenum kTextureCompressionHint = 0x84EF;
constexpr GLenum kTextureCompressedImageSize = 0x86A0;

bool HasEdgeClamp() {
  const GLApi& gl = GL();
  return gl.VersionMajor > 1 || (gl.VersionMajor == 1 && gl.VersionMinor >= 2) ||
         gl.Extensions.EXT_texture_edge_clamp;
}

bool IsCubeMapTarget(GLenum target) { return target == GL_TEXTURE_CUBE_MAP; }

// Frees what the image prepared for an upload, however the upload ends.
struct BitmapRelease {
  TGLTextureImage* image;
  ~BitmapRelease() { image->FreeBitmap32(); }
};

}  // namespace

TGLTextureFormat GetDefaultTextureFormat() { return g_defaultTextureFormat; }
void SetDefaultTextureFormat(TGLTextureFormat value) {
  g_defaultTextureFormat = value == tfDefault ? tfRGBA : value;
}
TGLTextureCompression GetDefaultTextureCompression() { return g_defaultTextureCompression; }
void SetDefaultTextureCompression(TGLTextureCompression value) {
  g_defaultTextureCompression = value == tcDefault ? tcNone : value;
}

GLint GLInternalFormat(TGLTextureFormat format, TGLTextureCompression compression) {
  if (format == tfDefault) format = g_defaultTextureFormat;
  if (compression == tcDefault) compression = g_defaultTextureCompression;
  if (compression == tcNone) {
    switch (format) {
      case tfRGB: return GL_RGB8;
      case tfRGB16: return GL_RGB5;
      case tfRGBA16: return GL_RGBA4;
      case tfAlpha: return GL_ALPHA8;
      case tfLuminance: return GL_LUMINANCE8;
      case tfLuminanceAlpha: return GL_LUMINANCE8_ALPHA8;
      case tfIntensity: return GL_INTENSITY8;
      default: return GL_RGBA8;
    }
  }
  switch (format) {
    case tfRGB:
    case tfRGB16: return GL_COMPRESSED_RGB_ARB;
    case tfAlpha: return GL_COMPRESSED_ALPHA_ARB;
    case tfLuminance: return GL_COMPRESSED_LUMINANCE_ARB;
    case tfLuminanceAlpha: return GL_COMPRESSED_LUMINANCE_ALPHA_ARB;
    case tfIntensity: return GL_COMPRESSED_INTENSITY_ARB;
    default: return GL_COMPRESSED_RGBA_ARB;
  }
}

GLenum GLMinFilterOf(TGLMinFilter filter) {
  static constexpr GLenum kFilters[] = {GL_NEAREST,
                                        GL_LINEAR,
                                        GL_NEAREST_MIPMAP_NEAREST,
                                        GL_LINEAR_MIPMAP_NEAREST,
                                        GL_NEAREST_MIPMAP_LINEAR,
                                        GL_LINEAR_MIPMAP_LINEAR};
  return kFilters[filter];
}

GLenum GLMagFilterOf(TGLMagFilter filter) { return filter == maNearest ? GL_NEAREST : GL_LINEAR; }

GLenum GLTextureEnvModeOf(TGLTextureMode mode) {
  static constexpr GLenum kModes[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE};
  return kModes[mode];
}

void GLWrapOf(TGLTextureWrap wrap, bool edgeClamp, GLenum& s, GLenum& t) {
  const GLenum clamp = edgeClamp ? GL_CLAMP_TO_EDGE : GL_CLAMP;
  s = (wrap == twNone || wrap == twVertical) ? clamp : GL_REPEAT;
  t = (wrap == twNone || wrap == twHorizontal) ? clamp : GL_REPEAT;
}

void PrepareBitmapForUpload(TGLBitmap32& bitmap, TGLTextureImageAlpha alpha, float brightness,
                            float gamma) {
  switch (alpha) {
    case tiaDefault: break;
    case tiaAlphaFromIntensity:
    case tiaLuminance: bitmap.SetAlphaFromIntensity(); break;
    case tiaSuperBlackTransparent: bitmap.SetAlphaTransparentForColor(0, 0, 0); break;
    case tiaLuminanceSqrt: bitmap.SqrtAlphaFromIntensity(); break;
    case tiaOpaque: bitmap.SetAlphaToValue(255); break;
    case tiaTopLeftPointColorTransparent:
      if (!bitmap.IsEmpty()) {
        const std::uint8_t* first = bitmap.GetData();
        bitmap.SetAlphaTransparentForColor(first[0], first[1], first[2]);
      }
      break;
    case tiaInverseLuminance:
      bitmap.SetAlphaFromIntensity();
      bitmap.InvertAlpha();
      break;
    case tiaInverseLuminanceSqrt:
      // The two neighbours combined: square root of the intensity, inverted.
      bitmap.SqrtAlphaFromIntensity();
      bitmap.InvertAlpha();
      break;
  }
  if (brightness != 1.0f) bitmap.BrightnessCorrection(brightness);
  if (gamma != 1.0f) bitmap.GammaCorrection(gamma);
}

TMatrix CubeMapLightTextureMatrix(const TMatrix& viewMatrix, const TMatrix& lightAbsoluteMatrix) {
  // Eye to world is the transposed rotation of the view; world to the
  // light's frame the transposed rotation of the light.
  auto rotation = [](const TMatrix& m) {
    TMatrix r = IdentityHmgMatrix;
    for (int i = 0; i < 3; ++i) {
      TAffineVector row{m[i][0], m[i][1], m[i][2]};
      NormalizeAffineVector(row);
      for (int j = 0; j < 3; ++j) r[i][j] = row[j];
    }
    return r;
  };
  TMatrix m = MatrixMultiply(rotation(lightAbsoluteMatrix), rotation(viewMatrix));
  TransposeMatrix(m);
  return m;
}

// ------------------------------------------------------------------ TGLTexture

TGLTexture::TGLTexture(TPersistent* owner)
    : TGLUpdateAbleObject(owner), FImage(MakeImage(TGLPersistentImage::StaticClass())) {}

TGLTexture::~TGLTexture() {
  // The handle deletes its name as it goes; the cache must not keep it.
  if (HasTextureName()) ResetGLTextureBindings();
}

std::unique_ptr<TGLTextureImage> TGLTexture::MakeImage(const TClassInfo& imageClass) {
  std::unique_ptr<TGLTextureImage> image = CreateInstanceAs<TGLTextureImage>(imageClass);
  image->SetOwnerTexture(this);
  return image;
}

void TGLTexture::ParamsChanged() {
  FParametersChanged = true;
  NotifyChange(this);
}

void TGLTexture::ImageParamChanged() {
  FImageChanged = true;
  NotifyChange(this);
}

void TGLTexture::NotifyImageChange() { ImageParamChanged(); }
void TGLTexture::NotifyParamsChange() { ParamsChanged(); }

void TGLTexture::NotifyOwnerOfStructure() {
  if (auto* material = dynamic_cast<TGLMaterial*>(GetOwner()))
    material->NotifyTexMappingChange();
  else
    NotifyChange(this);
}

#define CLIENT_TEXTURE_PARAM_SETTER(Name, Type, Field, Changed) \
  void TGLTexture::Set##Name(Type value) {                     \
    if (value == Field) return;                                \
    Field = value;                                             \
    Changed();                                                 \
  }
CLIENT_TEXTURE_PARAM_SETTER(TextureMode, TGLTextureMode, FTextureMode, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(TextureWrap, TGLTextureWrap, FTextureWrap, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(TextureFormat, TGLTextureFormat, FTextureFormat, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(MinFilter, TGLMinFilter, FMinFilter, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(MagFilter, TGLMagFilter, FMagFilter, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(Compression, TGLTextureCompression, FCompression, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(FilteringQuality, TGLTextureFilteringQuality, FFilteringQuality, ParamsChanged)
CLIENT_TEXTURE_PARAM_SETTER(ImageAlpha, TGLTextureImageAlpha, FImageAlpha, ImageParamChanged)
CLIENT_TEXTURE_PARAM_SETTER(ImageBrightness, float, FImageBrightness, ImageParamChanged)
CLIENT_TEXTURE_PARAM_SETTER(ImageGamma, float, FImageGamma, ImageParamChanged)
#undef CLIENT_TEXTURE_PARAM_SETTER

void TGLTexture::SetDisabled(bool value) {
  if (value == FDisabled) return;
  FDisabled = value;
  NotifyOwnerOfStructure();
}

void TGLTexture::SetMappingMode(TGLTextureMappingMode value) {
  if (value == FMappingMode) return;
  const bool backToUser = value == tmmUser;
  FMappingMode = value;
  if (backToUser)
    NotifyOwnerOfStructure();
  else
    NotifyChange(this);
}

TGLCoordinates4* TGLTexture::GetMappingSCoordinates() {
  if (!FMapSCoordinates) FMapSCoordinates = std::make_unique<TGLCoordinates4>(this, XHmgVector, csUnknown);
  return FMapSCoordinates.get();
}

TGLCoordinates4* TGLTexture::GetMappingTCoordinates() {
  if (!FMapTCoordinates) FMapTCoordinates = std::make_unique<TGLCoordinates4>(this, XHmgVector, csUnknown);
  return FMapTCoordinates.get();
}

void TGLTexture::SetMappingSCoordinates(const TGLCoordinates4* value) {
  GetMappingSCoordinates()->SetAsVector(value ? value->AsVector() : XHmgVector);
}

void TGLTexture::SetMappingTCoordinates(const TGLCoordinates4* value) {
  GetMappingTCoordinates()->SetAsVector(value ? value->AsVector() : XHmgVector);
}

void TGLTexture::SetImage(const TGLTextureImage* source) {
  if (!source) {
    FImage = MakeImage(TGLPersistentImage::StaticClass());
    ImageParamChanged();
    return;
  }
  if (source == FImage.get()) return;
  if (&source->ClassType() != &FImage->ClassType()) FImage = MakeImage(source->ClassType());
  FImage->Assign(source);
  ImageParamChanged();
}

void TGLTexture::SetImageClassName(const std::string& name) {
  if (name == FImage->ClassName()) return;
  const TClassInfo* imageClass = FindGLTextureImageClass(name);
  if (!imageClass) throw ETexture("Unknown texture image class: " + name);
  FImage = MakeImage(*imageClass);
  ImageParamChanged();
}

void TGLTexture::Assign(const TPersistent* source) {
  if (!source) {
    FDisabled = true;
    FImage = MakeImage(TGLPersistentImage::StaticClass());
    FImageChanged = FParametersChanged = true;
    NotifyChange(this);
    return;
  }
  if (auto* other = dynamic_cast<const TGLTexture*>(source)) {
    if (other == this) return;
    FDisabled = other->FDisabled;
    FTextureMode = other->FTextureMode;
    FTextureWrap = other->FTextureWrap;
    FTextureFormat = other->FTextureFormat;
    FCompression = other->FCompression;
    FMinFilter = other->FMinFilter;
    FMagFilter = other->FMagFilter;
    FFilteringQuality = other->FFilteringQuality;
    FMappingMode = other->FMappingMode;
    if (other->FMapSCoordinates) GetMappingSCoordinates()->Initialize(other->FMapSCoordinates->AsVector());
    if (other->FMapTCoordinates) GetMappingTCoordinates()->Initialize(other->FMapTCoordinates->AsVector());
    FImageAlpha = other->FImageAlpha;
    // A copy that looked different would not be a copy: brightness and
    // gamma go along with the alpha rule.
    FImageBrightness = other->FImageBrightness;
    FImageGamma = other->FImageGamma;
    BeginUpdate();
    SetImage(other->FImage.get());
    EndUpdate();
    FImageChanged = FParametersChanged = true;
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLTexture::AssignPicture(const Picture& picture) { AssignBitmap(picture.GetBitmap()); }

void TGLTexture::AssignBitmap(Bitmap bitmap) {
  if (!dynamic_cast<TGLPictureImage*>(FImage.get())) FImage = MakeImage(TGLPersistentImage::StaticClass());
  static_cast<TGLPictureImage*>(FImage.get())->AssignBitmap(std::move(bitmap));
}

void TGLTexture::DestroyHandles() {
  if (HasTextureName()) {
    FTextureHandle->DestroyHandle();
    // GL may hand the deleted name out again; a cached binding of it would
    // keep the next texture with that name from being bound.
    ResetGLTextureBindings();
  }
  FImageChanged = FParametersChanged = true;
  FRequiredMemorySize = -1;
}

GLuint TGLTexture::GetHandle(int textureUnit) {
  if (FTextureHandle && FTextureHandle->GetHandle() != 0 && !FImageChanged && !FParametersChanged)
    return FTextureHandle->GetHandle();
  if (!FTextureHandle) FTextureHandle = std::make_unique<TGLTextureHandle>();
  if (FTextureHandle->GetHandle() == 0) {
    // A fresh name holds no image, whatever the flags say (the context that
    // held the old one may have gone).
    FTextureHandle->AllocateHandle();
    CLIENT_ASSERT(FTextureHandle->GetHandle() != 0);
    FImageChanged = FParametersChanged = true;
  }
  const GLuint name = FTextureHandle->GetHandle();
  const GLenum target = FImage->NativeTextureTarget();
  if (IsCubeMapTarget(target) && !GL().Extensions.ARB_texture_cube_map) {
    FImageChanged = FParametersChanged = false;
    return name;
  }
  SetGLCurrentTexture(textureUnit, target, name);
  SetTextureParameters(target);
  FImageChanged = FParametersChanged = false;
  if (IsCubeMapTarget(target)) {
    auto* cube = dynamic_cast<TGLCubeMapImage*>(FImage.get());
    if (cube && cube->FacesMatch())
      for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face)
        UploadImage(face);
  } else {
    UploadImage(GL_TEXTURE_2D);
  }
  return name;
}

void TGLTexture::SetTextureParameters(GLenum target) {
  const GLApi& gl = GL();
  gl.glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl.glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  gl.glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  GLenum wrapS = GL_REPEAT, wrapT = GL_REPEAT;
  GLWrapOf(FTextureWrap, HasEdgeClamp(), wrapS, wrapT);
  gl.glTexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrapS));
  gl.glTexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrapT));
  gl.glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(GLMinFilterOf(FMinFilter)));
  gl.glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(GLMagFilterOf(FMagFilter)));
  if (gl.Extensions.EXT_texture_filter_anisotropic)
    gl.glTexParameteri(target, kTextureMaxAnisotropy, FFilteringQuality == tfAnisotropic ? 2 : 1);
}

void TGLTexture::UploadImage(GLenum target) {
  TGLBitmap32* bitmap = FImage->GetBitmap32(target);
  BitmapRelease release{FImage.get()};
  FUploadedAlpha.reset();
  if (!bitmap || bitmap->IsEmpty()) return;
  PrepareBitmapForUpload(*bitmap, FImageAlpha, FImageBrightness, FImageGamma);

  TGLTextureCompression compression = tcNone;
  if (GL().Extensions.ARB_texture_compression)
    compression = FCompression == tcDefault ? g_defaultTextureCompression : FCompression;
  if (compression != tcNone) {
    GLenum hint = GL_DONT_CARE;
    switch (compression) {
      case tcStandard: hint = GL_DONT_CARE; break;
      case tcHighQuality: hint = GL_NICEST; break;
      case tcHighSpeed: hint = GL_FASTEST; break;
      default: CLIENT_ASSERT(false, "Unknown texture compression");
    }
    GL().glHint(kTextureCompressionHint, hint);
  }
  RaiseOnGLError();
  TAlphaContent alpha = TAlphaContent::Graded;
  bitmap->RegisterAsOpenGLTexture(target, FMinFilter, GLInternalFormat(FTextureFormat, compression), FTexWidth,
                                  FTexHeight, &alpha);
  FUploadedAlpha = alpha;
  FUploadedCompressed = compression != tcNone;
  FUploadedEdgeClamp = HasEdgeClamp();
  GLint size = -1;
  GL().glGetTexLevelParameteriv(target, 0, kTextureCompressedImageSize, &size);
  FRequiredMemorySize = GL().glGetError() == GL_NO_ERROR ? size : -1;
  ClearGLError();
}

bool TGLTexture::SamplesClearOrOpaqueOnly() const {
  if (!FUploadedAlpha || FUploadedCompressed) return false;
  const TGLTextureFormat format = FTextureFormat == tfDefault ? g_defaultTextureFormat : FTextureFormat;
  switch (format) {
    case tfRGB:
    case tfRGB16:
    case tfLuminance:
      return true;  // no alpha kept: every texel is opaque
    case tfIntensity:
      return false;  // alpha is the texel's intensity
    default:
      break;
  }
  const bool nearest = FMinFilter == miNearest && FMagFilter == maNearest;
  switch (*FUploadedAlpha) {
    case TAlphaContent::Opaque: {
      // Filters that mix texels keep 1, unless they reach GL_CLAMP's border.
      if (nearest || FUploadedEdgeClamp) return true;
      return FTextureWrap == twBoth;
    }
    case TAlphaContent::OpaqueOrClear:
      return nearest;  // mixing a clear texel with an opaque one grades
    case TAlphaContent::Graded:
      return false;
  }
  return false;
}

void TGLTexture::ApplyMappingMode() {
  const GLApi& gl = GL();
  switch (FMappingMode) {
    case tmmUser: break;
    case tmmObjectLinear:
    case tmmEyeLinear: {
      const bool object = FMappingMode == tmmObjectLinear;
      const GLenum plane = object ? GL_OBJECT_PLANE : GL_EYE_PLANE;
      gl.glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, object ? GL_OBJECT_LINEAR : GL_EYE_LINEAR);
      gl.glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, object ? GL_OBJECT_LINEAR : GL_EYE_LINEAR);
      gl.glTexGenfv(GL_S, plane, GetMappingSCoordinates()->AsAddress());
      gl.glTexGenfv(GL_T, plane, GetMappingTCoordinates()->AsAddress());
      gl.glEnable(GL_TEXTURE_GEN_S);
      gl.glEnable(GL_TEXTURE_GEN_T);
      break;
    }
    case tmmSphere:
      gl.glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
      gl.glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
      gl.glEnable(GL_TEXTURE_GEN_S);
      gl.glEnable(GL_TEXTURE_GEN_T);
      break;
    case tmmCubeMapReflection:
    case tmmCubeMapNormal:
    case tmmCubeMapLight0:
      if (gl.Extensions.ARB_texture_cube_map) {
        const GLint mode = FMappingMode == tmmCubeMapReflection ? GL_REFLECTION_MAP : GL_NORMAL_MAP;
        gl.glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, mode);
        gl.glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, mode);
        gl.glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, mode);
        gl.glEnable(GL_TEXTURE_GEN_S);
        gl.glEnable(GL_TEXTURE_GEN_T);
        gl.glEnable(GL_TEXTURE_GEN_R);
      }
      break;
    default: CLIENT_ASSERT(false, "Unknown texture mapping mode");
  }
}

void TGLTexture::LoadCubeMapLightMatrix(TRenderContextInfo& rci) {
  if (!rci.scene) return;
  TGLLightSource* light = nullptr;
  for (TGLLightSource* candidate : rci.scene->Lights())
    if (candidate) {
      light = candidate;
      break;
    }
  TGLCamera* camera = rci.buffer ? rci.buffer->GetCamera() : nullptr;
  if (!camera) camera = rci.scene->GetCurrentCamera();
  // Without either the matrix stays the identity: a plain normal map.
  if (!light || !camera) return;
  SetGLTextureMatrix(CubeMapLightTextureMatrix(camera->ViewMatrix(), light->GetAbsoluteMatrix()));
}

void TGLTexture::UnApplyMappingMode() {
  if (FMappingMode == tmmUser) return;
  GL().glDisable(GL_TEXTURE_GEN_S);
  GL().glDisable(GL_TEXTURE_GEN_T);
  GL().glDisable(GL_TEXTURE_GEN_R);
}

void TGLTexture::Apply(TRenderContextInfo& rci) {
  if (FDisabled) return;
  const GLenum target = FImage->NativeTextureTarget();
  const bool cube = IsCubeMapTarget(target);
  if (cube && !GL().Extensions.ARB_texture_cube_map) return;
  SetGLState(rci.GLStates, cube ? stTextureCubeMap : stTexture2D);
  const GLuint name = GetHandle(0);
  SetGLCurrentTexture(0, target, name);
  GL().glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(GLTextureEnvModeOf(FTextureMode)));
  ApplyMappingMode();
  if (cube && FMappingMode == tmmCubeMapLight0) LoadCubeMapLightMatrix(rci);
  xgl::MapTexCoordToMain();
}

void TGLTexture::UnApply(TRenderContextInfo& rci) {
  if (FDisabled) return;
  if (rci.GLStates.Contains(stTextureCubeMap)) {
    UnSetGLState(rci.GLStates, stTextureCubeMap);
    ResetGLTextureMatrix();
  } else {
    UnSetGLState(rci.GLStates, stTexture2D);
  }
  UnApplyMappingMode();
}

void TGLTexture::ApplyOnUnit(int unit, TRenderContextInfo& rci, const TMatrix* textureMatrix) {
  if (unit == 0) {
    Apply(rci);
    if (!FDisabled && textureMatrix) SetGLTextureMatrix(*textureMatrix);
    return;
  }
  if (FDisabled || !GL().Extensions.ARB_multitexture) return;
  const GLenum target = FImage->NativeTextureTarget();
  if (IsCubeMapTarget(target) && !GL().Extensions.ARB_texture_cube_map) return;
  const GLApi& gl = GL();
  gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
  if (textureMatrix) {
    gl.glMatrixMode(GL_TEXTURE);
    gl.glLoadMatrixf(&(*textureMatrix)[0][0]);
    gl.glMatrixMode(GL_MODELVIEW);
  }
  gl.glEnable(target);
  const GLuint name = GetHandle(unit);
  SetGLCurrentTexture(unit, target, name);
  gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(GLTextureEnvModeOf(FTextureMode)));
  ApplyMappingMode();
  gl.glActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTexture::UnApplyOnUnit(int unit, TRenderContextInfo& rci, bool resetTextureMatrix) {
  if (unit == 0) {
    if (!FDisabled && resetTextureMatrix) ResetGLTextureMatrix();
    UnApply(rci);
    return;
  }
  if (FDisabled || !GL().Extensions.ARB_multitexture) return;
  const GLApi& gl = GL();
  gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
  gl.glDisable(FImage->NativeTextureTarget());
  UnApplyMappingMode();
  if (resetTextureMatrix) {
    gl.glMatrixMode(GL_TEXTURE);
    gl.glLoadIdentity();
    gl.glMatrixMode(GL_MODELVIEW);
  }
  gl.glActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTexture::ApplyOnSecondUnit(TRenderContextInfo& rci, const TMatrix* textureMatrix) {
  ApplyOnUnit(1, rci, textureMatrix);
}

void TGLTexture::UnApplyOnSecondUnit(TRenderContextInfo& rci, bool resetTextureMatrix) {
  UnApplyOnUnit(1, rci, resetTextureMatrix);
}
