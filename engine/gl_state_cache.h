#pragma once
// The process-wide cache of GL state. Drawables enable capabilities,
// set material colours, polygon modes and bind textures through it, so that
// a call that would not change GL is never made. The caches assume one
// rendering context at a time; the scene buffer resets them when a frame or
// a bitmap render begins. Rendering thread only; nothing here checks for
// GL errors.

#include <cstdint>

#include <GL/gl.h>

#include "engine/vector_types.h"

// The cached capabilities, in this order (one bit each in TGLStates).
enum TGLState : std::uint8_t {
  stAlphaTest, stAutoNormal, stBlend, stColorMaterial, stCullFace, stDepthTest, stDither, stFog,
  stLighting, stLineSmooth, stLineStipple, stLogicOp, stNormalize, stPointSmooth, stPolygonSmooth,
  stPolygonStipple, stScissorTest, stStencilTest, stTexture1D, stTexture2D, stTextureCubeMap
};
constexpr int kGLStateCount = 21;

// The GL capability of each state.
GLenum GLStateToEnum(TGLState state);

// A set of up to 32 states: the capabilities that are on.
struct TGLStates {
  std::uint32_t Bits = 0;
  constexpr bool Contains(TGLState s) const { return (Bits >> s) & 1u; }
  constexpr void Include(TGLState s) { Bits |= 1u << s; }
  constexpr void Exclude(TGLState s) { Bits &= ~(1u << s); }
  constexpr bool operator==(const TGLStates&) const = default;
};

// glEnable only when the state is not in the set, then it is.
void SetGLState(TGLStates& states, TGLState state);
// glDisable only when the state is in the set, then it is not.
void UnSetGLState(TGLStates& states, TGLState state);

// Puts the capabilities back through the cache as they were when it was
// made (those that differ): a drawable switches what it needs for its own
// drawing and leaves GL and the cache in step behind it.
class GLStatesRestorer {
public:
  explicit GLStatesRestorer(TGLStates& states) : states_(states), saved_(states) {}
  ~GLStatesRestorer() { Restore(); }
  GLStatesRestorer(const GLStatesRestorer&) = delete;
  GLStatesRestorer& operator=(const GLStatesRestorer&) = delete;
  // Early, for a caller that must restore before something else.
  void Restore();

private:
  TGLStates& states_;
  TGLStates saved_;
};

// glPushAttrib of `mask` for its lifetime; before the pop, the cached
// capabilities are put back through the cache, so that a drawable can
// switch them through the cache inside and leave both in step.
class ScopedGLAttribs {
public:
  ScopedGLAttribs(GLbitfield mask, TGLStates& states);
  ~ScopedGLAttribs();
  ScopedGLAttribs(const ScopedGLAttribs&) = delete;
  ScopedGLAttribs& operator=(const ScopedGLAttribs&) = delete;

private:
  GLStatesRestorer states_;
  // Inside a display list: what the list had changed of the capabilities
  // before the push, which the pop gives back (with GL_ENABLE_BIT).
  bool enableBit_;
  std::uint32_t listChanged_ = 0, listUnsure_ = 0;
};

// GL_FRONT, GL_BACK or GL_FRONT_AND_BACK; a call only when a cached mode
// differs.
void SetGLPolygonMode(GLenum face, GLenum mode);
// The next SetGLPolygonMode always reaches GL.
void ResetGLPolygonModeCache();

// GL_FRONT uses the front cache, GL_BACK the back one, GL_FRONT_AND_BACK
// both (a call when either differs). Diffuse is compared on four
// components, the others on three; bitwise.
void SetGLMaterialColors(GLenum face, const TVector4f& emission, const TVector4f& ambient,
                         const TVector4f& diffuse, const TVector4f& specular, int shininess);
// Replaces the cached diffuse alpha and sends the diffuse again when it differs.
void SetGLMaterialAlphaChannel(GLenum face, float alpha);
// Sets GL's default material on both faces and spoils the caches so that
// the next SetGLMaterialColors always reaches GL.
void ResetGLMaterialColors();

// glBindTexture only when the unit's cached name differs. Units 0..7.
void SetGLCurrentTexture(int textureUnit, GLenum target, GLuint handle);
void ResetGLTextureBindings();

// Loads m into the texture matrix; the identity flag drops.
void SetGLTextureMatrix(const TMatrix& matrix);
// Loads the identity only when something else was loaded.
void ResetGLTextureMatrix();

// Toggles the winding taken as front: GL_CW after one call, GL_CCW after two.
// After a list that changed it, the winding is read back from GL first.
void InvertGLFrontFace();
// GL_CCW, always sent.
void ResetGLFrontFace();

// All of the above at once (polygon modes, material colours, bound
// textures, front face), as the scene pass and sosResetsGLStateCaches do.
void ResetGLStateCaches();

// What a display list leaves changed of the cached state. A list compiles
// with GL_COMPILE, which runs nothing, and replays without any code of
// ours, so the cache learns a list's changes while it compiles and is told
// of them each time the list replays.
struct TGLListEffects {
  // The capabilities the list leaves as it switched them, and of those the
  // ones it leaves on.
  std::uint32_t SetStates = 0;
  std::uint32_t OnStates = 0;
  // The other cached values it changes (TGLListValue bits), which the cache
  // takes as unknown after a replay: vertex colours may have driven the
  // material, an attribute pop may have given a value back.
  std::uint32_t ChangedValues = 0;
  constexpr bool operator==(const TGLListEffects&) const = default;
};

enum TGLListValue : std::uint32_t {
  lvFrontMaterial = 1u << 0,
  lvBackMaterial = 1u << 1,
  lvFrontPolygonMode = 1u << 2,
  lvBackPolygonMode = 1u << 3,
  lvTextureMatrix = 1u << 4,
  lvFrontFace = 1u << 5,
  lvTextureUnit0 = 1u << 8,  // one bit per texture unit from here
};

// Open while a display list compiles (between glNewList and glEndList).
// Every change goes into the list whatever the cache held before, since
// GL may hold something else when the list replays; what the list changes
// is gathered into `effects`. At the end the cache holds again what it
// held before the list began, as GL does.
class GLListCompilation {
public:
  GLListCompilation(TGLStates& states, TGLListEffects& effects);
  ~GLListCompilation();
  GLListCompilation(const GLListCompilation&) = delete;
  GLListCompilation& operator=(const GLListCompilation&) = delete;
};

// After glCallList of a list: the cache holds what the list left in GL.
void GLListReplayed(TGLStates& states, const TGLListEffects& effects);
