#include "engine/gl_api.h"

#include <charconv>
#include <cstring>
#include <string>
#include <unordered_set>

namespace {

constexpr GLApi StaticTable() {
  GLApi table{};
#define CLIENT_GL_STATIC(ret, name, params, args) table.name = &::name;
  CLIENT_GL_CORE_FUNCTIONS(CLIENT_GL_STATIC)
  CLIENT_GLU_FUNCTIONS(CLIENT_GL_STATIC)
#undef CLIENT_GL_STATIC
  return table;
}

constinit GLApi g_driverApi = StaticTable();

struct LoadedDriver {
  bool loaded = false;
  GLProcLoader loader = nullptr;
  std::string vendor, renderer, version, extensionText;
  std::unordered_set<std::string> extensions;
};

LoadedDriver& Driver() {
  static LoadedDriver driver;
  return driver;
}

std::string GLString(GLenum name) {
  const GLubyte* text = g_driverApi.glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : std::string();
}

// "4.5 (Compatibility Profile) Mesa 22.3.6" gives 4 and 5.
void ParseVersion(const std::string& text, int& major, int& minor) {
  major = minor = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  auto r = std::from_chars(p, end, major);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != '.') {
    major = 0;
    return;
  }
  std::from_chars(r.ptr + 1, end, minor);
}

}  // namespace

namespace gl_detail {
constinit const GLApi* g_currentGLApi = &g_driverApi;
}

const GLApi& GLDriverApi() { return g_driverApi; }

void LoadDriverGLApi(GLProcLoader loader) {
  LoadedDriver& driver = Driver();
  std::string vendor = GLString(GL_VENDOR);
  std::string renderer = GLString(GL_RENDERER);
  std::string version = GLString(GL_VERSION);
  std::string extensionText = GLString(GL_EXTENSIONS);
  if (driver.loaded && loader == driver.loader && vendor == driver.vendor && renderer == driver.renderer &&
      version == driver.version && extensionText == driver.extensionText)
    return;
  driver.loaded = true;
  driver.loader = loader;
  driver.vendor = std::move(vendor);
  driver.renderer = std::move(renderer);
  driver.version = std::move(version);
  driver.extensionText = std::move(extensionText);
  driver.extensions.clear();
  const std::string& text = driver.extensionText;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t next = text.find(' ', pos);
    if (next == std::string::npos) next = text.size();
    if (next > pos) driver.extensions.insert(text.substr(pos, next - pos));
    pos = next + 1;
  }
  ParseVersion(driver.version, g_driverApi.VersionMajor, g_driverApi.VersionMinor);

  GLExtensionFlags& flags = g_driverApi.Extensions;
#define CLIENT_GL_FLAG_READ(name) flags.name = driver.extensions.count("GL_" #name) != 0;
  CLIENT_GL_EXTENSION_FLAGS(CLIENT_GL_FLAG_READ)
#undef CLIENT_GL_FLAG_READ

  // An entry point is only used when its extension is listed; a listed
  // extension with a missing entry point counts as absent.
#define CLIENT_GL_EXT_LOAD(ext, ret, name, params, args)                            \
  g_driverApi.name = nullptr;                                                    \
  if (flags.ext && loader) {                                                     \
    g_driverApi.name = reinterpret_cast<ret(GLAPIENTRY*) params>(loader(#name)); \
  }
  CLIENT_GL_EXTENSION_FUNCTIONS(CLIENT_GL_EXT_LOAD)
#undef CLIENT_GL_EXT_LOAD
#define CLIENT_GL_EXT_CHECK(ext, ret, name, params, args) \
  if (!g_driverApi.name) flags.ext = false;
  CLIENT_GL_EXTENSION_FUNCTIONS(CLIENT_GL_EXT_CHECK)
#undef CLIENT_GL_EXT_CHECK
}

bool HasGLExtension(std::string_view name) {
  return Driver().extensions.count(std::string(name)) != 0;
}

ScopedGLApi::ScopedGLApi(const GLApi& table) : previous_(gl_detail::g_currentGLApi) {
  gl_detail::g_currentGLApi = &table;
}

ScopedGLApi::~ScopedGLApi() { gl_detail::g_currentGLApi = previous_; }
