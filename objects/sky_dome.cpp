#include "objects/sky_dome.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/camera.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/scene_buffer.h"
#include "engine/scene_node.h"
#include "engine/vector_geometry.h"

CLIENT_DEFINE_CLASS(TSkyDomeBand, TCollectionItem)
CLIENT_DEFINE_CLASS(TSkyDomeBands, TOwnedCollection)
CLIENT_DEFINE_CLASS(TSkyDomeStar, TCollectionItem)
CLIENT_DEFINE_CLASS(TSkyDomeStars, TOwnedCollection)
CLIENT_DEFINE_CLASS(TGLSkyDome, TGLImmaterialSceneObject)
CLIENT_REGISTER_CLASS(TGLSkyDome);

namespace {

constexpr float kDegToRad = 3.14159265358979f / 180.0f;

// Fixed notation with one decimal and a full stop, right-aligned in width.
std::string Fixed1(float v, int width = 0) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 1);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  if (int(text.size()) < width) text.insert(0, std::size_t(width) - text.size(), ' ');
  return text;
}

TVector4f DomePoint(float elevationDegrees, float azimuth) {
  const float e = elevationDegrees * kDegToRad;
  const float c = std::cos(e);
  return {c * std::cos(azimuth), c * std::sin(azimuth), std::sin(e), 1};
}

void ChangedIfSceneObject(TPersistent* owner) {
  if (auto* object = dynamic_cast<TGLBaseSceneObject*>(owner)) object->StructureChanged();
}

}  // namespace

// ---------------------------------------------------------------------------
// Bands

TSkyDomeBand::TSkyDomeBand()
    : FStartColor(std::make_unique<TGLColor>(this, clrBlue, [this](TObject*) { Changed(); })),
      FStopColor(std::make_unique<TGLColor>(this, clrBlue, [this](TObject*) { Changed(); })) {}

TSkyDomeBand::~TSkyDomeBand() = default;

void TSkyDomeBand::SetStartAngle(float angle) {
  FStartAngle = std::clamp(angle, -90.0f, 90.0f);
  if (FStartAngle > FStopAngle) FStopAngle = FStartAngle;
  Changed();
}

void TSkyDomeBand::SetStopAngle(float angle) {
  FStopAngle = std::clamp(angle, -90.0f, 90.0f);
  if (FStopAngle < FStartAngle) FStartAngle = FStopAngle;
  Changed();
}

void TSkyDomeBand::SetStartColor(const TGLColor* color) {
  FStartColor->Assign(color);
  Changed();
}

void TSkyDomeBand::SetStopColor(const TGLColor* color) {
  FStopColor->Assign(color);
  Changed();
}

void TSkyDomeBand::SetSlices(int slices) {
  FSlices = std::max(slices, 3);
  Changed();
}

void TSkyDomeBand::SetStacks(int stacks) {
  FStacks = std::max(stacks, 1);
  Changed();
}

void TSkyDomeBand::Assign(const TPersistent* source) {
  const auto* band = dynamic_cast<const TSkyDomeBand*>(source);
  if (!band) {
    TCollectionItem::Assign(source);
    return;
  }
  FStartAngle = band->FStartAngle;
  FStopAngle = band->FStopAngle;
  FStartColor->Assign(band->FStartColor.get());
  FStopColor->Assign(band->FStopColor.get());
  FSlices = band->FSlices;
  FStacks = band->FStacks;
  Changed();
}

std::string TSkyDomeBand::GetDisplayName() const {
  return std::to_string(GetIndex()) + ": " + Fixed1(FStartAngle) + "\xB0 - " + Fixed1(FStopAngle) + "\xB0";
}

void TSkyDomeBand::BuildGeometry(std::vector<TSkyDomePrimitive>& primitives) const {
  if (FStartAngle == FStopAngle) return;
  const float step = 6.28318530718f / float(FSlices);
  for (int i = 0; i < FStacks; ++i) {
    const float t0 = float(i) / float(FStacks);
    const float t1 = float(i + 1) / float(FStacks);
    const float a0 = FStartAngle + (FStopAngle - FStartAngle) * t0;
    const float a1 = FStartAngle + (FStopAngle - FStartAngle) * t1;
    const TVector4f c0 = VectorLerp(FStartColor->GetColor(), FStopColor->GetColor(), t0);
    const TVector4f c1 = VectorLerp(FStartColor->GetColor(), FStopColor->GetColor(), t1);
    TSkyDomePrimitive p;
    if (a0 == -90.0f) {
      p.Mode = GL_TRIANGLE_FAN;
      p.Vertices.push_back({0, 0, -1, 1});
      p.Colors.push_back(c0);
      for (int k = 0; k <= FSlices; ++k) {
        p.Vertices.push_back(DomePoint(a1, float(k) * step));
        p.Colors.push_back(c1);
      }
    } else if (a1 == 90.0f) {
      // Decreasing azimuth, so that this fan faces the same way as the others.
      p.Mode = GL_TRIANGLE_FAN;
      p.Vertices.push_back({0, 0, 1, 1});
      p.Colors.push_back(c1);
      for (int k = FSlices; k >= 0; --k) {
        p.Vertices.push_back(DomePoint(a0, float(k) * step));
        p.Colors.push_back(c0);
      }
    } else {
      p.Mode = GL_TRIANGLE_STRIP;
      for (int k = 0; k <= FSlices; ++k) {
        p.Vertices.push_back(DomePoint(a0, float(k) * step));
        p.Colors.push_back(c0);
        p.Vertices.push_back(DomePoint(a1, float(k) * step));
        p.Colors.push_back(c1);
      }
    }
    primitives.push_back(std::move(p));
  }
}

void EmitSkyDomePrimitives(const std::vector<TSkyDomePrimitive>& primitives) {
  const GLApi& gl = GL();
  for (const TSkyDomePrimitive& p : primitives) {
    gl.glBegin(p.Mode);
    for (std::size_t i = 0; i < p.Vertices.size(); ++i) {
      gl.glColor4fv(p.Colors[i].V);
      gl.glVertex4fv(p.Vertices[i].V);
    }
    gl.glEnd();
  }
}

void TSkyDomeBand::BuildList(TRenderContextInfo&) const {
  std::vector<TSkyDomePrimitive> primitives;
  BuildGeometry(primitives);
  EmitSkyDomePrimitives(primitives);
}

TSkyDomeBands::TSkyDomeBands(TPersistent* owner) : TOwnedCollection(owner, TSkyDomeBand::StaticClass()) {}

void TSkyDomeBands::Update(TCollectionItem*) { ChangedIfSceneObject(GetOwner()); }

void TSkyDomeBands::BuildGeometry(std::vector<TSkyDomePrimitive>& primitives) const {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->BuildGeometry(primitives);
}

void TSkyDomeBands::BuildList(TRenderContextInfo&) const {
  std::vector<TSkyDomePrimitive> primitives;
  BuildGeometry(primitives);
  EmitSkyDomePrimitives(primitives);
}

// ---------------------------------------------------------------------------
// Stars

void TSkyDomeStar::SetRA(float degrees) {
  FRA = degrees;
  Changed();
}

void TSkyDomeStar::SetDec(float degrees) {
  FDec = degrees;
  Changed();
}

void TSkyDomeStar::SetMagnitude(float magnitude) {
  FMagnitude = magnitude;
  Changed();
}

void TSkyDomeStar::SetColor(TColor color) {
  FColor = color;
  Changed();
}

void TSkyDomeStar::UpdateCacheCoord() {
  const float d = FDec * kDegToRad;
  const float r = FRA * kDegToRad;
  FCacheCoord = {std::cos(d) * std::cos(r), std::cos(d) * std::sin(r), std::sin(d)};
}

void TSkyDomeStar::Assign(const TPersistent* source) {
  const auto* star = dynamic_cast<const TSkyDomeStar*>(source);
  if (!star) {
    TCollectionItem::Assign(source);
    return;
  }
  FRA = star->FRA;
  FDec = star->FDec;
  FMagnitude = star->FMagnitude;
  FColor = star->FColor;
  FCacheCoord = star->FCacheCoord;
  Changed();
}

std::string TSkyDomeStar::GetDisplayName() const { return "RA: " + Fixed1(FRA, 5) + " / Dec: " + Fixed1(FDec, 5); }

TSkyDomeStars::TSkyDomeStars(TPersistent* owner) : TOwnedCollection(owner, TSkyDomeStar::StaticClass()) {}

void TSkyDomeStars::Update(TCollectionItem*) { ChangedIfSceneObject(GetOwner()); }

void TSkyDomeStars::SetRandomSource(TSkyDomeRandom random) { FRandom = std::move(random); }

float TSkyDomeStars::Random() {
  if (FRandom) return FRandom();
  return std::uniform_real_distribution<float>(0.0f, 1.0f)(FGenerator);
}

void TSkyDomeStars::AddRandomStars(int nb, TColor color, bool limitToTopDome) {
  if (nb < 1) return;
  BeginUpdate();
  for (int i = 0; i < nb; ++i) {
    TSkyDomeStar* star = Add();
    const float r1 = Random();
    const float s = limitToTopDome ? r1 : 2 * r1 - 1;
    star->SetDec(std::atan2(s, std::sqrt(1 - s * s)) * (180.0f / 3.14159265358979f));
    const float r2 = Random();
    star->SetRA(r2 * 360 - 180);
    star->SetColor(color);
    star->SetMagnitude(3.0f);
  }
  EndUpdate();
}

void TSkyDomeStars::BuildStarBatches(bool twinkle, std::vector<TSkyDomeStarBatch>& batches) {
  batches.clear();
  if (GetCount() == 0) return;
  int lastClass = -1;
  bool haveColor = false;
  TColor lastColor = -1;
  TVector4f base{};
  TAffineVector current{};
  auto twinkleColor = [&] {
    const float f = 0.4f + 0.6f * Random();
    current = {base[0] * f, base[1] * f, base[2] * f};
  };
  for (int i = 0; i < GetCount(); ++i) {
    TSkyDomeStar* star = GetItems(i);
    star->UpdateCacheCoord();
    const int cls = int(std::nearbyint((4.5f - star->GetMagnitude()) * 10.0f));
    if (cls != lastClass) {
      if (cls >= 16) {
        lastClass = cls;
        batches.push_back({float(cls) * 0.1f, {}, {}});
      } else if (lastClass != 15) {
        lastClass = 15;
        batches.push_back({1.5f, {}, {}});
      }
    }
    if (!haveColor || star->GetColor() != lastColor) {
      haveColor = true;
      lastColor = star->GetColor();
      base = ConvertWinColor(lastColor, 1.0f);
      if (twinkle)
        twinkleColor();
      else
        current = {base[0], base[1], base[2]};
    } else if (twinkle) {
      twinkleColor();
    }
    batches.back().Positions.push_back(star->GetCacheCoord());
    batches.back().Colors.push_back(current);
  }
}

void TSkyDomeStars::BuildList(TRenderContextInfo&, bool twinkle) {
  std::vector<TSkyDomeStarBatch> batches;
  BuildStarBatches(twinkle, batches);
  if (batches.empty()) return;
  const GLApi& gl = GL();
  // Enables, blend and alpha functions and the point size come back with
  // the pop, so the state cache stays in step.
  gl.glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_POINT_BIT);
  gl.glEnable(GL_POINT_SMOOTH);
  gl.glEnable(GL_ALPHA_TEST);
  gl.glAlphaFunc(GL_NOTEQUAL, 0);
  gl.glEnable(GL_BLEND);
  gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  for (const TSkyDomeStarBatch& batch : batches) {
    if (batch.Positions.empty()) continue;
    gl.glPointSize(batch.PointSize);
    gl.glBegin(GL_POINTS);
    for (std::size_t i = 0; i < batch.Positions.size(); ++i) {
      gl.glColor3fv(batch.Colors[i].V);
      gl.glVertex3fv(batch.Positions[i].V);
    }
    gl.glEnd();
  }
  gl.glPointSize(1);
  gl.glPopAttrib();
}

// ---------------------------------------------------------------------------
// Dome

TGLSkyDome::TGLSkyDome(TComponent* owner)
    : TGLImmaterialSceneObject(owner),
      FBands(std::make_unique<TSkyDomeBands>(this)),
      FStars(std::make_unique<TSkyDomeStars>(this)) {
  FObjectStyle |= sosDirectDraw | sosNoVisibilityCulling;
  TGLColor white(nullptr, clrWhite), blue(nullptr, clrBlue), night(nullptr, TVector4f{0.137255f, 0.137255f, 0.556863f, 1});
  TSkyDomeBand* low = FBands->Add();
  low->SetStartAngle(0);
  low->SetStartColor(&white);
  low->SetStopAngle(15);
  low->SetStopColor(&blue);
  TSkyDomeBand* high = FBands->Add();
  high->SetStartAngle(15);
  high->SetStartColor(&blue);
  high->SetStopAngle(90);
  high->SetStacks(4);
  high->SetStopColor(&night);
}

TGLSkyDome::~TGLSkyDome() {
  FStars.reset();
  FBands.reset();
}

void TGLSkyDome::SetBands(const TSkyDomeBands* bands) {
  FBands->Assign(bands);
  StructureChanged();
}

void TGLSkyDome::SetStars(const TSkyDomeStars* stars) {
  FStars->Assign(stars);
  StructureChanged();
}

void TGLSkyDome::SetOptions(TSkyDomeOptions options) {
  if (options == FOptions) return;
  FOptions = options;
  if (options & sdoTwinkle) {
    FObjectStyle |= sosDirectDraw;
  } else {
    FObjectStyle &= static_cast<TSceneObjectStyle>(~sosDirectDraw);
    DestroyHandle();
  }
  StructureChanged();
}

void TGLSkyDome::Assign(const TPersistent* source) {
  if (const auto* dome = dynamic_cast<const TGLSkyDome*>(source)) {
    FBands->Assign(dome->FBands.get());
    FStars->Assign(dome->FStars.get());
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLSkyDome::BuildList(TRenderContextInfo& rci) {
  FBands->BuildList(rci);
  FStars->BuildList(rci, (FOptions & sdoTwinkle) != 0);
}

float TGLSkyDome::DomeScale(const TRenderContextInfo& rci) {
  TGLCamera* camera = rci.buffer ? rci.buffer->GetCamera() : nullptr;
  if (camera) return 0.95f * (camera->GetDepthOfView() + camera->GetNearPlane());
  return 0.95f * rci.rcci.farClippingDistance;
}

void TGLSkyDome::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  const GLApi& gl = GL();
  const float f = DomeScale(rci);
  gl.glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
  struct PopAttrib {
    ~PopAttrib() { GL().glPopAttrib(); }
  };
  bool pushedModelView = false;
  {
    PopAttrib restore;
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_DEPTH_TEST);
    gl.glDisable(GL_FOG);
    gl.glDisable(GL_CULL_FACE);
    gl.glDepthMask(GL_FALSE);
    if (rci.buffer) gl.glLoadMatrixf(rci.buffer->GetModelViewMatrix()[0].V);
    SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl.glTranslatef(rci.cameraPosition[0], rci.cameraPosition[1], rci.cameraPosition[2]);
    gl.glScalef(f, f, f);
    // Only the dome's orientation and scale count, never its position.
    const TVector4f position = GetAbsolutePosition();
    gl.glTranslatef(-position[0], -position[1], -position[2]);
    gl.glMultMatrixf(GetAbsoluteMatrix()[0].V);
    if (rci.buffer) {
      TMatrix modelView;
      gl.glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].V);
      rci.buffer->PushModelViewMatrix(modelView);
      pushedModelView = true;
    }
    try {
      if (renderSelf) {
        if ((FOptions & sdoTwinkle) || rci.amalgamating)
          BuildList(rci);
        else
          CallList(rci);
      }
    } catch (...) {
      if (pushedModelView) rci.buffer->PopModelViewMatrix();
      throw;
    }
  }
  struct PopModelView {
    TRenderContextInfo& rci;
    bool active;
    ~PopModelView() {
      if (active) rci.buffer->PopModelViewMatrix();
    }
  } popModelView{rci, pushedModelView};
  if (renderChildren && GetCount() > 0 && f != 0) {
    gl.glScalef(1 / f, 1 / f, 1 / f);
    RenderChildren(0, GetCount() - 1, rci);
  }
}
