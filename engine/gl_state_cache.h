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
// made: a drawable switches what it needs for its own drawing and leaves
// GL and the cache in step behind it.
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
void InvertGLFrontFace();
// GL_CCW, always sent.
void ResetGLFrontFace();

// All of the above at once (polygon modes, material colours, bound
// textures, front face), as the scene pass and sosResetsGLStateCaches do.
void ResetGLStateCaches();
