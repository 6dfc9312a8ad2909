#pragma once
// The rendering target of one view: owns its rendering context, the
// background, ambient and fog settings and the GL switches, and does the
// frame render, the picking render and the render into a bitmap.
//
// A render that fails half-way (a GL error, an exception of a drawable)
// leaves the buffer as it found it: not rendering, context deactivated,
// projection and model-view stack restored, selection mode left. The
// error goes on to the caller, which reports it; the next frame renders.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/bitmap32.h"
#include "engine/camera.h"
#include "engine/context.h"
#include "engine/fog_environment.h"
#include "engine/gl_color.h"
#include "engine/render_context_info.h"

class TGL3DScene;
class TGLBaseSceneObject;

using TContextOptions = std::uint8_t;
constexpr TContextOptions roDoubleBuffer = 1;
constexpr TContextOptions roStencilBuffer = 2;
constexpr TContextOptions roRenderToWindow = 4;
constexpr TContextOptions roTwoSideLighting = 8;
constexpr TContextOptions roStereo = 16;
constexpr TContextOptions roDestinationAlpha = 32;
constexpr TContextOptions roNoColorBuffer = 64;
constexpr TContextOptions roNoColorBufferClear = 128;

enum TGLDepthPrecision : std::uint8_t { dpDefault, dp16bits, dp24bits, dp32bits };
enum TGLColorDepth : std::uint8_t { cdDefault, cd8bits, cd16bits, cd24bits };
enum TGLShadeModel : std::uint8_t { smDefault, smSmooth, smFlat };

// One hit of a picking render.
struct TPickRecord {
  TGLBaseSceneObject* AObject = nullptr;
  // The names below the object's own (sub-objects).
  std::vector<std::uint32_t> SubObjects;
  float ZNear = 0.0f;  // 0..1
  float ZFar = 0.0f;
};

// 0 none, 1 by object name (ASCII case-insensitive), 2 near depth
// ascending, 3 by the far-depth difference.
enum TPickSortType : std::uint8_t { psDefault, psName, psMinDepth, psMaxDepth };

class TGLPickList {
public:
  explicit TGLPickList(TPickSortType sortType = psDefault) : FSortType(sortType) {}
  // Re-sorts unless the sort mode is psDefault.
  void AddHit(TPickRecord record);
  void Clear() { FHits.clear(); }
  int GetCount() const { return static_cast<int>(FHits.size()); }
  const TPickRecord& GetHit(int index) const { return FHits.at(static_cast<size_t>(index)); }
  TGLBaseSceneObject* Hit(int index) const { return GetHit(index).AObject; }
  void SetCapacity(int n) { FHits.reserve(static_cast<size_t>(n < 0 ? 0 : n)); }
  TPickSortType SortType() const { return FSortType; }

private:
  TPickSortType FSortType;
  std::vector<TPickRecord> FHits;
};

// Decodes a selection buffer of `hits` records (a record: name count,
// min depth, max depth, names) into the list. The first name is the
// object's pick id; a record without names or with an unknown id is
// skipped, and nothing is read past `size` words.
void DecodeSelectionBuffer(const GLuint* buffer, std::size_t size, int hits, TGLPickList& list);

// A rectangle of window pixels, y downwards.
struct TGLRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

using TBufferEvent = std::function<void(TObject* sender)>;

class TGL3DSceneBuffer : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGL3DSceneBuffer)
public:
  explicit TGL3DSceneBuffer(TPersistent* owner = nullptr);
  ~TGL3DSceneBuffer() override;

  // --- Context ---------------------------------------------------------------
  // Through the context manager's first context class. With memory, an
  // off-screen buffer of the viewport's size. Raises "Failed to create
  // RenderingContext." when no context can be made.
  void CreateRenderingContext(TGLOutputDevice device, bool memory, TGLContext* sharePartner = nullptr);
  void DestroyRenderingContext();
  bool HasRenderingContext() const { return FRenderingContext != nullptr; }
  TGLContext* GetRenderingContext() const { return FRenderingContext.get(); }
  // Each at least 1.
  void Resize(int width, int height);
  void SetViewPort(int x, int y, int width, int height);
  const TRectangle& GetViewport() const { return FViewport; }
  int GetWidth() const { return FViewport.Width; }
  int GetHeight() const { return FViewport.Height; }

  // --- Renders -----------------------------------------------------------------
  // The frame render (nothing while rendering or without a context).
  void Render(TGLBaseSceneObject* baseObject = nullptr);
  // Into a 32-bit picture of the bitmap's size (rows top-down, blue, green,
  // red, alpha), in a context of its own that shares with the buffer's.
  // DPI 0 means 96.
  void RenderToBitmap(RasterBuffer& bitmap, int DPI = 0);
  void PickInRectangle(const TGLRect& rect, TGLPickList& pickList, int objectCountGuess = 64);
  std::unique_ptr<TGLPickList> PickListInRectangle(const TGLRect& rect, int objectCountGuess = 64);
  // The nearest object under the pixel, nullptr for none.
  TGLBaseSceneObject* GetPickedObject(int x, int y);
  bool IsRendering() const { return FRendering; }

  void PushModelViewMatrix(const TMatrix& m);
  void PopModelViewMatrix();
  const TMatrix& GetModelViewMatrix() const { return FModelViewMatrix; }
  const TMatrix& GetProjectionMatrix() const { return FProjectionMatrix; }
  const TMatrix& GetBaseProjectionMatrix() const { return FBaseProjectionMatrix; }
  const TVector4f& GetCameraAbsolutePosition() const { return FCameraAbsolutePosition; }

  // --- Performance -------------------------------------------------------------
  float GetFramesPerSecond() const { return FFramesPerSecond; }
  int GetFrameCount() const { return FFrameCount; }
  void ResetPerformanceMonitor();

  // --- Properties -----------------------------------------------------------------
  TGLCamera* GetCamera() const { return FCamera; }
  void SetCamera(TGLCamera* camera);
  TColor GetBackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor color);
  float GetBackgroundAlpha() const { return FBackgroundAlpha; }
  void SetBackgroundAlpha(float alpha);
  TGLColor* GetAmbientColor() const { return FAmbientColor.get(); }
  void SetAmbientColor(const TGLColor* color);
  bool GetFaceCulling() const { return FFaceCulling; }
  void SetFaceCulling(bool value);
  bool GetFogEnable() const { return FFogEnable; }
  void SetFogEnable(bool value);
  bool GetLighting() const { return FLighting; }
  void SetLighting(bool value);
  bool GetDepthTest() const { return FDepthTest; }
  void SetDepthTest(bool value);
  TGLShadeModel GetShadeModel() const { return FShadeModel; }
  void SetShadeModel(TGLShadeModel value);
  TGLFogEnvironment* GetFogEnvironment() const { return FFogEnvironment.get(); }
  void SetFogEnvironment(const TGLFogEnvironment* fog);
  // These need a new context: OnStructuralChange is raised instead.
  TContextOptions GetContextOptions() const { return FContextOptions; }
  void SetContextOptions(TContextOptions value);
  TGLAntiAliasing GetAntiAliasing() const { return FAntiAliasing; }
  void SetAntiAliasing(TGLAntiAliasing value);
  TGLDepthPrecision GetDepthPrecision() const { return FDepthPrecision; }
  void SetDepthPrecision(TGLDepthPrecision value);
  TGLColorDepth GetColorDepth() const { return FColorDepth; }
  void SetColorDepth(TGLColorDepth value);
  // The bits of depth and of stencil a new context is asked for, from the
  // depth precision and the stencil option.
  int RequestedDepthBits() const;
  int RequestedStencilBits() const;
  int GetRenderDPI() const { return FRenderDPI; }

  TGLStates& GLStates() { return FGLStates; }
  std::vector<TAfterRenderEffect>& AfterRenderEffects() { return FAfterRenderEffects; }

  // Raises OnChange.
  void NotifyChange(TObject* sender) override;
  // The scene goes: forget its camera.
  void SceneDestroyed(TGL3DScene* scene);
  // Kept by the scenes, so that a buffer that goes leaves every one.
  void RegisteredWith(TGL3DScene* scene, bool registered);

  TBufferEvent OnChange;
  TBufferEvent OnStructuralChange;
  TBufferEvent BeforeRender;
  TBufferEvent PostRender;
  TBufferEvent AfterRender;
  // Set by a viewer: called at the start of each pass, before BeforeRender.
  TBufferEvent ViewerBeforeRender;
  // Called with the new context before it is created.
  std::function<void(TGLContext& context)> OnPrepareGLContext;

private:
  void ApplyContextOptions(TGLContext& context) const;
  void SetupRenderingContext();
  void ClearBuffers();
  void SetupViewMatrices(const TRectangle& viewport, int DPI, const TGLRect* pickRect);
  void RenderPass(TDrawState drawState, TGLBaseSceneObject* baseObject);
  TMatrix ReadMatrix(GLenum which) const;

  std::unique_ptr<TGLContext> FRenderingContext;
  bool FRendering = false;
  std::vector<TAfterRenderEffect> FAfterRenderEffects;
  TMatrix FProjectionMatrix = IdentityHmgMatrix;
  TMatrix FModelViewMatrix = IdentityHmgMatrix;
  TMatrix FBaseProjectionMatrix = IdentityHmgMatrix;
  std::vector<TMatrix> FModelViewMatrixStack;
  TVector4f FCameraAbsolutePosition{0, 0, 0, 1};
  TRectangle FViewport{0, 0, 1, 1};
  TColor FBackgroundColor = clBtnFace;
  float FBackgroundAlpha = 1.0f;
  std::unique_ptr<TGLColor> FAmbientColor;
  bool FFaceCulling = true;
  bool FFogEnable = false;
  bool FLighting = true;
  bool FDepthTest = true;
  TGLAntiAliasing FAntiAliasing = aaDefault;
  TGLDepthPrecision FDepthPrecision = dpDefault;
  TGLColorDepth FColorDepth = cdDefault;
  TContextOptions FContextOptions = roDoubleBuffer | roRenderToWindow;
  TGLShadeModel FShadeModel = smDefault;
  std::unique_ptr<TGLFogEnvironment> FFogEnvironment;
  int FRenderDPI = 96;
  TGLCamera* FCamera = nullptr;
  int FFrameCount = 0;
  std::chrono::steady_clock::time_point FFirstFrameTime{};
  float FFramesPerSecond = 0.0f;
  TGLStates FGLStates;
  std::vector<TGL3DScene*> FScenes;
};

// A view without a window: it owns its buffer and has a size of its own
// (256 x 256 unless set, at least 1 each way). How and where it renders is
// the descendant's business.
class TGLNonVisualViewer : public TComponent {
  CLIENT_DECLARE_CLASS(TGLNonVisualViewer)
public:
  explicit TGLNonVisualViewer(TComponent* owner = nullptr);
  ~TGLNonVisualViewer() override;

  TGL3DSceneBuffer* GetBuffer() const { return FBuffer.get(); }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  // At least 1; a changed size makes a new context at the next render.
  void SetWidth(int value);
  void SetHeight(int value);
  TGLCamera* GetCamera() const { return FBuffer->GetCamera(); }
  void SetCamera(TGLCamera* camera) { FBuffer->SetCamera(camera); }
  // The render events live in the buffer.
  const TBufferEvent& GetBeforeRender() const { return FBuffer->BeforeRender; }
  void SetBeforeRender(TBufferEvent event) { FBuffer->BeforeRender = std::move(event); }
  const TBufferEvent& GetPostRender() const { return FBuffer->PostRender; }
  void SetPostRender(TBufferEvent event) { FBuffer->PostRender = std::move(event); }
  const TBufferEvent& GetAfterRender() const { return FBuffer->AfterRender; }
  void SetAfterRender(TBufferEvent event) { FBuffer->AfterRender = std::move(event); }

  virtual void Render(TGLBaseSceneObject* baseObject = nullptr) = 0;

protected:
  // The buffer's change: nothing to invalidate without a window.
  virtual void DoBufferChange() {}
  // Options that need a new context: the old one goes, the next render
  // makes one with the new options.
  virtual void DoBufferStructuralChange();
  // Just before the buffer creates a context.
  virtual void DoPrepareGLContext(TGLContext& context) {}

private:
  std::unique_ptr<TGL3DSceneBuffer> FBuffer;
  int FWidth = 256;
  int FHeight = 256;
};

// An off-screen view rendering into a memory context of its own size.
class TGLMemoryViewer : public TGLNonVisualViewer {
  CLIENT_DECLARE_CLASS(TGLMemoryViewer)
public:
  explicit TGLMemoryViewer(TComponent* owner = nullptr);
  ~TGLMemoryViewer() override;

  // Creates the memory context on first use, then the frame render.
  void Render(TGLBaseSceneObject* baseObject = nullptr) override;
  // Copies the colour buffer into the bound texture `textureName` of
  // `target` (a sub-image copy; the texture must have an image).
  void CopyColorBufferToTexture(GLuint textureName, GLenum target, int xSrc, int ySrc, int width, int height,
                                int xDest, int yDest);
};
