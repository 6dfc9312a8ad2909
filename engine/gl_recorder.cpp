#include "engine/gl_recorder.h"

#include <cstdint>
#include <type_traits>

#include "platform/base/assertion.h"

namespace gl_detail {
extern const GLApi* g_currentGLApi;
}

namespace {

GLCallRecorder* g_recorder = nullptr;

template <class T>
double ArgValue(T value) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<double>(value);
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    return static_cast<double>(value);
  } else {
    static_assert(std::is_pointer_v<T>);
    return static_cast<double>(reinterpret_cast<std::uintptr_t>(value));
  }
}

template <class... A>
std::vector<double> ArgValues(A... values) {
  return {ArgValue(values)...};
}

#define CLIENT_GL_RECORD(ret, name, params, args)   \
  ret GLAPIENTRY Record_##name params {             \
    g_recorder->Note(#name, ArgValues args);        \
    return g_recorder->Inner().name args;           \
  }
#define CLIENT_GL_EXT_RECORD(ext, ret, name, params, args) CLIENT_GL_RECORD(ret, name, params, args)
CLIENT_GL_CORE_FUNCTIONS(CLIENT_GL_RECORD)
CLIENT_GLU_FUNCTIONS(CLIENT_GL_RECORD)
CLIENT_GL_EXTENSION_FUNCTIONS(CLIENT_GL_EXT_RECORD)
#undef CLIENT_GL_RECORD
#undef CLIENT_GL_EXT_RECORD

}  // namespace

GLCallRecorder::GLCallRecorder(const GLApi& inner)
    : inner_(&inner), table_(inner), previous_(gl_detail::g_currentGLApi) {
  CLIENT_ASSERT(g_recorder == nullptr, "A GL call recorder is already installed");
#define CLIENT_GL_WRAP(ret, name, params, args) \
  if (inner.name) table_.name = &Record_##name;
#define CLIENT_GL_EXT_WRAP(ext, ret, name, params, args) CLIENT_GL_WRAP(ret, name, params, args)
  CLIENT_GL_CORE_FUNCTIONS(CLIENT_GL_WRAP)
  CLIENT_GLU_FUNCTIONS(CLIENT_GL_WRAP)
  CLIENT_GL_EXTENSION_FUNCTIONS(CLIENT_GL_EXT_WRAP)
#undef CLIENT_GL_WRAP
#undef CLIENT_GL_EXT_WRAP
  g_recorder = this;
  gl_detail::g_currentGLApi = &table_;
}

GLCallRecorder::~GLCallRecorder() {
  gl_detail::g_currentGLApi = previous_;
  g_recorder = nullptr;
}

void GLCallRecorder::Note(const char* name, std::vector<double> args) {
  if (!paused_) calls_.push_back(GLCall{name, std::move(args)});
}

int GLCallRecorder::Count(std::string_view name) const {
  int n = 0;
  for (const GLCall& call : calls_)
    if (call.Name == name) ++n;
  return n;
}

std::vector<GLCall> GLCallRecorder::CallsOf(std::string_view name) const {
  std::vector<GLCall> result;
  for (const GLCall& call : calls_)
    if (call.Name == name) result.push_back(call);
  return result;
}

std::vector<std::string> GLCallRecorder::Names() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const GLCall& call : calls_) names.push_back(call.Name);
  return names;
}
