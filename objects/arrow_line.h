#pragma once
// An arrow along the local z axis: a shaft (a possibly tapered cylinder)
// with a cone-shaped head at the top, the bottom or both ends, drawn as the
// GLU quadrics lay it out.

#include <cstdint>

#include "objects/cylinder.h"

enum TArrowLinePart : std::uint8_t { alLine, alTopArrow, alBottomArrow };
using TArrowLineParts = SmallSet<TArrowLinePart>;
// How far a head reaches back into the height: not at all, halfway, fully.
enum TArrowHeadStackingStyle : std::uint8_t { ahssStacked, ahssCentered, ahssIncluded };

struct ArrowLineShape {
  CylinderBaseShape Base{0.1f, 1.0f, 16, 4, 1};
  float TopRadius = 0.1f;
  float TopArrowHeadHeight = 0.5f;
  float TopArrowHeadRadius = 0.2f;
  float BottomArrowHeadHeight = 0.5f;
  float BottomArrowHeadRadius = 0.2f;
  TArrowLineParts Parts{alLine, alTopArrow};
  TArrowHeadStackingStyle HeadStackingStyle = ahssStacked;
};

// Where the shaft runs once the heads have taken their share of the height.
struct ArrowShaft {
  float Start = 0;   // z of its lower end
  float Length = 0;  // nothing drawn when not above 0
};
ArrowShaft ArrowShaftOf(const ArrowLineShape& shape);

// Top head (cone and the ring closing its base), bottom head, then the
// shaft with its end disks where no head sits.
GeometryBatches BuildArrowLineGeometry(const ArrowLineShape& shape, const QuadricStyle& style);

class TGLArrowLine : public TGLCylinderBase {
  CLIENT_DECLARE_CLASS(TGLArrowLine)
public:
  explicit TGLArrowLine(TComponent* owner = nullptr);

  float GetTopRadius() const override { return FShape.TopRadius; }
  void SetTopRadius(float value) { Store(FShape.TopRadius, value); }
  float GetTopArrowHeadHeight() const { return FShape.TopArrowHeadHeight; }
  void SetTopArrowHeadHeight(float value) { Store(FShape.TopArrowHeadHeight, value); }
  float GetTopArrowHeadRadius() const { return FShape.TopArrowHeadRadius; }
  void SetTopArrowHeadRadius(float value) { Store(FShape.TopArrowHeadRadius, value); }
  float GetBottomArrowHeadHeight() const { return FShape.BottomArrowHeadHeight; }
  void SetBottomArrowHeadHeight(float value) { Store(FShape.BottomArrowHeadHeight, value); }
  float GetBottomArrowHeadRadius() const { return FShape.BottomArrowHeadRadius; }
  void SetBottomArrowHeadRadius(float value) { Store(FShape.BottomArrowHeadRadius, value); }
  TArrowLineParts GetParts() const { return FShape.Parts; }
  void SetParts(TArrowLineParts value) { Store(FShape.Parts, value); }
  TArrowHeadStackingStyle GetHeadStackingStyle() const { return FShape.HeadStackingStyle; }
  void SetHeadStackingStyle(TArrowHeadStackingStyle value) { Store(FShape.HeadStackingStyle, value); }

  ArrowLineShape Shape() const;
  // Parts, the five sizes and the stacking style, then the cylinder base.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  ArrowLineShape FShape;
};
