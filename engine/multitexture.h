#pragma once
// Texture coordinates, coordinate generation, coordinate arrays and texture
// enables sent once by drawing code and routed by a process-wide mapping
// mode to the texture units that should receive them:
//
//   xgl::MapTexCoordToDual();
//   xgl::TexCoord2f(s, t);   // reaches unit 0 and unit 1
//
// Drawing code calls the xgl:: entry points instead of the plain GL ones; the
// renderer switches the mode around passes. The mapping starts as Null, so
// nothing reaches GL through it until a renderer maps it.
//
// The multi-unit modes need GL_ARB_multitexture in the current function
// table (an assertion failure otherwise); callers check
// GL().Extensions.ARB_multitexture first. After every multi-unit TexGen,
// Enable, Disable or array call, the active and the client active texture
// units are unit 0 again.
//
// Rendering thread only; nothing here is synchronised.

#include <span>
#include <vector>

#include "engine/gl_api.h"

enum TMapTexCoordMode {
  mtcmUndefined,
  mtcmNull,
  mtcmMain,
  mtcmDual,
  mtcmSecond,
  mtcmArbitrary
};

// The fifteen routed entry points, with the signatures of their GL
// counterparts.
struct TXGLDispatch {
  void (*TexCoord2f)(GLfloat s, GLfloat t);
  void (*TexCoord2fv)(const GLfloat* v);
  void (*TexCoord3f)(GLfloat s, GLfloat t, GLfloat r);
  void (*TexCoord3fv)(const GLfloat* v);
  void (*TexCoord4f)(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
  void (*TexCoord4fv)(const GLfloat* v);
  void (*TexGenf)(GLenum coord, GLenum pname, GLfloat param);
  void (*TexGenfv)(GLenum coord, GLenum pname, const GLfloat* params);
  void (*TexGeni)(GLenum coord, GLenum pname, GLint param);
  void (*TexGeniv)(GLenum coord, GLenum pname, const GLint* params);
  void (*TexCoordPointer)(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
  void (*EnableClientState)(GLenum array);
  void (*DisableClientState)(GLenum array);
  void (*Enable)(GLenum cap);
  void (*Disable)(GLenum cap);
};

namespace xgl {

namespace detail {
extern const TXGLDispatch* g_dispatch;
}

// The table of the current mode.
inline const TXGLDispatch& Dispatch() { return *detail::g_dispatch; }

inline void TexCoord2f(GLfloat s, GLfloat t) { Dispatch().TexCoord2f(s, t); }
inline void TexCoord2fv(const GLfloat* v) { Dispatch().TexCoord2fv(v); }
inline void TexCoord3f(GLfloat s, GLfloat t, GLfloat r) { Dispatch().TexCoord3f(s, t, r); }
inline void TexCoord3fv(const GLfloat* v) { Dispatch().TexCoord3fv(v); }
inline void TexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) { Dispatch().TexCoord4f(s, t, r, q); }
inline void TexCoord4fv(const GLfloat* v) { Dispatch().TexCoord4fv(v); }
inline void TexGenf(GLenum coord, GLenum pname, GLfloat param) { Dispatch().TexGenf(coord, pname, param); }
inline void TexGenfv(GLenum coord, GLenum pname, const GLfloat* params) {
  Dispatch().TexGenfv(coord, pname, params);
}
inline void TexGeni(GLenum coord, GLenum pname, GLint param) { Dispatch().TexGeni(coord, pname, param); }
inline void TexGeniv(GLenum coord, GLenum pname, const GLint* params) {
  Dispatch().TexGeniv(coord, pname, params);
}
inline void TexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  Dispatch().TexCoordPointer(size, type, stride, pointer);
}
inline void EnableClientState(GLenum array) { Dispatch().EnableClientState(array); }
inline void DisableClientState(GLenum array) { Dispatch().DisableClientState(array); }
inline void Enable(GLenum cap) { Dispatch().Enable(cap); }
inline void Disable(GLenum cap) { Dispatch().Disable(cap); }

// Each fills the table for its mode; nothing happens when that mode is
// already current. While an update is open they only record the request.
void MapTexCoordToNull();
void MapTexCoordToMain();
// Unit 1 only; with the second unit forbidden, Null.
void MapTexCoordToSecond();
// Units 0 and 1; with the second unit forbidden, Main.
void MapTexCoordToDual();
// The given units (GL_TEXTUREn_ARB values). The list is stored at once,
// without GL_TEXTURE1_ARB while the second unit is forbidden.
void MapTexCoordToArbitrary(std::span<const GLenum> units);

// Nestable; the mode asked for last inside the outermost pair is applied
// once, at its end, when it differs from the current one.
void BeginUpdate();
void EndUpdate();

// A stack of modes around nested passes. Each entry keeps its own unit list,
// so popping an arbitrary mapping restores the units it was pushed with.
void PushTexCoordMapping();
void PopTexCoordMapping();

void ForbidSecondTextureUnit();
void AllowSecondTextureUnit();
bool SecondTextureUnitForbidden();

TMapTexCoordMode GetMapTexCoordMode();
// The units of the arbitrary mode as stored.
const std::vector<GLenum>& GetArbitraryUnits();

}  // namespace xgl
