#pragma once
// A sky around the viewer: a unit sphere of latitude bands, each with a
// colour gradient from its lower to its upper edge, and point stars given by
// right ascension and declination. The dome stays centred on the camera,
// just inside its far range, and neither tests nor writes depth, so
// whatever the scene draws after it covers it.
//
// Dome coordinates: X forward, Y left, Z up; elevation +90 is the zenith.
//
// The geometry is built into plain primitives (BuildGeometry,
// BuildStarBatches) apart from the GL calls that send it, so it tests
// without a context. Random stars and twinkle draw from the stars' own
// random source, never from the world's seeded generator, so drawing the
// sky cannot disturb a per-cell sequence.

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "engine/direct_opengl.h"
#include "engine/gl_color.h"
#include "engine/owned_collection.h"
#include "engine/render_context_info.h"
#include "engine/vector_types.h"

// One GL primitive of a band: a triangle fan or strip with a colour per vertex.
struct TSkyDomePrimitive {
  GLenum Mode = GL_TRIANGLE_STRIP;
  std::vector<TVector4f> Vertices;
  std::vector<TVector4f> Colors;
};

// Sends the primitives, a colour before each vertex.
void EmitSkyDomePrimitives(const std::vector<TSkyDomePrimitive>& primitives);

// Stars drawn with one point size; RGB per star.
struct TSkyDomeStarBatch {
  float PointSize = 1.5f;
  std::vector<TAffineVector> Positions;
  std::vector<TAffineVector> Colors;
};

// Uniform in [0, 1).
using TSkyDomeRandom = std::function<float()>;

class TSkyDomeBand : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TSkyDomeBand)
public:
  TSkyDomeBand();
  ~TSkyDomeBand() override;

  float GetStartAngle() const { return FStartAngle; }
  // Clamped to -90..90; pushes StopAngle up to it.
  void SetStartAngle(float angle);
  float GetStopAngle() const { return FStopAngle; }
  // Clamped to -90..90; pushes StartAngle down to it.
  void SetStopAngle(float angle);
  TGLColor* GetStartColor() const { return FStartColor.get(); }
  void SetStartColor(const TGLColor* color);
  TGLColor* GetStopColor() const { return FStopColor.get(); }
  void SetStopColor(const TGLColor* color);
  int GetSlices() const { return FSlices; }
  // At least 3.
  void SetSlices(int slices);
  int GetStacks() const { return FStacks; }
  // At least 1.
  void SetStacks(int stacks);

  // From a band: angles (as they stand), colours, slices and stacks.
  void Assign(const TPersistent* source) override;
  // "%d: %.1f° - %.1f°" (index, angles; the degree sign as byte 0xB0).
  std::string GetDisplayName() const override;

  // The band's fans and strips, one per stack; nothing when the angles meet.
  void BuildGeometry(std::vector<TSkyDomePrimitive>& primitives) const;
  void BuildList(TRenderContextInfo& rci) const;

private:
  float FStartAngle = 0;
  float FStopAngle = 0;
  std::unique_ptr<TGLColor> FStartColor;
  std::unique_ptr<TGLColor> FStopColor;
  int FSlices = 12;
  int FStacks = 1;
};

class TSkyDomeBands : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TSkyDomeBands)
public:
  explicit TSkyDomeBands(TPersistent* owner = nullptr);
  TSkyDomeBand* GetItems(int index) const { return static_cast<TSkyDomeBand*>(TOwnedCollection::GetItems(index)); }
  TSkyDomeBand* Add() { return static_cast<TSkyDomeBand*>(TOwnedCollection::Add()); }
  // A scene object owner rebuilds its list.
  void Update(TCollectionItem* item) override;
  void BuildGeometry(std::vector<TSkyDomePrimitive>& primitives) const;
  void BuildList(TRenderContextInfo& rci) const;
};

class TSkyDomeStar : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TSkyDomeStar)
public:
  TSkyDomeStar() = default;

  float GetRA() const { return FRA; }
  void SetRA(float degrees);
  float GetDec() const { return FDec; }
  void SetDec(float degrees);
  float GetMagnitude() const { return FMagnitude; }
  void SetMagnitude(float magnitude);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor color);
  // Recomputed from RA and Dec before each drawing.
  const TAffineVector& GetCacheCoord() const { return FCacheCoord; }
  void UpdateCacheCoord();

  void Assign(const TPersistent* source) override;
  // "RA: %5.1f / Dec: %5.1f"
  std::string GetDisplayName() const override;

private:
  float FRA = 0;
  float FDec = 0;
  float FMagnitude = 0;
  TColor FColor = 0;
  TAffineVector FCacheCoord;
};

class TSkyDomeStars : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TSkyDomeStars)
public:
  explicit TSkyDomeStars(TPersistent* owner = nullptr);
  TSkyDomeStar* GetItems(int index) const { return static_cast<TSkyDomeStar*>(TOwnedCollection::GetItems(index)); }
  TSkyDomeStar* Add() { return static_cast<TSkyDomeStar*>(TOwnedCollection::Add()); }
  void Update(TCollectionItem* item) override;

  // nb stars of the colour and magnitude 3, uniform over the sphere's area
  // (or its upper half): the declination is drawn first, then the right
  // ascension.
  void AddRandomStars(int nb, TColor color, bool limitToTopDome = false);

  // The stars' random source (ours); a seeded generator of their own until set.
  void SetRandomSource(TSkyDomeRandom random);
  float Random();

  // Positions refreshed, stars grouped by point size in collection order,
  // twinkling colours drawn anew when asked.
  void BuildStarBatches(bool twinkle, std::vector<TSkyDomeStarBatch>& batches);
  void BuildList(TRenderContextInfo& rci, bool twinkle);

private:
  TSkyDomeRandom FRandom;
  std::minstd_rand FGenerator{20021};
};

using TSkyDomeOptions = std::uint8_t;
inline constexpr TSkyDomeOptions sdoTwinkle = 1;

class TGLSkyDome : public TGLImmaterialSceneObject {
  CLIENT_DECLARE_CLASS(TGLSkyDome)
public:
  explicit TGLSkyDome(TComponent* owner = nullptr);
  ~TGLSkyDome() override;

  TSkyDomeBands* GetBands() const { return FBands.get(); }
  void SetBands(const TSkyDomeBands* bands);
  TSkyDomeStars* GetStars() const { return FStars.get(); }
  void SetStars(const TSkyDomeStars* stars);
  TSkyDomeOptions GetOptions() const { return FOptions; }
  void SetOptions(TSkyDomeOptions options);

  // From a dome: its bands and stars, then the inherited part.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

  // The uniform scale that puts the dome just inside the far range (ours).
  static float DomeScale(const TRenderContextInfo& rci);

private:
  std::unique_ptr<TSkyDomeBands> FBands;
  std::unique_ptr<TSkyDomeStars> FStars;
  TSkyDomeOptions FOptions = 0;
};
