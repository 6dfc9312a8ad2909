#pragma once
// The engine's rendering context on an EGL pbuffer of Mesa's surfaceless
// platform: off-screen, no X server. CreateContext(0) gives a 1 x 1 pbuffer
// (a root context for others to share with); CreateMemoryContext gives one of
// the asked size. Pbuffers have one buffer, so SwapBuffers does nothing.

#include <memory>
#include <string>

#include "engine/bitmap32.h"
#include "engine/context.h"

namespace egl_layer {
class PbufferContext;
struct ConfigInfo;
}

class EglPbufferContext : public TGLContext {
public:
  explicit EglPbufferContext(TGLContextManager* manager = nullptr);
  ~EglPbufferContext() override;

  bool IsValid() const override { return pbuffer_ != nullptr; }
  void SwapBuffers() override {}
  TGLOutputDevice RenderOutputDevice() const override { return 0; }

  int GetWidth() const;
  int GetHeight() const;
  // GL_RENDERER of the created context ("llvmpipe ..." on Mesa's software path).
  std::string GetRenderer() const;
  const egl_layer::ConfigInfo* GetConfig() const;
  // Whether EGL has this context bound on the calling thread.
  bool IsBoundToThisThread() const;
  // The colour buffer as a picture (rows top-down, blue, green, red,
  // alpha), for rendering into a bitmap. The context must be current.
  RasterBuffer ReadColorBuffer() const;

protected:
  void DoActivate() override;
  void DoDeactivate() override;
  void DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) override;
  void DoCreateMemoryContext(TGLOutputDevice device, int width, int height, int bufferCount,
                             TGLContext* sharePartner) override;
  // EGL fixes sharing at creation: the context is made again with the
  // partner, which is only sound while it owns nothing and shares with no one.
  void DoShareLists(TGLContext* other) override;
  void DoDestroyContext() override;

private:
  std::unique_ptr<egl_layer::PbufferContext> Make(int width, int height,
                                                  TGLContext* sharePartner) const;

  std::unique_ptr<egl_layer::PbufferContext> pbuffer_;
  bool apiLoaded_ = false;
};

// Registers EglPbufferContext as a context class of the manager.
void RegisterEglContextClass();
void UnRegisterEglContextClass();
