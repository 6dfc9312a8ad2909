#pragma once
// The one table through which every GL and GLU call of the engine goes:
//
//   GL().glEnable(GL_BLEND);
//
// The core and GLU entries point straight into the system libraries from the
// start; extension entries are looked up by name when a context is made
// current (LoadDriverGLApi) and stay null unless the context reports the
// extension. Tests install a table of their own (ScopedGLApi) or wrap the
// driver's one with GLCallRecorder to count and check the calls.

#include <string>
#include <string_view>

#include "engine/gl_functions.h"

// What a platform context hands in to resolve an entry point by name
// (eglGetProcAddress and alike).
using GLProcAddress = void (*)();
using GLProcLoader = GLProcAddress (*)(const char* name);

struct GLExtensionFlags {
#define CLIENT_GL_FLAG_FIELD(name) bool name = false;
  CLIENT_GL_EXTENSION_FLAGS(CLIENT_GL_FLAG_FIELD)
#undef CLIENT_GL_FLAG_FIELD
};

struct GLApi {
#define CLIENT_GL_FIELD(ret, name, params, args) ret(GLAPIENTRY* name) params = nullptr;
#define CLIENT_GL_EXT_FIELD(ext, ret, name, params, args) ret(GLAPIENTRY* name) params = nullptr;
  CLIENT_GL_CORE_FUNCTIONS(CLIENT_GL_FIELD)
  CLIENT_GLU_FUNCTIONS(CLIENT_GL_FIELD)
  CLIENT_GL_EXTENSION_FUNCTIONS(CLIENT_GL_EXT_FIELD)
#undef CLIENT_GL_FIELD
#undef CLIENT_GL_EXT_FIELD

  // Filled with the entry points: an extension flag is true only when the
  // context reported the extension and all its entry points were found.
  GLExtensionFlags Extensions;
  // GL_VERSION of the last context loaded, 0.0 before any.
  int VersionMajor = 0;
  int VersionMinor = 0;
};

namespace gl_detail {
extern const GLApi* g_currentGLApi;
}

// The table in use on the rendering thread.
inline const GLApi& GL() { return *gl_detail::g_currentGLApi; }

// The table filled from the driver. The core and GLU entries are valid at
// any time; the extension entries after the first LoadDriverGLApi.
const GLApi& GLDriverApi();

// Called by a platform context right after it became current: reads the GL
// version and the extension list of that context and looks up the extension
// entry points with the loader. Cheap when nothing changed since last time.
void LoadDriverGLApi(GLProcLoader loader);

// True when the last loaded context listed the extension (for example
// "GL_ARB_multitexture"); an exact match on one name of the list.
bool HasGLExtension(std::string_view name);

// Installs a table for the lifetime of the object and puts the former one
// back afterwards. The table must outlive the object.
class ScopedGLApi {
public:
  explicit ScopedGLApi(const GLApi& table);
  ~ScopedGLApi();
  ScopedGLApi(const ScopedGLApi&) = delete;
  ScopedGLApi& operator=(const ScopedGLApi&) = delete;

private:
  const GLApi* previous_;
};
