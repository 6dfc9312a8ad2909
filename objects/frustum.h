#pragma once
// A truncated pyramid on a rectangular base, drawn as quads: the base in
// y = 0, the cut at y = Height below the apex at y = ApexHeight.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/custom_scene_object.h"
#include "objects/cube_geometry.h"
#include "objects/small_set.h"

enum TFrustrumPart : std::uint8_t { fpTop, fpBottom, fpFront, fpBack, fpLeft, fpRight };
using TFrustrumParts = SmallSet<TFrustrumPart>;
inline constexpr TFrustrumParts AllFrustrumParts{fpTop, fpBottom, fpFront, fpBack, fpLeft, fpRight};

struct FrustumShape {
  float ApexHeight = 1.0f;
  float BaseDepth = 1.0f;
  float BaseWidth = 1.0f;
  float Height = 0.5f;
  TFrustrumParts Parts = AllFrustrumParts;
  TNormalDirection NormalDirection = ndOutside;
};

// One batch of quads: front, back, left, right, bottom, then the top when
// the pyramid is cut below its apex; each face with its own normal and the
// unit square's corners as texture coordinates. Nothing for an apex height
// of 0 (no pyramid to cut).
GeometryBatches BuildFrustumGeometry(const FrustumShape& shape);

class TGLFrustrum : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLFrustrum)
public:
  explicit TGLFrustrum(TComponent* owner = nullptr) : TGL3DSceneObject(owner) {}

  float GetApexHeight() const { return FShape.ApexHeight; }
  void SetApexHeight(float value) { Store(FShape.ApexHeight, value); }
  float GetBaseDepth() const { return FShape.BaseDepth; }
  void SetBaseDepth(float value) { Store(FShape.BaseDepth, value); }
  float GetBaseWidth() const { return FShape.BaseWidth; }
  void SetBaseWidth(float value) { Store(FShape.BaseWidth, value); }
  float GetHeight() const { return FShape.Height; }
  void SetHeight(float value) { Store(FShape.Height, value); }
  TFrustrumParts GetParts() const { return FShape.Parts; }
  void SetParts(TFrustrumParts value) { Store(FShape.Parts, value); }
  TNormalDirection GetNormalDirection() const { return FShape.NormalDirection; }
  void SetNormalDirection(TNormalDirection value) { Store(FShape.NormalDirection, value); }

  // The "FrustrumSize" property: apex height, base depth, base width and
  // height as little-endian Singles, stored only off their defaults.
  std::optional<std::array<std::uint8_t, 16>> WriteFrustrumSizeData() const;
  // Exactly 16 bytes, else nothing changes and false is returned.
  bool ReadFrustrumSizeData(std::span<const std::uint8_t> data);

  const FrustumShape& Shape() const { return FShape; }
  // The four sizes, parts and normal direction.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  FrustumShape FShape;
};
