#pragma once
// A function table whose every entry does nothing and returns zero, so that
// render code runs without a context while a call recorder watches it.

#include "engine/gl_api.h"
#include "engine/gl_functions.h"

namespace null_gl {
#define CLIENT_NULL_GL(ret, name, params, args) \
  inline ret GLAPIENTRY name params {           \
    using R = ret;                              \
    return R();                                 \
  }
#define CLIENT_NULL_GL_EXT(ext, ret, name, params, args) CLIENT_NULL_GL(ret, name, params, args)
CLIENT_GL_CORE_FUNCTIONS(CLIENT_NULL_GL)
CLIENT_GLU_FUNCTIONS(CLIENT_NULL_GL)
#undef CLIENT_NULL_GL
#undef CLIENT_NULL_GL_EXT
}  // namespace null_gl

inline const GLApi& NullGLApi() {
  static const GLApi table = [] {
    GLApi t{};
#define CLIENT_NULL_GL_FILL(ret, name, params, args) t.name = &null_gl::name;
    CLIENT_GL_CORE_FUNCTIONS(CLIENT_NULL_GL_FILL)
    CLIENT_GLU_FUNCTIONS(CLIENT_NULL_GL_FILL)
#undef CLIENT_NULL_GL_FILL
    t.VersionMajor = 1;
    t.VersionMinor = 1;
    return t;
  }();
  return table;
}
