#include "objects/points.h"

#include <algorithm>

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLPointParameters, TGLUpdateAbleObject)
CLIENT_DEFINE_CLASS(TGLPoints, TGLImmaterialSceneObject)
CLIENT_REGISTER_CLASS(TGLPoints);

// --- Point parameters ---------------------------------------------------------------

namespace {
constexpr TVector4f kDefaultAttenuation{1, 0, 0, 0};
}

TGLPointParameters::TGLPointParameters(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      FDistanceAttenuation(std::make_unique<TGLCoordinates>(this, kDefaultAttenuation, csVector)) {}

TGLPointParameters::~TGLPointParameters() = default;

void TGLPointParameters::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  NotifyChange(this);
}

void TGLPointParameters::StoreSize(float& field, float value) {
  if (value == field) return;
  field = std::max(value, 0.0f);
  NotifyChange(this);
}

void TGLPointParameters::SetMinSize(float value) { StoreSize(FMinSize, value); }
void TGLPointParameters::SetMaxSize(float value) { StoreSize(FMaxSize, value); }
void TGLPointParameters::SetFadeTresholdSize(float value) { StoreSize(FFadeTresholdSize, value); }

std::optional<std::array<std::uint8_t, 12>> TGLPointParameters::WritePointParamsData() const {
  if (FMinSize == 0.0f && FMaxSize == 128.0f && FFadeTresholdSize == 1.0f) return std::nullopt;
  return PackSingles3({FMinSize, FMaxSize, FFadeTresholdSize});
}

bool TGLPointParameters::ReadPointParamsData(std::span<const std::uint8_t> data) {
  if (data.size() != 12) return false;
  const TAffineVector sizes = UnpackSingles3(data.first<12>());
  FMinSize = sizes[0];
  FMaxSize = sizes[1];
  FFadeTresholdSize = sizes[2];
  NotifyChange(this);
  return true;
}

void TGLPointParameters::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPointParameters*>(source)) {
    FMinSize = other->FMinSize;
    FMaxSize = other->FMaxSize;
    FFadeTresholdSize = other->FFadeTresholdSize;
    FDistanceAttenuation->Assign(other->FDistanceAttenuation.get());
  }
}

void TGLPointParameters::Apply() const {
  const GLApi& gl = GL();
  if (!FEnabled || !gl.Extensions.ARB_point_parameters) return;
  gl.glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, FMinSize);
  gl.glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, FMaxSize);
  gl.glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, FFadeTresholdSize);
  gl.glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, FDistanceAttenuation->AsAddress());
}

void TGLPointParameters::UnApply() const {
  const GLApi& gl = GL();
  if (!FEnabled || !gl.Extensions.ARB_point_parameters) return;
  gl.glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, 0.0f);
  gl.glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, 128.0f);
  gl.glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, 1.0f);
  gl.glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, kDefaultAttenuation.V);
}

// --- Points -----------------------------------------------------------------------------

PointsDrawPlan PlanPoints(int positions, int colors) {
  PointsDrawPlan plan;
  plan.Count = positions;
  if (colors == 1) {
    plan.Colors = PointsDrawPlan::ColorSource::One;
  } else if (colors > 1) {
    plan.Colors = PointsDrawPlan::ColorSource::PerPoint;
    plan.Count = std::min(positions, colors);
  }
  if (plan.Count <= 0) {
    plan.Count = 1;
    plan.AtOrigin = true;
  }
  return plan;
}

TGLPoints::TGLPoints(TComponent* owner)
    : TGLImmaterialSceneObject(owner),
      FPositions(std::make_unique<TAffineVectorList>()),
      FColors(std::make_unique<TVectorList>()),
      FPointParameters(std::make_unique<TGLPointParameters>(this)) {
  // Drawn every frame so that the positions can move without a rebuild.
  FObjectStyle |= sosDirectDraw | sosNoVisibilityCulling;
}

TGLPoints::~TGLPoints() = default;

void TGLPoints::SetPositions(const TAffineVectorList* value) {
  if (value != FPositions.get()) FPositions->Assign(value);
  StructureChanged();
}

void TGLPoints::SetColors(const TVectorList* value) {
  if (value != FColors.get()) FColors->Assign(value);
  StructureChanged();
}

void TGLPoints::SetSize(float value) {
  if (value == FSize) return;
  FSize = value;
  StructureChanged();
}

void TGLPoints::SetStyle(TGLPointStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  StructureChanged();
}

void TGLPoints::SetNoZWrite(bool value) {
  if (value == FNoZWrite) return;
  FNoZWrite = value;
  StructureChanged();
}

void TGLPoints::SetStatic(bool value) {
  if (value == FStatic) return;
  FStatic = value;
  if (value)
    FObjectStyle &= static_cast<TSceneObjectStyle>(~sosDirectDraw);
  else
    FObjectStyle |= sosDirectDraw;
  StructureChanged();
}

void TGLPoints::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPoints*>(source)) {
    FSize = other->FSize;
    FStyle = other->FStyle;
    FPositions->Assign(other->FPositions.get());
    FColors->Assign(other->FColors.get());
    StructureChanged();
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLPoints::BuildList(TRenderContextInfo& rci) {
  CLIENT_ASSERT(FStyle <= psSquareAdditive);
  const GLApi& gl = GL();
  const PointsDrawPlan plan = PlanPoints(FPositions->GetCount(), FColors->GetCount());
  // Everything the drawing changes goes back: the current colour, point
  // size and parameters, blend and alpha functions, depth mask, arrays.
  ScopedGLAttribs attribs(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_POINT_BIT | GL_DEPTH_BUFFER_BIT,
                          rci.GLStates);
  gl.glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  struct PopClient {
    ~PopClient() { GL().glPopClientAttrib(); }
  } popClient;
  switch (plan.Colors) {
    case PointsDrawPlan::ColorSource::White:
      gl.glColor4f(1, 1, 1, 1);
      break;
    case PointsDrawPlan::ColorSource::One:
      gl.glColor4fv((*FColors)[0].V);
      break;
    case PointsDrawPlan::ColorSource::PerPoint:
      gl.glColorPointer(4, GL_FLOAT, 0, FColors->List());
      gl.glEnableClientState(GL_COLOR_ARRAY);
      break;
  }
  UnSetGLState(rci.GLStates, stLighting);
  static const TAffineVector origin{0, 0, 0};
  gl.glVertexPointer(3, GL_FLOAT, 0, plan.AtOrigin ? origin.V : FPositions->List()->V);
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  if (FNoZWrite) gl.glDepthMask(GL_FALSE);
  gl.glPointSize(FSize);
  FPointParameters->Apply();
  const bool locked = gl.Extensions.EXT_compiled_vertex_array && plan.Count > 64;
  if (locked) gl.glLockArraysEXT(0, plan.Count);
  switch (FStyle) {
    case psSquare:
      UnSetGLState(rci.GLStates, stBlend);
      break;
    case psRound:
      SetGLState(rci.GLStates, stPointSmooth);
      SetGLState(rci.GLStates, stAlphaTest);
      gl.glAlphaFunc(GL_GREATER, 0.5f);
      UnSetGLState(rci.GLStates, stBlend);
      break;
    case psSmooth:
    case psSmoothAdditive:
      SetGLState(rci.GLStates, stPointSmooth);
      SetGLState(rci.GLStates, stAlphaTest);
      gl.glAlphaFunc(GL_NOTEQUAL, 0.0f);
      SetGLState(rci.GLStates, stBlend);
      gl.glBlendFunc(GL_SRC_ALPHA, FStyle == psSmooth ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
      break;
    case psSquareAdditive:
      SetGLState(rci.GLStates, stBlend);
      gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
  }
  gl.glDrawArrays(GL_POINTS, 0, plan.Count);
  if (locked) gl.glUnlockArraysEXT();
  FPointParameters->UnApply();
}
