#include "engine/gl_state_cache.h"

#include <cstring>
#include <initializer_list>
#include <vector>

#include "engine/gl_api.h"
#include "platform/base/assertion.h"

namespace {

constexpr GLenum kStateEnums[kGLStateCount] = {
    GL_ALPHA_TEST,    GL_AUTO_NORMAL,   GL_BLEND,          GL_COLOR_MATERIAL,  GL_CULL_FACE,
    GL_DEPTH_TEST,    GL_DITHER,        GL_FOG,            GL_LIGHTING,        GL_LINE_SMOOTH,
    GL_LINE_STIPPLE,  GL_LOGIC_OP,      GL_NORMALIZE,      GL_POINT_SMOOTH,    GL_POLYGON_SMOOTH,
    GL_POLYGON_STIPPLE, GL_SCISSOR_TEST, GL_STENCIL_TEST,  GL_TEXTURE_1D,      GL_TEXTURE_2D,
    0x8513 /* GL_TEXTURE_CUBE_MAP */};

constexpr int kTextureUnits = 8;

struct FaceCache {
  TVector4f emission, ambient, diffuse, specular;
  int shininess = 0;  // -1: unknown
};

struct Cache {
  GLenum frontPolygonMode = 0;
  GLenum backPolygonMode = 0;
  FaceCache front, back;
  long long textures[kTextureUnits] = {-1, -1, -1, -1, -1, -1, -1, -1};
  bool textureMatrixIsIdentity = true;
  int frontFace = 1;  // 1: counter-clockwise, 0: clockwise, -1: unknown
};

// Bytes 127 match no colour a caller sends, so the next set reaches GL.
void SpoilColors(FaceCache& f) {
  for (TVector4f* v : {&f.emission, &f.ambient, &f.diffuse, &f.specular}) std::memset(v->V, 127, sizeof v->V);
}

// Colours and shininess both unknown.
void SpoilFace(FaceCache& f) {
  SpoilColors(f);
  f.shininess = -1;
}

// A display list being compiled: the cache as it was before the list
// began, and what the list changes.
struct ListRecording {
  TGLStates* states;
  TGLListEffects* effects;
  Cache saved;
  std::uint32_t savedStates;
  std::uint32_t changedStates = 0;
  // Capabilities whose cached bit the list cannot rely on: GL may hold
  // another value when the list replays.
  std::uint32_t unsureStates = ~0u;
  std::uint32_t changedValues = 0;
  bool bindingsForgotten = false;
};

// Compilations cannot nest in GL, but a failed one may be open under
// another; the innermost is the one recording.
std::vector<ListRecording>& Recordings() {
  static std::vector<ListRecording> recordings;
  return recordings;
}
ListRecording* g_recording = nullptr;

void ValuesChanged(std::uint32_t values) {
  if (g_recording) g_recording->changedValues |= values;
}

std::uint32_t FaceValues(GLenum face) {
  if (face == GL_FRONT) return lvFrontMaterial;
  if (face == GL_FRONT_AND_BACK) return lvFrontMaterial | lvBackMaterial;
  return lvBackMaterial;
}

Cache& State() {
  static Cache cache = [] {
    Cache c;
    SpoilColors(c.front);
    SpoilColors(c.back);
    return c;
  }();
  return cache;
}

bool Differs3(const TVector4f& a, const TVector4f& b) { return std::memcmp(a.V, b.V, 3 * sizeof(float)) != 0; }
bool Differs4(const TVector4f& a, const TVector4f& b) { return std::memcmp(a.V, b.V, 4 * sizeof(float)) != 0; }

}  // namespace

GLenum GLStateToEnum(TGLState state) {
  CLIENT_ASSERT(state < kGLStateCount);
  return kStateEnums[state];
}

void GLStatesRestorer::Restore() {
  for (int i = 0; i < kGLStateCount; ++i) {
    const auto state = static_cast<TGLState>(i);
    if (saved_.Contains(state) == states_.Contains(state)) continue;
    if (saved_.Contains(state))
      SetGLState(states_, state);
    else
      UnSetGLState(states_, state);
  }
}

ScopedGLAttribs::ScopedGLAttribs(GLbitfield mask, TGLStates& states)
    : states_(states), enableBit_(g_recording && (mask & GL_ENABLE_BIT)) {
  if (enableBit_) {
    listChanged_ = g_recording->changedStates;
    listUnsure_ = g_recording->unsureStates;
  }
  GL().glPushAttrib(mask);
}

ScopedGLAttribs::~ScopedGLAttribs() {
  states_.Restore();
  GL().glPopAttrib();
  // In a list, the pop gives every capability back as the list had it at
  // the push, whatever the list switched since.
  if (enableBit_ && g_recording) {
    g_recording->changedStates = listChanged_;
    g_recording->unsureStates = listUnsure_;
  }
}

namespace {
bool Unsure(TGLState state) { return g_recording && ((g_recording->unsureStates >> state) & 1u); }

void Switched(TGLState state) {
  if (!g_recording) return;
  g_recording->changedStates |= 1u << state;
  g_recording->unsureStates &= ~(1u << state);
}
}  // namespace

void SetGLState(TGLStates& states, TGLState state) {
  if (states.Contains(state) && !Unsure(state)) return;
  GL().glEnable(GLStateToEnum(state));
  states.Include(state);
  Switched(state);
}

void UnSetGLState(TGLStates& states, TGLState state) {
  if (!states.Contains(state) && !Unsure(state)) return;
  GL().glDisable(GLStateToEnum(state));
  states.Exclude(state);
  Switched(state);
}

void SetGLPolygonMode(GLenum face, GLenum mode) {
  Cache& c = State();
  switch (face) {
    case GL_FRONT:
      if (c.frontPolygonMode != mode) {
        c.frontPolygonMode = mode;
        GL().glPolygonMode(GL_FRONT, mode);
        ValuesChanged(lvFrontPolygonMode);
      }
      break;
    case GL_BACK:
      if (c.backPolygonMode != mode) {
        c.backPolygonMode = mode;
        GL().glPolygonMode(GL_BACK, mode);
        ValuesChanged(lvBackPolygonMode);
      }
      break;
    case GL_FRONT_AND_BACK:
      if (c.frontPolygonMode != mode || c.backPolygonMode != mode) {
        c.frontPolygonMode = c.backPolygonMode = mode;
        GL().glPolygonMode(GL_FRONT_AND_BACK, mode);
        ValuesChanged(lvFrontPolygonMode | lvBackPolygonMode);
      }
      break;
    default:
      break;
  }
}

void ResetGLPolygonModeCache() {
  State().frontPolygonMode = 0;
  State().backPolygonMode = 0;
}

void SetGLMaterialColors(GLenum face, const TVector4f& emission, const TVector4f& ambient,
                         const TVector4f& diffuse, const TVector4f& specular, int shininess) {
  Cache& c = State();
  // Both faces are set by one call, so both caches follow it; a front-only
  // cache would otherwise keep a value GL no longer has.
  FaceCache* caches[2] = {nullptr, nullptr};
  if (face == GL_FRONT)
    caches[0] = &c.front;
  else if (face == GL_FRONT_AND_BACK)
    caches[0] = &c.front, caches[1] = &c.back;
  else
    caches[0] = &c.back;
  auto any = [&](auto differs) {
    bool result = false;
    for (FaceCache* f : caches)
      if (f && differs(*f)) result = true;
    return result;
  };
  if (any([&](const FaceCache& f) { return f.shininess != shininess; })) {
    GL().glMateriali(face, GL_SHININESS, shininess);
    for (FaceCache* f : caches)
      if (f) f->shininess = shininess;
    ValuesChanged(FaceValues(face));
  }
  struct Part {
    TVector4f FaceCache::*member;
    const TVector4f& value;
    GLenum name;
    bool four;
  } parts[] = {{&FaceCache::emission, emission, GL_EMISSION, false},
               {&FaceCache::ambient, ambient, GL_AMBIENT, false},
               {&FaceCache::diffuse, diffuse, GL_DIFFUSE, true},
               {&FaceCache::specular, specular, GL_SPECULAR, false}};
  for (const Part& p : parts) {
    if (any([&](const FaceCache& f) {
          return p.four ? Differs4(f.*p.member, p.value) : Differs3(f.*p.member, p.value);
        })) {
      GL().glMaterialfv(face, p.name, p.value.V);
      for (FaceCache* f : caches)
        if (f) f->*p.member = p.value;
      ValuesChanged(FaceValues(face));
    }
  }
}

void SetGLMaterialAlphaChannel(GLenum face, float alpha) {
  Cache& c = State();
  FaceCache& f = face == GL_FRONT ? c.front : c.back;
  if (std::memcmp(&f.diffuse[3], &alpha, sizeof(float)) == 0) return;
  f.diffuse[3] = alpha;
  if (face == GL_FRONT_AND_BACK) c.front.diffuse = f.diffuse;
  GL().glMaterialfv(face, GL_DIFFUSE, f.diffuse.V);
  ValuesChanged(FaceValues(face));
}

void ResetGLMaterialColors() {
  static constexpr TVector4f ambient{0.2f, 0.2f, 0.2f, 1.0f};
  static constexpr TVector4f diffuse{0.8f, 0.8f, 0.8f, 1.0f};
  static constexpr TVector4f black{0.0f, 0.0f, 0.0f, 1.0f};
  GL().glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient.V);
  GL().glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.V);
  GL().glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black.V);
  GL().glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black.V);
  GL().glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 0);
  Cache& c = State();
  SpoilColors(c.front);
  SpoilColors(c.back);
  c.front.shininess = 0;
  c.back.shininess = 0;
  ValuesChanged(lvFrontMaterial | lvBackMaterial);
}

void SetGLCurrentTexture(int textureUnit, GLenum target, GLuint handle) {
  CLIENT_ASSERT(textureUnit >= 0 && textureUnit < kTextureUnits);
  long long& cached = State().textures[textureUnit];
  if (cached == static_cast<long long>(handle)) return;
  GL().glBindTexture(target, handle);
  cached = handle;
  ValuesChanged(lvTextureUnit0 << textureUnit);
}

void ResetGLTextureBindings() {
  for (long long& t : State().textures) t = -1;
  // A name deleted meanwhile may come back for another texture: what the
  // cache held before the list must not come back with it.
  if (g_recording) g_recording->bindingsForgotten = true;
}

void SetGLTextureMatrix(const TMatrix& matrix) {
  State().textureMatrixIsIdentity = false;
  GL().glMatrixMode(GL_TEXTURE);
  GL().glLoadMatrixf(matrix[0].V);
  GL().glMatrixMode(GL_MODELVIEW);
  ValuesChanged(lvTextureMatrix);
}

void ResetGLTextureMatrix() {
  if (State().textureMatrixIsIdentity) return;
  GL().glMatrixMode(GL_TEXTURE);
  GL().glLoadIdentity();
  GL().glMatrixMode(GL_MODELVIEW);
  State().textureMatrixIsIdentity = true;
  ValuesChanged(lvTextureMatrix);
}

void InvertGLFrontFace() {
  int& f = State().frontFace;
  if (f < 0) {
    GLint mode = GL_CCW;
    GL().glGetIntegerv(GL_FRONT_FACE, &mode);
    f = mode == GL_CW ? 0 : 1;
  }
  f = 1 - f;
  GL().glFrontFace(f == 0 ? GL_CW : GL_CCW);
  ValuesChanged(lvFrontFace);
}

void ResetGLFrontFace() {
  GL().glFrontFace(GL_CCW);
  State().frontFace = 1;
  ValuesChanged(lvFrontFace);
}

void ResetGLStateCaches() {
  ResetGLPolygonModeCache();
  ResetGLMaterialColors();
  ResetGLTextureBindings();
  ResetGLFrontFace();
}

GLListCompilation::GLListCompilation(TGLStates& states, TGLListEffects& effects) {
  std::vector<ListRecording>& recordings = Recordings();
  recordings.push_back({&states, &effects, State(), states.Bits});
  g_recording = &recordings.back();
  // Nothing the cache holds may keep a change out of the list; the
  // winding is kept, since a change of it is sent as a value built on it.
  Cache& c = State();
  c.frontPolygonMode = c.backPolygonMode = 0;
  SpoilFace(c.front);
  SpoilFace(c.back);
  for (long long& t : c.textures) t = -1;
  c.textureMatrixIsIdentity = false;
}

GLListCompilation::~GLListCompilation() {
  std::vector<ListRecording>& recordings = Recordings();
  ListRecording& r = recordings.back();
  TGLListEffects& effects = *r.effects;
  effects.SetStates = r.changedStates;
  effects.OnStates = r.states->Bits & r.changedStates;
  effects.ChangedValues = r.changedValues;
  // GL_COMPILE ran nothing: GL holds what it held before the list.
  State() = r.saved;
  if (r.bindingsForgotten) ResetGLTextureBindings();
  r.states->Bits = r.savedStates;
  recordings.pop_back();
  g_recording = recordings.empty() ? nullptr : &recordings.back();
}

void GLListReplayed(TGLStates& states, const TGLListEffects& effects) {
  states.Bits = (states.Bits & ~effects.SetStates) | effects.OnStates;
  const std::uint32_t values = effects.ChangedValues;
  if (values) {
    Cache& c = State();
    if (values & lvFrontMaterial) SpoilFace(c.front);
    if (values & lvBackMaterial) SpoilFace(c.back);
    if (values & lvFrontPolygonMode) c.frontPolygonMode = 0;
    if (values & lvBackPolygonMode) c.backPolygonMode = 0;
    if (values & lvTextureMatrix) c.textureMatrixIsIdentity = false;
    if (values & lvFrontFace) c.frontFace = -1;
    for (int unit = 0; unit < kTextureUnits; ++unit)
      if (values & (lvTextureUnit0 << unit)) c.textures[unit] = -1;
  }
  // A list called inside another one is part of what that one does.
  if (g_recording) {
    g_recording->changedStates |= effects.SetStates;
    g_recording->unsureStates &= ~effects.SetStates;
    g_recording->changedValues |= values;
  }
}
