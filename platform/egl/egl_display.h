#pragma once
// The raw EGL layer: one process-wide display on Mesa's surfaceless platform
// (no X server needed) and pbuffer-backed desktop-GL contexts on it. The EGL
// headers stay inside egl_display.cpp, because their EGLContext type would
// clash with the engine's exception of that name.

#include <string>
#include <vector>

#include "engine/gl_api.h"
#include "platform/egl/egl_config.h"

namespace egl_layer {

// The configurations of the surfaceless display; initialises it on first use
// (raises EEglFailure when EGL or the platform is missing).
const std::vector<ConfigInfo>& DisplayConfigs();

// The EGL entry-point lookup, usable as the engine's GL loader.
GLProcAddress GetProcAddress(const char* name);

// "0x3009 EGL_BAD_MATCH" for the calling thread's last EGL error.
std::string LastErrorText();
int LastErrorCode();
// "EGL_BAD_MATCH"
std::string LastErrorName();

// A desktop-GL compatibility context with its own pbuffer surface.
class PbufferContext {
public:
  // `share` (may be null) is the context whose namespace the new one joins.
  // Raises EEglFailure with the message of the step that failed.
  PbufferContext(int configIndex, int width, int height, const PbufferContext* share);
  ~PbufferContext();
  PbufferContext(const PbufferContext&) = delete;
  PbufferContext& operator=(const PbufferContext&) = delete;

  // Binds to the calling thread; false on failure (see LastErrorText).
  bool MakeCurrent() const;
  // Unbinds whatever is bound on the calling thread.
  static bool ReleaseCurrent();
  bool IsCurrent() const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  const ConfigInfo& Config() const { return config_; }
  // GL_RENDERER, read once at creation.
  const std::string& Renderer() const { return renderer_; }

private:
  void* context_ = nullptr;
  void* surface_ = nullptr;
  int width_, height_;
  ConfigInfo config_;
  std::string renderer_;
};

}  // namespace egl_layer
