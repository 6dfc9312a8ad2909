#include "engine/multitexture.h"

#include "platform/base/assertion.h"

namespace {

struct StackEntry {
  TMapTexCoordMode mode;
  std::vector<GLenum> units;
};

struct MappingState {
  TMapTexCoordMode mode = mtcmNull;
  int updateCount = 0;
  TMapTexCoordMode requestedMode = mtcmUndefined;
  std::vector<StackEntry> stack;
  std::vector<GLenum> units;
  bool secondUnitForbidden = false;
};

MappingState& State() {
  static MappingState state;
  return state;
}

// ------------------------------------------------------------------- Null

void NullTexCoord2f(GLfloat, GLfloat) {}
void NullTexCoordv(const GLfloat*) {}
void NullTexCoord3f(GLfloat, GLfloat, GLfloat) {}
void NullTexCoord4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void NullTexGenf(GLenum, GLenum, GLfloat) {}
void NullTexGenfv(GLenum, GLenum, const GLfloat*) {}
void NullTexGeni(GLenum, GLenum, GLint) {}
void NullTexGeniv(GLenum, GLenum, const GLint*) {}
void NullTexCoordPointer(GLint, GLenum, GLsizei, const GLvoid*) {}
void NullCap(GLenum) {}

constexpr TXGLDispatch kNullTable = {
    NullTexCoord2f, NullTexCoordv, NullTexCoord3f, NullTexCoordv,  NullTexCoord4f,
    NullTexCoordv,  NullTexGenf,   NullTexGenfv,   NullTexGeni,    NullTexGeniv,
    NullTexCoordPointer, NullCap,  NullCap,        NullCap,        NullCap};

// ------------------------------------------------------------------- Main
// Through the function table rather than the GL library itself, so that a
// recording table sees what drawing code sends.

void MainTexCoord2f(GLfloat s, GLfloat t) { GL().glTexCoord2f(s, t); }
void MainTexCoord2fv(const GLfloat* v) { GL().glTexCoord2fv(v); }
void MainTexCoord3f(GLfloat s, GLfloat t, GLfloat r) { GL().glTexCoord3f(s, t, r); }
void MainTexCoord3fv(const GLfloat* v) { GL().glTexCoord3fv(v); }
void MainTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) { GL().glTexCoord4f(s, t, r, q); }
void MainTexCoord4fv(const GLfloat* v) { GL().glTexCoord4fv(v); }
void MainTexGenf(GLenum c, GLenum p, GLfloat v) { GL().glTexGenf(c, p, v); }
void MainTexGenfv(GLenum c, GLenum p, const GLfloat* v) { GL().glTexGenfv(c, p, v); }
void MainTexGeni(GLenum c, GLenum p, GLint v) { GL().glTexGeni(c, p, v); }
void MainTexGeniv(GLenum c, GLenum p, const GLint* v) { GL().glTexGeniv(c, p, v); }
void MainTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  GL().glTexCoordPointer(size, type, stride, pointer);
}
void MainEnableClientState(GLenum a) { GL().glEnableClientState(a); }
void MainDisableClientState(GLenum a) { GL().glDisableClientState(a); }
void MainEnable(GLenum cap) { GL().glEnable(cap); }
void MainDisable(GLenum cap) { GL().glDisable(cap); }

constexpr TXGLDispatch kMainTable = {
    MainTexCoord2f, MainTexCoord2fv, MainTexCoord3f, MainTexCoord3fv, MainTexCoord4f,
    MainTexCoord4fv, MainTexGenf, MainTexGenfv, MainTexGeni, MainTexGeniv,
    MainTexCoordPointer, MainEnableClientState, MainDisableClientState, MainEnable, MainDisable};

// Runs a server-side routine on unit 1 and selects unit 0 again.
template <class F>
void OnSecondUnit(F&& call) {
  GL().glActiveTextureARB(GL_TEXTURE1_ARB);
  call();
  GL().glActiveTextureARB(GL_TEXTURE0_ARB);
}
template <class F>
void OnSecondClientUnit(F&& call) {
  GL().glClientActiveTextureARB(GL_TEXTURE1_ARB);
  call();
  GL().glClientActiveTextureARB(GL_TEXTURE0_ARB);
}

// ----------------------------------------------------------------- Second

void SecondTexCoord2f(GLfloat s, GLfloat t) { GL().glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s, t); }
void SecondTexCoord2fv(const GLfloat* v) { GL().glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, v); }
void SecondTexCoord3f(GLfloat s, GLfloat t, GLfloat r) { GL().glMultiTexCoord3fARB(GL_TEXTURE1_ARB, s, t, r); }
void SecondTexCoord3fv(const GLfloat* v) { GL().glMultiTexCoord3fvARB(GL_TEXTURE1_ARB, v); }
void SecondTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  GL().glMultiTexCoord4fARB(GL_TEXTURE1_ARB, s, t, r, q);
}
void SecondTexCoord4fv(const GLfloat* v) { GL().glMultiTexCoord4fvARB(GL_TEXTURE1_ARB, v); }
void SecondTexGenf(GLenum c, GLenum p, GLfloat v) { OnSecondUnit([&] { GL().glTexGenf(c, p, v); }); }
void SecondTexGenfv(GLenum c, GLenum p, const GLfloat* v) { OnSecondUnit([&] { GL().glTexGenfv(c, p, v); }); }
void SecondTexGeni(GLenum c, GLenum p, GLint v) { OnSecondUnit([&] { GL().glTexGeni(c, p, v); }); }
void SecondTexGeniv(GLenum c, GLenum p, const GLint* v) { OnSecondUnit([&] { GL().glTexGeniv(c, p, v); }); }
void SecondTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  OnSecondClientUnit([&] { GL().glTexCoordPointer(size, type, stride, pointer); });
}
void SecondEnableClientState(GLenum a) { OnSecondClientUnit([&] { GL().glEnableClientState(a); }); }
void SecondDisableClientState(GLenum a) { OnSecondClientUnit([&] { GL().glDisableClientState(a); }); }
void SecondEnable(GLenum cap) { OnSecondUnit([&] { GL().glEnable(cap); }); }
void SecondDisable(GLenum cap) { OnSecondUnit([&] { GL().glDisable(cap); }); }

constexpr TXGLDispatch kSecondTable = {
    SecondTexCoord2f, SecondTexCoord2fv, SecondTexCoord3f, SecondTexCoord3fv, SecondTexCoord4f,
    SecondTexCoord4fv, SecondTexGenf, SecondTexGenfv, SecondTexGeni, SecondTexGeniv,
    SecondTexCoordPointer, SecondEnableClientState, SecondDisableClientState, SecondEnable,
    SecondDisable};

// ------------------------------------------------------------------- Dual

void DualTexCoord2f(GLfloat s, GLfloat t) {
  GL().glTexCoord2f(s, t);
  SecondTexCoord2f(s, t);
}
void DualTexCoord2fv(const GLfloat* v) {
  GL().glTexCoord2fv(v);
  SecondTexCoord2fv(v);
}
void DualTexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  GL().glTexCoord3f(s, t, r);
  SecondTexCoord3f(s, t, r);
}
void DualTexCoord3fv(const GLfloat* v) {
  GL().glTexCoord3fv(v);
  SecondTexCoord3fv(v);
}
void DualTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  GL().glTexCoord4f(s, t, r, q);
  SecondTexCoord4f(s, t, r, q);
}
void DualTexCoord4fv(const GLfloat* v) {
  GL().glTexCoord4fv(v);
  SecondTexCoord4fv(v);
}
void DualTexGenf(GLenum c, GLenum p, GLfloat v) {
  GL().glTexGenf(c, p, v);
  SecondTexGenf(c, p, v);
}
void DualTexGenfv(GLenum c, GLenum p, const GLfloat* v) {
  GL().glTexGenfv(c, p, v);
  SecondTexGenfv(c, p, v);
}
void DualTexGeni(GLenum c, GLenum p, GLint v) {
  GL().glTexGeni(c, p, v);
  SecondTexGeni(c, p, v);
}
void DualTexGeniv(GLenum c, GLenum p, const GLint* v) {
  GL().glTexGeniv(c, p, v);
  SecondTexGeniv(c, p, v);
}
void DualTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  GL().glTexCoordPointer(size, type, stride, pointer);
  SecondTexCoordPointer(size, type, stride, pointer);
}
void DualEnableClientState(GLenum a) {
  GL().glEnableClientState(a);
  SecondEnableClientState(a);
}
void DualDisableClientState(GLenum a) {
  GL().glDisableClientState(a);
  SecondDisableClientState(a);
}
void DualEnable(GLenum cap) {
  GL().glEnable(cap);
  SecondEnable(cap);
}
void DualDisable(GLenum cap) {
  GL().glDisable(cap);
  SecondDisable(cap);
}

constexpr TXGLDispatch kDualTable = {
    DualTexCoord2f, DualTexCoord2fv, DualTexCoord3f, DualTexCoord3fv, DualTexCoord4f,
    DualTexCoord4fv, DualTexGenf, DualTexGenfv, DualTexGeni, DualTexGeniv,
    DualTexCoordPointer, DualEnableClientState, DualDisableClientState, DualEnable, DualDisable};

// -------------------------------------------------------------- Arbitrary

template <class F>
void ForEachUnit(F&& call) {
  for (GLenum unit : State().units) call(unit);
}
template <class F>
void OnEachUnit(F&& call) {
  ForEachUnit([&](GLenum unit) {
    GL().glActiveTextureARB(unit);
    call();
  });
  GL().glActiveTextureARB(GL_TEXTURE0_ARB);
}
template <class F>
void OnEachClientUnit(F&& call) {
  ForEachUnit([&](GLenum unit) {
    GL().glClientActiveTextureARB(unit);
    call();
  });
  GL().glClientActiveTextureARB(GL_TEXTURE0_ARB);
}

void ArbTexCoord2f(GLfloat s, GLfloat t) {
  ForEachUnit([&](GLenum u) { GL().glMultiTexCoord2fARB(u, s, t); });
}
void ArbTexCoord2fv(const GLfloat* v) {
  ForEachUnit([&](GLenum u) { GL().glMultiTexCoord2fvARB(u, v); });
}
void ArbTexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  ForEachUnit([&](GLenum u) { GL().glMultiTexCoord3fARB(u, s, t, r); });
}
void ArbTexCoord3fv(const GLfloat* v) {
  ForEachUnit([&](GLenum u) { GL().glMultiTexCoord3fvARB(u, v); });
}
void ArbTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  ForEachUnit([&](GLenum u) { GL().glMultiTexCoord4fARB(u, s, t, r, q); });
}
void ArbTexCoord4fv(const GLfloat* v) {
  ForEachUnit([&](GLenum u) { GL().glMultiTexCoord4fvARB(u, v); });
}
void ArbTexGenf(GLenum c, GLenum p, GLfloat v) { OnEachUnit([&] { GL().glTexGenf(c, p, v); }); }
void ArbTexGenfv(GLenum c, GLenum p, const GLfloat* v) { OnEachUnit([&] { GL().glTexGenfv(c, p, v); }); }
void ArbTexGeni(GLenum c, GLenum p, GLint v) { OnEachUnit([&] { GL().glTexGeni(c, p, v); }); }
void ArbTexGeniv(GLenum c, GLenum p, const GLint* v) { OnEachUnit([&] { GL().glTexGeniv(c, p, v); }); }
void ArbTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  OnEachClientUnit([&] { GL().glTexCoordPointer(size, type, stride, pointer); });
}
void ArbEnableClientState(GLenum a) { OnEachClientUnit([&] { GL().glEnableClientState(a); }); }
void ArbDisableClientState(GLenum a) { OnEachClientUnit([&] { GL().glDisableClientState(a); }); }
void ArbEnable(GLenum cap) { OnEachUnit([&] { GL().glEnable(cap); }); }
void ArbDisable(GLenum cap) { OnEachUnit([&] { GL().glDisable(cap); }); }

constexpr TXGLDispatch kArbitraryTable = {
    ArbTexCoord2f, ArbTexCoord2fv, ArbTexCoord3f, ArbTexCoord3fv, ArbTexCoord4f,
    ArbTexCoord4fv, ArbTexGenf, ArbTexGenfv, ArbTexGeni, ArbTexGeniv,
    ArbTexCoordPointer, ArbEnableClientState, ArbDisableClientState, ArbEnable, ArbDisable};

const TXGLDispatch& TableOf(TMapTexCoordMode mode) {
  switch (mode) {
    case mtcmNull: return kNullTable;
    case mtcmMain: return kMainTable;
    case mtcmDual: return kDualTable;
    case mtcmSecond: return kSecondTable;
    case mtcmArbitrary: return kArbitraryTable;
    case mtcmUndefined: break;
  }
  CLIENT_ASSERT(false, "Undefined texture coordinate mapping");
  return kNullTable;
}

void MapTo(TMapTexCoordMode mode) {
  MappingState& state = State();
  if (state.updateCount > 0) {
    state.requestedMode = mode;
    return;
  }
  if (state.mode == mode) return;
  xgl::detail::g_dispatch = &TableOf(mode);
  state.mode = mode;
}

void RequireMultitexture() {
  CLIENT_ASSERT(GL().Extensions.ARB_multitexture, "GL_ARB_multitexture is not supported");
}

}  // namespace

namespace xgl {

namespace detail {
constinit const TXGLDispatch* g_dispatch = &kNullTable;
}

void MapTexCoordToNull() { MapTo(mtcmNull); }

void MapTexCoordToMain() { MapTo(mtcmMain); }

void MapTexCoordToSecond() {
  if (State().secondUnitForbidden) {
    MapTexCoordToNull();
    return;
  }
  RequireMultitexture();
  MapTo(mtcmSecond);
}

void MapTexCoordToDual() {
  if (State().secondUnitForbidden) {
    MapTexCoordToMain();
    return;
  }
  RequireMultitexture();
  MapTo(mtcmDual);
}

void MapTexCoordToArbitrary(std::span<const GLenum> units) {
  MappingState& state = State();
  state.units.clear();
  for (GLenum unit : units)
    if (!(state.secondUnitForbidden && unit == GL_TEXTURE1_ARB)) state.units.push_back(unit);
  RequireMultitexture();
  MapTo(mtcmArbitrary);
}

void BeginUpdate() {
  MappingState& state = State();
  if (state.updateCount++ == 0) state.requestedMode = state.mode;
}

void EndUpdate() {
  MappingState& state = State();
  CLIENT_ASSERT(state.updateCount > 0, "Unbalanced texture coordinate mapping update");
  if (--state.updateCount > 0) return;
  CLIENT_ASSERT(state.requestedMode != mtcmUndefined);
  MapTo(state.requestedMode);
}

void PushTexCoordMapping() {
  MappingState& state = State();
  CLIENT_ASSERT(state.updateCount == 0);
  state.stack.push_back({state.mode, state.units});
}

void PopTexCoordMapping() {
  MappingState& state = State();
  CLIENT_ASSERT(state.updateCount == 0);
  CLIENT_ASSERT(!state.stack.empty());
  StackEntry top = std::move(state.stack.back());
  state.stack.pop_back();
  switch (top.mode) {
    case mtcmNull: MapTexCoordToNull(); break;
    case mtcmMain: MapTexCoordToMain(); break;
    case mtcmDual: MapTexCoordToDual(); break;
    case mtcmSecond: MapTexCoordToSecond(); break;
    case mtcmArbitrary: MapTexCoordToArbitrary(top.units); break;
    case mtcmUndefined: CLIENT_ASSERT(false); break;
  }
}

void ForbidSecondTextureUnit() { State().secondUnitForbidden = true; }
void AllowSecondTextureUnit() { State().secondUnitForbidden = false; }
bool SecondTextureUnitForbidden() { return State().secondUnitForbidden; }

TMapTexCoordMode GetMapTexCoordMode() { return State().mode; }
const std::vector<GLenum>& GetArbitraryUnits() { return State().units; }

}  // namespace xgl
