#include "engine/scene_buffer.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "engine/scene.h"
#include "engine/scene_node.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGL3DSceneBuffer, TGLUpdateAbleObject)
CLIENT_DEFINE_CLASS(TGLNonVisualViewer, TComponent)
CLIENT_DEFINE_CLASS(TGLMemoryViewer, TGLNonVisualViewer)
CLIENT_REGISTER_CLASS(TGLMemoryViewer);

namespace {

int CompareTextAscii(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : static_cast<unsigned char>(c); };
    if (lower(a[i]) != lower(b[i])) return lower(a[i]) < lower(b[i]) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The largest selection buffer tried before picking gives up (words).
constexpr std::size_t kMaxSelectionWords = std::size_t{1} << 24;

}  // namespace

// --- Pick list -----------------------------------------------------------------

void TGLPickList::AddHit(TPickRecord record) {
  FHits.push_back(std::move(record));
  switch (FSortType) {
    case psName:
      std::stable_sort(FHits.begin(), FHits.end(), [](const TPickRecord& a, const TPickRecord& b) {
        return CompareTextAscii(a.AObject->GetName(), b.AObject->GetName()) < 0;
      });
      break;
    case psMinDepth:
      std::stable_sort(FHits.begin(), FHits.end(),
                       [](const TPickRecord& a, const TPickRecord& b) { return a.ZNear < b.ZNear; });
      break;
    case psMaxDepth:
      std::stable_sort(FHits.begin(), FHits.end(), [](const TPickRecord& a, const TPickRecord& b) {
        return std::lround(a.ZFar - a.ZNear) < std::lround(b.ZFar - b.ZNear);
      });
      break;
    default:
      break;
  }
}

void DecodeSelectionBuffer(const GLuint* buffer, std::size_t size, int hits, TGLPickList& list) {
  list.Clear();
  list.SetCapacity(hits);
  std::size_t at = 0;
  for (int hit = 0; hit < hits; ++hit) {
    if (at + 3 > size) break;
    const GLuint names = buffer[at];
    if (names > size - at - 3) break;  // a record that runs past the buffer
    const GLuint zMin = buffer[at + 1];
    const GLuint zMax = buffer[at + 2];
    const GLuint* name = buffer + at + 3;
    at += 3 + names;
    // A hit drawn before any object loaded its name has no object.
    if (names == 0) continue;
    TGLBaseSceneObject* object = TGLBaseSceneObject::FindByPickId(name[0]);
    if (!object) continue;
    TPickRecord record;
    record.AObject = object;
    record.SubObjects.assign(name + 1, name + names);
    record.ZNear = static_cast<float>((zMin >> 1) / 2147483647.0);
    record.ZFar = static_cast<float>((zMax >> 1) / 2147483647.0);
    list.AddHit(std::move(record));
  }
}

// --- Scene buffer ------------------------------------------------------------------

namespace {

// The rendering flag and the context's activation for one render; what a
// failure half-way leaves is undone here, so that the next frame starts
// where this one did.
class RenderScope {
public:
  RenderScope(bool& rendering, TGLContext& context, std::vector<TMatrix>& stack)
      : rendering_(rendering), context_(context), stack_(stack), exceptions_(std::uncaught_exceptions()) {
    context_.Activate();
    rendering_ = true;
    const GLApi& gl = GL();
    gl.glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelViewDepth_);
    gl.glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth_);
    gl.glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attribDepth_);
  }
  ~RenderScope() {
    if (std::uncaught_exceptions() > exceptions_) Recover();
    rendering_ = false;
    context_.Deactivate();
  }
  RenderScope(const RenderScope&) = delete;
  RenderScope& operator=(const RenderScope&) = delete;

private:
  // Mid-frame failure: close a primitive left open, leave selection mode,
  // pop what the frame pushed and drop the errors all this raises.
  void Recover() {
    const GLApi& gl = GL();
    gl.glEnd();
    DropErrors();
    GLint mode = GL_RENDER;
    gl.glGetIntegerv(GL_RENDER_MODE, &mode);
    if (mode != GL_RENDER) gl.glRenderMode(GL_RENDER);
    PopTo(GL_ATTRIB_STACK_DEPTH, attribDepth_, [] { GL().glPopAttrib(); });
    gl.glMatrixMode(GL_PROJECTION);
    PopTo(GL_PROJECTION_STACK_DEPTH, projectionDepth_, [] { GL().glPopMatrix(); });
    gl.glMatrixMode(GL_MODELVIEW);
    PopTo(GL_MODELVIEW_STACK_DEPTH, modelViewDepth_, [] { GL().glPopMatrix(); });
    DropErrors();
    stack_.clear();
  }
  template <class Pop>
  static void PopTo(GLenum depthName, GLint depth, Pop pop) {
    GLint now = depth;
    GL().glGetIntegerv(depthName, &now);
    for (; now > depth; --now) pop();
  }
  static void DropErrors() {
    for (int i = 0; i < 8 && GL().glGetError() != GL_NO_ERROR; ++i) {
    }
  }

  bool& rendering_;
  TGLContext& context_;
  std::vector<TMatrix>& stack_;
  int exceptions_;
  GLint modelViewDepth_ = 1, projectionDepth_ = 1, attribDepth_ = 0;
};

// GL's own start values of the cached capabilities: only dithering is on.
TGLStates FreshContextStates() {
  TGLStates states;
  states.Include(stDither);
  return states;
}

void ForceGLState(TGLStates& states, TGLState state, bool on) {
  if (on) {
    GL().glEnable(GLStateToEnum(state));
    states.Include(state);
  } else {
    GL().glDisable(GLStateToEnum(state));
    states.Exclude(state);
  }
}

}  // namespace

TGL3DSceneBuffer::TGL3DSceneBuffer(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      FAmbientColor(std::make_unique<TGLColor>(this, clrGray20)),
      FFogEnvironment(std::make_unique<TGLFogEnvironment>(this)) {}

TGL3DSceneBuffer::~TGL3DSceneBuffer() {
  for (TGL3DScene* scene : std::vector<TGL3DScene*>(FScenes)) scene->UnregisterBuffer(this);
  if (FCamera) FCamera->DetachViewer(this);
  FCamera = nullptr;
  DestroyRenderingContext();
}

int TGL3DSceneBuffer::RequestedDepthBits() const {
  const int bits[] = {24, 16, 24, 32};
  return bits[FDepthPrecision];
}

int TGL3DSceneBuffer::RequestedStencilBits() const { return (FContextOptions & roStencilBuffer) ? 8 : 0; }

void TGL3DSceneBuffer::ApplyContextOptions(TGLContext& context) const {
  TGLRCOptions options = 0;
  if (FContextOptions & roDoubleBuffer) options |= rcoDoubleBuffered;
  if (FContextOptions & roStereo) options |= rcoStereo;
  context.SetOptions(options);
  int colorBits = 24;
  if (FContextOptions & roNoColorBuffer)
    colorBits = 0;
  else if (FColorDepth == cd8bits)
    colorBits = 8;
  else if (FColorDepth == cd16bits)
    colorBits = 16;
  context.SetColorBits(colorBits);
  context.SetDepthBits(RequestedDepthBits());
  context.SetStencilBits(RequestedStencilBits());
  context.SetAlphaBits((FContextOptions & roDestinationAlpha) ? 8 : 0);
  context.SetAccumBits(0);
  context.SetAuxBuffers(0);
  context.SetAntiAliasing(FAntiAliasing);
}

void TGL3DSceneBuffer::CreateRenderingContext(TGLOutputDevice device, bool memory, TGLContext* sharePartner) {
  DestroyRenderingContext();
  TGLContextManager* manager = GLContextManager();
  std::unique_ptr<TGLContext> context = manager ? manager->CreateContext() : nullptr;
  if (!context) throw EGLContext("Failed to create RenderingContext.");
  ApplyContextOptions(*context);
  if (OnPrepareGLContext) OnPrepareGLContext(*context);
  if (memory)
    context->CreateMemoryContext(device, FViewport.Width, FViewport.Height, 1, sharePartner);
  else
    context->CreateContext(device, sharePartner);
  context->Activate();
  struct Deactivate {
    TGLContext& c;
    ~Deactivate() { c.Deactivate(); }
  } deactivate{*context};
  const GLApi& gl = GL();
  if (gl.VersionMajor < 1 || (gl.VersionMajor == 1 && gl.VersionMinor < 1))
    throw EOpenGLError("Need at least OpenGL version 1.1");
  gl.glViewport(0, 0, FViewport.Width, FViewport.Height);
  FGLStates = FreshContextStates();
  SetupRenderingContext();
  const TVector4f bg = ConvertWinColor(FBackgroundColor, 1.0f);
  gl.glClearColor(bg[0], bg[1], bg[2], 1.0f);
  FRenderingContext = std::move(context);
}

void TGL3DSceneBuffer::DestroyRenderingContext() {
  if (!FRenderingContext) return;
  if (FCamera && FCamera->GetScene()) FCamera->GetScene()->UnregisterBuffer(this);
  FRenderingContext->DestroyContext();
  FRenderingContext.reset();
}

void TGL3DSceneBuffer::Resize(int width, int height) {
  FViewport.Width = std::max(width, 1);
  FViewport.Height = std::max(height, 1);
  if (FRenderingContext) {
    FRenderingContext->Activate();
    GL().glViewport(0, 0, FViewport.Width, FViewport.Height);
    FRenderingContext->Deactivate();
  }
}

void TGL3DSceneBuffer::SetViewPort(int x, int y, int width, int height) {
  FViewport = {x, y, width, height};
  NotifyChange(this);
}

void TGL3DSceneBuffer::SetupRenderingContext() {
  const GLApi& gl = GL();
  gl.glLightModelfv(GL_LIGHT_MODEL_AMBIENT, FAmbientColor->GetAsAddress());
  gl.glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, (FContextOptions & roTwoSideLighting) ? 1 : 0);
  // Sent whatever the cache thinks: this is where the cache and GL are
  // brought back into step once per frame.
  ForceGLState(FGLStates, stNormalize, true);
  ForceGLState(FGLStates, stDepthTest, FDepthTest);
  ForceGLState(FGLStates, stCullFace, FFaceCulling);
  ForceGLState(FGLStates, stLighting, FLighting);
  ForceGLState(FGLStates, stFog, FFogEnable);
  GLint blueBits = 8;
  gl.glGetIntegerv(GL_BLUE_BITS, &blueBits);
  ForceGLState(FGLStates, stDither, blueBits < 8);
  // What every scene pass leaves behind, and so what the next one starts
  // from; a fresh context (a bitmap's, a view's first frame) starts from it
  // too, or a blending material writes the depth of its clear texels.
  ForceGLState(FGLStates, stBlend, false);
  ForceGLState(FGLStates, stTexture2D, false);
  ForceGLState(FGLStates, stAlphaTest, true);
  gl.glAlphaFunc(GL_GREATER, 0.0f);
  gl.glDepthFunc(GL_LEQUAL);
  gl.glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  switch (FShadeModel) {
    case smDefault:
    case smSmooth:
      gl.glShadeModel(GL_SMOOTH);
      break;
    case smFlat:
      gl.glShadeModel(GL_FLAT);
      break;
    default:
      CLIENT_ASSERT(false, "Unknown shade model");
  }
}

void TGL3DSceneBuffer::ClearBuffers() {
  GLbitfield mask = 0;
  if (FContextOptions & (roNoColorBuffer | roNoColorBufferClear))
    mask = GL_DEPTH_BUFFER_BIT;
  else
    mask = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
  if (FContextOptions & roStencilBuffer) mask |= GL_STENCIL_BUFFER_BIT;
  GL().glClear(mask);
}

TMatrix TGL3DSceneBuffer::ReadMatrix(GLenum which) const {
  TMatrix m;
  GL().glGetFloatv(which, m[0].V);
  return m;
}

void TGL3DSceneBuffer::SetupViewMatrices(const TRectangle& viewport, int DPI, const TGLRect* pickRect) {
  const GLApi& gl = GL();
  gl.glMatrixMode(GL_PROJECTION);
  gl.glLoadIdentity();
  if (pickRect) {
    const GLint view[4] = {0, 0, viewport.Width, viewport.Height};
    const int cx = (pickRect->Left + pickRect->Right) / 2;
    const int cy = viewport.Height - (pickRect->Top + pickRect->Bottom) / 2;
    gl.gluPickMatrix(cx, cy, std::abs(pickRect->Right - pickRect->Left), std::abs(pickRect->Bottom - pickRect->Top),
                     const_cast<GLint*>(view));
  }
  FBaseProjectionMatrix = ReadMatrix(GL_PROJECTION_MATRIX);
  if (FCamera) {
    FCamera->ApplyProjection(viewport, viewport.Width, viewport.Height, DPI);
    FProjectionMatrix = ReadMatrix(GL_PROJECTION_MATRIX);
  } else {
    FProjectionMatrix = FBaseProjectionMatrix;
  }
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();
  if (FCamera) {
    if (FCamera->GetScene()) FCamera->GetScene()->SetCurrentCamera(FCamera);
    FCamera->Apply();
    FCameraAbsolutePosition = FCamera->GetAbsolutePosition();
  }
  FModelViewMatrix = ReadMatrix(GL_MODELVIEW_MATRIX);
}

void TGL3DSceneBuffer::RenderPass(TDrawState drawState, TGLBaseSceneObject* baseObject) {
  SetupViewMatrices(FViewport, FRenderDPI, nullptr);
  xgl::MapTexCoordToMain();
  if (ViewerBeforeRender) ViewerBeforeRender(this);
  if (BeforeRender) BeforeRender(this);
  TGL3DScene* scene = FCamera ? FCamera->GetScene() : nullptr;
  if (scene) {
    GLint maxLights = 8;
    GL().glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    scene->SetupLights(maxLights);
    if (FFogEnable) {
      SetGLState(FGLStates, stFog);
      FFogEnvironment->ApplyFog(FRenderingContext.get());
    } else {
      UnSetGLState(FGLStates, stFog);
    }
    scene->RenderPass(*this, FViewport.Width, FViewport.Height, drawState, baseObject);
  }
  if (PostRender) PostRender(this);
  if (!FModelViewMatrixStack.empty()) {
    FModelViewMatrixStack.clear();
    RaiseAssertion("Unbalance Push/PopModelViewMatrix.", __FILE__, __LINE__);
  }
}

void TGL3DSceneBuffer::Render(TGLBaseSceneObject* baseObject) {
  if (FRendering || !FRenderingContext) return;
  if (FCamera && FCamera->GetScene()) {
    FCamera->GetAbsoluteMatrix();
    FCamera->GetScene()->RegisterBuffer(this);
  }
  {
    RenderScope scope(FRendering, *FRenderingContext, FModelViewMatrixStack);
    if (FFrameCount == 0) FFirstFrameTime = std::chrono::steady_clock::now();
    FRenderDPI = 96;
    ClearGLError();
    SetupRenderingContext();
    const TVector4f bg = ConvertWinColor(FBackgroundColor, FBackgroundAlpha);
    GL().glClearColor(bg[0], bg[1], bg[2], bg[3]);
    ClearBuffers();
    RaiseOnGLError();
    RenderPass(rdsRendering, baseObject);
    RaiseOnGLError();
    FRenderingContext->SwapBuffers();
    ++FFrameCount;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - FFirstFrameTime).count();
    if (elapsed > 0) FFramesPerSecond = static_cast<float>(FFrameCount / elapsed);
    RaiseOnGLError();
  }
  if (AfterRender) AfterRender(this);
}

void TGL3DSceneBuffer::ResetPerformanceMonitor() {
  FFrameCount = 0;
  FFirstFrameTime = {};
}

void TGL3DSceneBuffer::PickInRectangle(const TGLRect& rect, TGLPickList& pickList, int objectCountGuess) {
  if (!FCamera) return;
  CLIENT_ASSERT(!FRendering, "Already rendering");
  if (!FRenderingContext) return;
  TGL3DScene* scene = FCamera->GetScene();
  RenderScope scope(FRendering, *FRenderingContext, FModelViewMatrixStack);
  const GLApi& gl = GL();
  const TMatrix projection = ReadMatrix(GL_PROJECTION_MATRIX);
  const TMatrix savedProjection = FProjectionMatrix, savedBase = FBaseProjectionMatrix;
  struct RestoreProjection {
    TGL3DSceneBuffer& buffer;
    const TMatrix& gl;
    const TMatrix& projection;
    const TMatrix& base;
    ~RestoreProjection() {
      GL().glMatrixMode(GL_PROJECTION);
      GL().glLoadMatrixf(gl[0].V);
      GL().glMatrixMode(GL_MODELVIEW);
      buffer.FProjectionMatrix = projection;
      buffer.FBaseProjectionMatrix = base;
    }
  } restore{*this, projection, savedProjection, savedBase};
  xgl::MapTexCoordToMain();
  SetupViewMatrices(FViewport, FRenderDPI, &rect);
  std::size_t n = static_cast<std::size_t>(std::max(8, objectCountGuess));
  std::vector<GLuint> selection;
  GLint hits = -1;
  do {
    n *= 2;
    const std::size_t words = 4 * n + 32;  // n x 16 + 128 bytes
    CLIENT_ASSERT(words <= kMaxSelectionWords, "Selection buffer overflow");
    selection.assign(words, 0);
    gl.glSelectBuffer(static_cast<GLsizei>(4 * n), selection.data());
    gl.glRenderMode(GL_SELECT);
    gl.glInitNames();
    gl.glPushName(0);
    FRenderDPI = 96;
    if (scene) scene->RenderPass(*this, FViewport.Width, FViewport.Height, rdsPicking, nullptr);
    gl.glFlush();
    hits = gl.glRenderMode(GL_RENDER);
  } while (hits < 0);
  DecodeSelectionBuffer(selection.data(), 4 * n, hits, pickList);
}

std::unique_ptr<TGLPickList> TGL3DSceneBuffer::PickListInRectangle(const TGLRect& rect, int objectCountGuess) {
  auto list = std::make_unique<TGLPickList>(psMinDepth);
  PickInRectangle(rect, *list, objectCountGuess);
  return list;
}

TGLBaseSceneObject* TGL3DSceneBuffer::GetPickedObject(int x, int y) {
  auto list = PickListInRectangle({x - 1, y - 1, x + 1, y + 1}, 64);
  return list->GetCount() > 0 ? list->Hit(0) : nullptr;
}

void TGL3DSceneBuffer::RenderToBitmap(RasterBuffer& bitmap, int DPI) {
  CLIENT_ASSERT(!FRendering, "Already rendering");
  const int width = std::max(bitmap.Width, 1), height = std::max(bitmap.Height, 1);
  TGLContextManager* manager = GLContextManager();
  std::unique_ptr<TGLContext> context = manager ? manager->CreateContext() : nullptr;
  if (!context) throw EGLContext("Failed to create RenderingContext.");
  ApplyContextOptions(*context);
  context->SetOptions(context->GetOptions() & static_cast<TGLRCOptions>(~rcoDoubleBuffered));
  context->SetColorBits(32);
  context->SetAlphaBits(8);
  context->SetAntiAliasing(aaNone);
  // Sharing with the buffer's own context keeps the display lists valid in
  // both, so nothing has to be purged and rebuilt around the picture.
  context->CreateMemoryContext(0, width, height, 1, FRenderingContext.get());
  struct FreeContext {
    std::unique_ptr<TGLContext>& c;
    ~FreeContext() {
      if (c->GetActive()) c->SetActive(false);
      c->DestroyContext();
    }
  } freeContext{context};
  // The bitmap context starts from GL's defaults; the buffer's own
  // context keeps the states it has.
  struct KeepStates {
    TGLStates& states;
    TGLStates saved;
    ~KeepStates() { states = saved; }
  } keepStates{FGLStates, FGLStates};
  FGLStates = FreshContextStates();
  {
    RenderScope scope(FRendering, *context, FModelViewMatrixStack);
    const GLApi& gl = GL();
    SetupRenderingContext();
    const TVector4f bg = ConvertWinColor(FBackgroundColor, 1.0f);
    gl.glClearColor(bg[0], bg[1], bg[2], 1.0f);
    gl.glViewport(0, 0, width, height);
    ClearBuffers();
    ResetGLPolygonModeCache();
    ResetGLMaterialColors();
    ResetGLTextureBindings();
    FRenderDPI = DPI > 0 ? DPI : 96;
    const TRectangle saved = FViewport;
    struct RestoreViewport {
      TRectangle& viewport;
      TRectangle saved;
      ~RestoreViewport() { viewport = saved; }
    } restoreViewport{FViewport, saved};
    FViewport = {0, 0, width, height};
    // The bitmap context has its own fog state.
    FFogEnvironment->NotifyChange(this);
    RenderPass(rdsBitmap, nullptr);
    gl.glFinish();
    bitmap.Width = width;
    bitmap.Height = height;
    bitmap.Pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    std::vector<std::uint8_t> rows(bitmap.Pixels.size());
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    // GL's rows run bottom-up; the picture's top-down.
    const size_t stride = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
      std::copy_n(rows.data() + static_cast<size_t>(height - 1 - y) * stride, stride,
                  bitmap.Pixels.data() + static_cast<size_t>(y) * stride);
    RaiseOnGLError();
  }
  // Fog goes to the real context again at its next frame.
  FFogEnvironment->NotifyChange(this);
  if (AfterRender) AfterRender(this);
}

void TGL3DSceneBuffer::PushModelViewMatrix(const TMatrix& m) {
  FModelViewMatrixStack.push_back(FModelViewMatrix);
  FModelViewMatrix = m;
}

void TGL3DSceneBuffer::PopModelViewMatrix() {
  CLIENT_ASSERT(!FModelViewMatrixStack.empty(), "Unbalanced PopModelViewMatrix");
  FModelViewMatrix = FModelViewMatrixStack.back();
  FModelViewMatrixStack.pop_back();
}

void TGL3DSceneBuffer::SetCamera(TGLCamera* camera) {
  if (camera == FCamera) return;
  if (FCamera) {
    if (FCamera->GetScene()) FCamera->GetScene()->UnregisterBuffer(this);
    FCamera->DetachViewer(this);
  }
  FCamera = nullptr;
  if (camera && camera->GetScene()) {
    FCamera = camera;
    FCamera->AttachViewer(this);
    if (!FCamera->IsDestroying()) FCamera->TransformationChanged();
  }
  NotifyChange(this);
}

void TGL3DSceneBuffer::SceneDestroyed(TGL3DScene* scene) {
  if (FCamera && FCamera->GetScene() == scene) {
    FCamera->DetachViewer(this);
    FCamera = nullptr;
  }
  RegisteredWith(scene, false);
}

void TGL3DSceneBuffer::RegisteredWith(TGL3DScene* scene, bool registered) {
  FScenes.erase(std::remove(FScenes.begin(), FScenes.end(), scene), FScenes.end());
  if (registered) FScenes.push_back(scene);
}

#define CLIENT_BUFFER_SETTER(Name, Field, Type) \
  void TGL3DSceneBuffer::Set##Name(Type value) { \
    if (value == Field) return;                  \
    Field = value;                               \
    NotifyChange(this);                          \
  }
CLIENT_BUFFER_SETTER(BackgroundColor, FBackgroundColor, TColor)
CLIENT_BUFFER_SETTER(BackgroundAlpha, FBackgroundAlpha, float)
CLIENT_BUFFER_SETTER(FaceCulling, FFaceCulling, bool)
CLIENT_BUFFER_SETTER(FogEnable, FFogEnable, bool)
CLIENT_BUFFER_SETTER(Lighting, FLighting, bool)
CLIENT_BUFFER_SETTER(DepthTest, FDepthTest, bool)
CLIENT_BUFFER_SETTER(ShadeModel, FShadeModel, TGLShadeModel)
#undef CLIENT_BUFFER_SETTER

#define CLIENT_BUFFER_STRUCTURAL_SETTER(Name, Field, Type) \
  void TGL3DSceneBuffer::Set##Name(Type value) {            \
    if (value == Field) return;                             \
    Field = value;                                          \
    if (OnStructuralChange) OnStructuralChange(this);       \
  }
CLIENT_BUFFER_STRUCTURAL_SETTER(ContextOptions, FContextOptions, TContextOptions)
CLIENT_BUFFER_STRUCTURAL_SETTER(AntiAliasing, FAntiAliasing, TGLAntiAliasing)
CLIENT_BUFFER_STRUCTURAL_SETTER(DepthPrecision, FDepthPrecision, TGLDepthPrecision)
CLIENT_BUFFER_STRUCTURAL_SETTER(ColorDepth, FColorDepth, TGLColorDepth)
#undef CLIENT_BUFFER_STRUCTURAL_SETTER

void TGL3DSceneBuffer::SetAmbientColor(const TGLColor* color) {
  if (color) FAmbientColor->Assign(color);
}

void TGL3DSceneBuffer::SetFogEnvironment(const TGLFogEnvironment* fog) {
  if (fog) FFogEnvironment->Assign(fog);
}

void TGL3DSceneBuffer::NotifyChange(TObject* sender) {
  if (OnChange) OnChange(this);
}

// --- Memory viewer --------------------------------------------------------------------

TGLNonVisualViewer::TGLNonVisualViewer(TComponent* owner)
    : TComponent(owner), FBuffer(std::make_unique<TGL3DSceneBuffer>(this)) {
  FBuffer->Resize(FWidth, FHeight);
  FBuffer->OnChange = [this](TObject*) { DoBufferChange(); };
  FBuffer->OnStructuralChange = [this](TObject*) { DoBufferStructuralChange(); };
  FBuffer->OnPrepareGLContext = [this](TGLContext& context) { DoPrepareGLContext(context); };
}

TGLNonVisualViewer::~TGLNonVisualViewer() {
  // The buffer outlives nothing of ours that its events would reach.
  FBuffer->OnChange = nullptr;
  FBuffer->OnStructuralChange = nullptr;
  FBuffer->OnPrepareGLContext = nullptr;
}

void TGLNonVisualViewer::SetWidth(int value) {
  value = std::max(value, 1);
  if (value == FWidth) return;
  FWidth = value;
  FBuffer->DestroyRenderingContext();
  FBuffer->Resize(FWidth, FHeight);
}

void TGLNonVisualViewer::SetHeight(int value) {
  value = std::max(value, 1);
  if (value == FHeight) return;
  FHeight = value;
  FBuffer->DestroyRenderingContext();
  FBuffer->Resize(FWidth, FHeight);
}

void TGLNonVisualViewer::DoBufferStructuralChange() { FBuffer->DestroyRenderingContext(); }

TGLMemoryViewer::TGLMemoryViewer(TComponent* owner) : TGLNonVisualViewer(owner) {}

TGLMemoryViewer::~TGLMemoryViewer() = default;

void TGLMemoryViewer::Render(TGLBaseSceneObject* baseObject) {
  TGL3DSceneBuffer* buffer = GetBuffer();
  if (!buffer->HasRenderingContext()) {
    buffer->Resize(GetWidth(), GetHeight());
    buffer->CreateRenderingContext(0, true);
  }
  buffer->Render(baseObject);
}

void TGLMemoryViewer::CopyColorBufferToTexture(GLuint textureName, GLenum target, int xSrc, int ySrc, int width,
                                               int height, int xDest, int yDest) {
  TGLContext* context = GetBuffer()->GetRenderingContext();
  if (!context) return;
  context->Activate();
  struct Deactivate {
    TGLContext* c;
    ~Deactivate() { c->Deactivate(); }
  } deactivate{context};
  SetGLCurrentTexture(0, target, textureName);
  GL().glCopyTexSubImage2D(target, 0, xDest, yDest, xSrc, ySrc, width, height);
}
