#include "platform/egl/egl_display.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <mutex>

namespace egl_layer {

namespace {

struct SurfacelessDisplay {
  EGLDisplay display = EGL_NO_DISPLAY;
  std::vector<EGLConfig> handles;
  std::vector<ConfigInfo> configs;
  std::string failure;
};

EGLint Attribute(EGLDisplay display, EGLConfig config, EGLint name) {
  EGLint value = 0;
  eglGetConfigAttrib(display, config, name, &value);
  return value;
}

void Open(SurfacelessDisplay& d) {
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) {
    d.failure = "EGL has no eglGetPlatformDisplayEXT";
    return;
  }
  d.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (d.display == EGL_NO_DISPLAY || !eglInitialize(d.display, &major, &minor)) {
    d.failure = "Cannot open the surfaceless EGL display: " + LastErrorText();
    d.display = EGL_NO_DISPLAY;
    return;
  }
  EGLint count = 0;
  eglGetConfigs(d.display, nullptr, 0, &count);
  d.handles.resize(count > 0 ? count : 0);
  if (count > 0) eglGetConfigs(d.display, d.handles.data(), count, &count);
  d.handles.resize(count > 0 ? count : 0);
  for (EGLConfig config : d.handles) {
    ConfigInfo info;
    info.Id = Attribute(d.display, config, EGL_CONFIG_ID);
    info.Red = Attribute(d.display, config, EGL_RED_SIZE);
    info.Green = Attribute(d.display, config, EGL_GREEN_SIZE);
    info.Blue = Attribute(d.display, config, EGL_BLUE_SIZE);
    info.Alpha = Attribute(d.display, config, EGL_ALPHA_SIZE);
    info.Depth = Attribute(d.display, config, EGL_DEPTH_SIZE);
    info.Stencil = Attribute(d.display, config, EGL_STENCIL_SIZE);
    info.Samples = Attribute(d.display, config, EGL_SAMPLES);
    info.Pbuffer = (Attribute(d.display, config, EGL_SURFACE_TYPE) & EGL_PBUFFER_BIT) != 0;
    info.OpenGL = (Attribute(d.display, config, EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT) != 0;
    info.Slow = Attribute(d.display, config, EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG;
    d.configs.push_back(info);
  }
}

// Opened once for the life of the process: contexts come and go (one per
// test), the driver's start-up cost is paid once.
SurfacelessDisplay& Display() {
  static SurfacelessDisplay display;
  static std::once_flag once;
  std::call_once(once, [] { Open(display); });
  if (display.display == EGL_NO_DISPLAY) throw EEglFailure(display.failure);
  return display;
}

const char* ErrorName(EGLint code) {
  switch (code) {
    case EGL_SUCCESS: return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
    case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
    default: return "unknown EGL error";
  }
}

thread_local EGLint vLastError = EGL_SUCCESS;

void NoteError() { vLastError = eglGetError(); }

}  // namespace

const std::vector<ConfigInfo>& DisplayConfigs() { return Display().configs; }

GLProcAddress GetProcAddress(const char* name) {
  return reinterpret_cast<GLProcAddress>(eglGetProcAddress(name));
}

int LastErrorCode() { return vLastError; }

std::string LastErrorName() { return ErrorName(vLastError); }

std::string LastErrorText() {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "0x%04X %s", static_cast<unsigned>(vLastError),
                ErrorName(vLastError));
  return buffer;
}

PbufferContext::PbufferContext(int configIndex, int width, int height, const PbufferContext* share)
    : width_(width < 1 ? 1 : width), height_(height < 1 ? 1 : height) {
  SurfacelessDisplay& d = Display();
  if (configIndex < 0 || configIndex >= static_cast<int>(d.handles.size()))
    throw EEglFailure("Format not supported for pbuffer operation.");
  config_ = d.configs[configIndex];
  EGLConfig config = d.handles[configIndex];
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width_, EGL_HEIGHT, height_, EGL_NONE};
  surface_ = eglCreatePbufferSurface(d.display, config, surfaceAttributes);
  if (surface_ == EGL_NO_SURFACE) {
    NoteError();
    throw EEglFailure("Unabled to create pbuffer.");
  }
  // The API is chosen per thread; the engine draws with the fixed-function
  // pipeline, so it needs a compatibility profile.
  eglBindAPI(EGL_OPENGL_API);
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  context_ = eglCreateContext(d.display, config, share ? share->context_ : EGL_NO_CONTEXT,
                              contextAttributes);
  if (context_ == EGL_NO_CONTEXT) {
    NoteError();
    eglDestroySurface(d.display, surface_);
    throw EEglFailure("Unabled to create pbuffer's RC.");
  }
  // Read the renderer with the new context, then bind back what was bound.
  EGLContext formerContext = eglGetCurrentContext();
  EGLSurface formerDraw = eglGetCurrentSurface(EGL_DRAW);
  EGLSurface formerRead = eglGetCurrentSurface(EGL_READ);
  if (eglMakeCurrent(d.display, surface_, surface_, context_)) {
    const GLubyte* renderer = glGetString(GL_RENDERER);
    if (renderer) renderer_ = reinterpret_cast<const char*>(renderer);
    if (formerContext != EGL_NO_CONTEXT)
      eglMakeCurrent(d.display, formerDraw, formerRead, formerContext);
    else
      eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
}

PbufferContext::~PbufferContext() {
  SurfacelessDisplay& d = Display();
  if (IsCurrent()) eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(d.display, context_);
  eglDestroySurface(d.display, surface_);
}

bool PbufferContext::MakeCurrent() const {
  SurfacelessDisplay& d = Display();
  if (eglMakeCurrent(d.display, surface_, surface_, context_)) return true;
  NoteError();
  return false;
}

bool PbufferContext::ReleaseCurrent() {
  SurfacelessDisplay& d = Display();
  if (eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT)) return true;
  NoteError();
  return false;
}

bool PbufferContext::IsCurrent() const { return eglGetCurrentContext() == context_; }

}  // namespace egl_layer
