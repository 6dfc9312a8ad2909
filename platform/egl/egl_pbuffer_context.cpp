#include "platform/egl/egl_pbuffer_context.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/egl/egl_display.h"

namespace {

constexpr const char* kClassName = "EglPbufferContext";

int SamplesFor(TGLAntiAliasing antiAliasing) {
  switch (antiAliasing) {
    case aa2x:
    case aa2xHQ: return 2;
    case aa4x:
    case aa4xHQ: return 4;
    default: return 0;
  }
}

}  // namespace

EglPbufferContext::EglPbufferContext(TGLContextManager* manager) : TGLContext(manager) {}

EglPbufferContext::~EglPbufferContext() { DestroyContextOnDestruction(); }

int EglPbufferContext::GetWidth() const { return pbuffer_ ? pbuffer_->Width() : 0; }
int EglPbufferContext::GetHeight() const { return pbuffer_ ? pbuffer_->Height() : 0; }

std::string EglPbufferContext::GetRenderer() const {
  return pbuffer_ ? pbuffer_->Renderer() : std::string();
}

const egl_layer::ConfigInfo* EglPbufferContext::GetConfig() const {
  return pbuffer_ ? &pbuffer_->Config() : nullptr;
}

bool EglPbufferContext::IsBoundToThisThread() const { return pbuffer_ && pbuffer_->IsCurrent(); }

RasterBuffer EglPbufferContext::ReadColorBuffer() const {
  if (!IsBoundToThisThread()) throw EGLContext("Context not created");
  RasterBuffer picture;
  picture.Width = GetWidth();
  picture.Height = GetHeight();
  const std::size_t rowBytes = std::size_t(picture.Width) * 4;
  std::vector<std::uint8_t> bottomUp(rowBytes * picture.Height);
  const GLApi& gl = GLDriverApi();
  GLint packAlignment = 4;
  gl.glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl.glReadPixels(0, 0, picture.Width, picture.Height, GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
  gl.glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  picture.Pixels.resize(bottomUp.size());
  for (int row = 0; row < picture.Height; ++row)
    std::copy_n(bottomUp.data() + std::size_t(picture.Height - 1 - row) * rowBytes, rowBytes,
                picture.Pixels.data() + std::size_t(row) * rowBytes);
  return picture;
}

std::unique_ptr<egl_layer::PbufferContext> EglPbufferContext::Make(int width, int height,
                                                                   TGLContext* sharePartner) const {
  const egl_layer::PbufferContext* share = nullptr;
  if (sharePartner) {
    auto* partner = dynamic_cast<EglPbufferContext*>(sharePartner);
    if (!partner || !partner->pbuffer_) throw EGLContext("Incompatible contexts");
    share = partner->pbuffer_.get();
  }
  try {
    egl_layer::ConfigRequest request;
    request.ColorBits = GetColorBits();
    request.AlphaBits = GetAlphaBits();
    request.DepthBits = GetDepthBits();
    request.StencilBits = GetStencilBits();
    request.Samples = SamplesFor(GetAntiAliasing());
    const int config = egl_layer::ChooseConfig(egl_layer::DisplayConfigs(), request);
    return std::make_unique<egl_layer::PbufferContext>(config, width, height, share);
  } catch (const egl_layer::EEglFailure& failure) {
    throw EGLContext(failure.Message());
  }
}

void EglPbufferContext::DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) {
  if (device != 0) throw EGLContext("Off-screen contexts render to no window");
  DoCreateMemoryContext(0, 1, 1, 1, sharePartner);
}

void EglPbufferContext::DoCreateMemoryContext(TGLOutputDevice, int width, int height, int,
                                              TGLContext* sharePartner) {
  pbuffer_ = Make(width, height, sharePartner);
  apiLoaded_ = false;
  const std::string renderer = pbuffer_->Renderer();
  const bool software = renderer.find("llvmpipe") != std::string::npos ||
                        renderer.find("softpipe") != std::string::npos ||
                        renderer.find("swrast") != std::string::npos;
  SetAcceleration(software ? TGLContextAcceleration::Software : TGLContextAcceleration::Hardware);
}

void EglPbufferContext::DoShareLists(TGLContext* other) {
  if (!dynamic_cast<EglPbufferContext*>(other)) throw EGLContext("Incompatible contexts");
  if (!OwnedHandles().empty() || SharingContexts().size() > 1)
    throw EGLContext("Cannot share lists of a context that already holds GL objects");
  const bool bound = pbuffer_->IsCurrent();
  auto replacement = Make(pbuffer_->Width(), pbuffer_->Height(), other);
  if (bound) egl_layer::PbufferContext::ReleaseCurrent();
  pbuffer_ = std::move(replacement);
  if (bound) DoActivate();
}

void EglPbufferContext::DoDestroyContext() { pbuffer_.reset(); }

void EglPbufferContext::DoActivate() {
  if (!pbuffer_->MakeCurrent()) {
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(egl_layer::LastErrorCode()));
    throw EGLContext(std::string("Context activation failed: ") + code + ", " +
                     egl_layer::LastErrorName());
  }
  // Entry points and extension flags come from the first context made
  // current; the loader skips the work when the driver did not change.
  if (!apiLoaded_) {
    LoadDriverGLApi(&egl_layer::GetProcAddress);
    apiLoaded_ = true;
  }
}

void EglPbufferContext::DoDeactivate() {
  if (!egl_layer::PbufferContext::ReleaseCurrent()) throw EGLContext("Context deactivation failed");
}

void RegisterEglContextClass() {
  UnRegisterGLContextClass(kClassName);
  RegisterGLContextClass(kClassName, [](TGLContextManager* manager) {
    return std::unique_ptr<TGLContext>(std::make_unique<EglPbufferContext>(manager));
  });
}

void UnRegisterEglContextClass() { UnRegisterGLContextClass(kClassName); }
