#pragma once
// The texture of one material: an exchangeable image source, the GL
// parameters and the GL texture name. The name is made and the image
// uploaded lazily, the first time the texture is applied (or its handle is
// asked for) after a change; parameter and image changes are tracked apart,
// and either one uploads again.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <GL/gl.h>

#include "engine/bitmap32.h"
#include "engine/context_handle.h"
#include "engine/gl_coordinates.h"
#include "engine/render_context_info.h"
#include "engine/texture_image.h"

enum TGLTextureMode : std::uint8_t { tmDecal, tmModulate, tmBlend, tmReplace };
enum TGLTextureWrap : std::uint8_t { twBoth, twNone, twVertical, twHorizontal };
enum TGLTextureFormat : std::uint8_t {
  tfDefault, tfRGB, tfRGBA, tfRGB16, tfRGBA16, tfAlpha, tfLuminance, tfLuminanceAlpha, tfIntensity
};
enum TGLMagFilter : std::uint8_t { maNearest, maLinear };
enum TGLTextureImageAlpha : std::uint8_t {
  tiaDefault,
  tiaAlphaFromIntensity,
  tiaSuperBlackTransparent,
  tiaLuminance,
  tiaLuminanceSqrt,
  tiaOpaque,
  tiaTopLeftPointColorTransparent,
  tiaInverseLuminance,
  tiaInverseLuminanceSqrt
};
enum TGLTextureMappingMode : std::uint8_t {
  tmmUser, tmmObjectLinear, tmmEyeLinear, tmmSphere, tmmCubeMapReflection, tmmCubeMapNormal,
  tmmCubeMapLight0
};
enum TGLTextureCompression : std::uint8_t { tcDefault, tcNone, tcStandard, tcHighQuality, tcHighSpeed };
enum TGLTextureFilteringQuality : std::uint8_t { tfIsotropic, tfAnisotropic };

// What tfDefault and tcDefault stand for, process-wide.
TGLTextureFormat GetDefaultTextureFormat();
void SetDefaultTextureFormat(TGLTextureFormat value);
TGLTextureCompression GetDefaultTextureCompression();
void SetDefaultTextureCompression(TGLTextureCompression value);

// The GL internal format of a format and a compression (no defaults).
GLint GLInternalFormat(TGLTextureFormat format, TGLTextureCompression compression);
// The GL values of the filters, wrap modes and texture modes.
GLenum GLMinFilterOf(TGLMinFilter filter);
GLenum GLMagFilterOf(TGLMagFilter filter);
GLenum GLTextureEnvModeOf(TGLTextureMode mode);
// The S and T wrap modes; without edge clamping GL_CLAMP stands in for
// GL_CLAMP_TO_EDGE.
void GLWrapOf(TGLTextureWrap wrap, bool edgeClamp, GLenum& s, GLenum& t);
// The alpha, brightness and gamma steps of an upload, on the bitmap.
void PrepareBitmapForUpload(TGLBitmap32& bitmap, TGLTextureImageAlpha alpha, float brightness,
                            float gamma);

// The texture matrix of tmmCubeMapLight0: eye-space vectors (what normal
// map generation gives) turned into the frame of the light, so that the cube
// map stays fixed to the light however the view turns. Rotations only.
TMatrix CubeMapLightTextureMatrix(const TMatrix& viewMatrix, const TMatrix& lightAbsoluteMatrix);

class TGLTexture : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLTexture)
public:
  explicit TGLTexture(TPersistent* owner = nullptr);
  ~TGLTexture() override;
  TGLTexture(const TGLTexture&) = delete;
  TGLTexture& operator=(const TGLTexture&) = delete;

  // From a texture: every parameter and the image. nullptr: disabled, with
  // a fresh persistent image.
  void Assign(const TPersistent* source) override;
  // The image becomes a picture image holding a copy of the picture.
  void AssignPicture(const Picture& picture);
  // Taken by value: a picture handed over (moved) is not copied.
  void AssignBitmap(Bitmap bitmap);

  TGLTextureMode GetTextureMode() const { return FTextureMode; }
  void SetTextureMode(TGLTextureMode value);
  TGLTextureWrap GetTextureWrap() const { return FTextureWrap; }
  void SetTextureWrap(TGLTextureWrap value);
  TGLTextureFormat GetTextureFormat() const { return FTextureFormat; }
  void SetTextureFormat(TGLTextureFormat value);
  TGLMinFilter GetMinFilter() const { return FMinFilter; }
  void SetMinFilter(TGLMinFilter value);
  TGLMagFilter GetMagFilter() const { return FMagFilter; }
  void SetMagFilter(TGLMagFilter value);
  TGLTextureCompression GetCompression() const { return FCompression; }
  void SetCompression(TGLTextureCompression value);
  TGLTextureFilteringQuality GetFilteringQuality() const { return FFilteringQuality; }
  void SetFilteringQuality(TGLTextureFilteringQuality value);

  TGLTextureImageAlpha GetImageAlpha() const { return FImageAlpha; }
  void SetImageAlpha(TGLTextureImageAlpha value);
  float GetImageBrightness() const { return FImageBrightness; }
  void SetImageBrightness(float value);
  float GetImageGamma() const { return FImageGamma; }
  void SetImageGamma(float value);

  bool GetDisabled() const { return FDisabled; }
  void SetDisabled(bool value);
  bool GetEnabled() const { return !FDisabled; }
  void SetEnabled(bool value) { SetDisabled(!value); }

  TGLTextureMappingMode GetMappingMode() const { return FMappingMode; }
  void SetMappingMode(TGLTextureMappingMode value);
  // Made on first access, (1, 0, 0, 0).
  TGLCoordinates4* GetMappingSCoordinates();
  TGLCoordinates4* GetMappingTCoordinates();
  void SetMappingSCoordinates(const TGLCoordinates4* value);
  void SetMappingTCoordinates(const TGLCoordinates4* value);

  TGLTextureImage* GetImage() const { return FImage.get(); }
  // A source of another class replaces the image by one of its class; then
  // the image copies the source. nullptr installs a fresh persistent image.
  void SetImage(const TGLTextureImage* source);
  std::string GetImageClassName() const { return FImage->ClassName(); }
  // A registered image class; an unknown name raises ETexture.
  void SetImageClassName(const std::string& name);

  // The GL name, made and uploaded when missing or after a change. Binds
  // it on `textureUnit` (the unit that is active) through the state cache.
  // Needs a current context.
  GLuint GetHandle(int textureUnit = 0);
  bool HasTextureName() const { return FTextureHandle && FTextureHandle->GetHandle() != 0; }
  // The GL name is destroyed; the next use uploads again.
  void DestroyHandles();
  // Set by the last upload; -1 until measured or when GL cannot tell.
  int GetRequiredMemorySize() const { return FRequiredMemorySize; }
  int GetTexWidth() const { return FTexWidth; }
  int GetTexHeight() const { return FTexHeight; }
  // Whether every fragment the texture colours takes from it only alpha 0
  // or 1, so that blending cannot depend on what is drawn first: for the
  // picture last uploaded and the filters, wrap and format in force; false
  // until an upload.
  bool SamplesClearOrOpaqueOnly() const;
  bool ImageChanged() const { return FImageChanged; }
  bool ParametersChanged() const { return FParametersChanged; }
  // The image tells its texture this way.
  void NotifyImageChange();
  void NotifyParamsChange();

  // Texture unit 0, unless disabled.
  void Apply(TRenderContextInfo& rci);
  void UnApply(TRenderContextInfo& rci);
  // Unit 1 through GL_ARB_multitexture; the texture matrix of `textureMatrix`
  // (a library material's, when not the identity) is loaded on that unit.
  void ApplyOnSecondUnit(TRenderContextInfo& rci, const TMatrix* textureMatrix = nullptr);
  void UnApplyOnSecondUnit(TRenderContextInfo& rci, bool resetTextureMatrix = false);
  // Any unit (0-based); unit 0 is Apply and UnApply.
  void ApplyOnUnit(int unit, TRenderContextInfo& rci, const TMatrix* textureMatrix = nullptr);
  void UnApplyOnUnit(int unit, TRenderContextInfo& rci, bool resetTextureMatrix = false);

  TTextureNeededEvent OnTextureNeeded;

private:
  void ParamsChanged();
  void ImageParamChanged();
  // Texture enabling is compiled into the drawables' lists: the material's
  // owner must rebuild them.
  void NotifyOwnerOfStructure();
  std::unique_ptr<TGLTextureImage> MakeImage(const TClassInfo& imageClass);
  void SetTextureParameters(GLenum target);
  void UploadImage(GLenum target);
  void ApplyMappingMode();
  // The light-relative cube map's texture matrix, from the first light and
  // the camera of the scene being rendered.
  void LoadCubeMapLightMatrix(TRenderContextInfo& rci);
  void UnApplyMappingMode();

  std::unique_ptr<TGLTextureHandle> FTextureHandle;
  TGLTextureMode FTextureMode = tmDecal;
  TGLTextureWrap FTextureWrap = twBoth;
  TGLTextureFormat FTextureFormat = tfDefault;
  TGLMinFilter FMinFilter = miLinearMipmapLinear;
  TGLMagFilter FMagFilter = maLinear;
  bool FImageChanged = true;
  bool FParametersChanged = true;
  bool FDisabled = true;
  std::unique_ptr<TGLTextureImage> FImage;
  TGLTextureImageAlpha FImageAlpha = tiaDefault;
  float FImageBrightness = 1.0f;
  float FImageGamma = 1.0f;
  TGLTextureMappingMode FMappingMode = tmmUser;
  std::unique_ptr<TGLCoordinates4> FMapSCoordinates;
  std::unique_ptr<TGLCoordinates4> FMapTCoordinates;
  TGLTextureCompression FCompression = tcDefault;
  int FRequiredMemorySize = -1;
  TGLTextureFilteringQuality FFilteringQuality = tfIsotropic;
  int FTexWidth = 0;
  int FTexHeight = 0;
  // What the texels of the last upload held (none without one), and how it
  // was made: compressed formats and the border of GL_CLAMP may grade it.
  std::optional<TAlphaContent> FUploadedAlpha;
  bool FUploadedCompressed = false;
  bool FUploadedEdgeClamp = false;
};
