#include "objects/arrow_line.h"

#include "engine/matrix_geometry.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLArrowLine, TGLCylinderBase)
CLIENT_REGISTER_CLASS(TGLArrowLine);

namespace {

float StackingShare(TArrowHeadStackingStyle style) {
  switch (style) {
    case ahssCentered:
      return 0.5f;
    case ahssIncluded:
      return 1.0f;
    case ahssStacked:
      break;
  }
  return 0.0f;
}

GeometryBatches Placed(GeometryBatches batches, const TMatrix& matrix) {
  TransformBatches(batches, matrix);
  return batches;
}

}  // namespace

ArrowShaft ArrowShaftOf(const ArrowLineShape& shape) {
  const float k = StackingShare(shape.HeadStackingStyle);
  ArrowShaft shaft{-shape.Base.Height / 2, shape.Base.Height};
  if (shape.Parts.Contains(alTopArrow)) shaft.Length -= shape.TopArrowHeadHeight * k;
  if (shape.Parts.Contains(alBottomArrow)) {
    shaft.Length -= shape.BottomArrowHeadHeight * k;
    shaft.Start += shape.BottomArrowHeadHeight * k;
  }
  return shaft;
}

GeometryBatches BuildArrowLineGeometry(const ArrowLineShape& shape, const QuadricStyle& style) {
  const CylinderBaseShape& b = shape.Base;
  const float k = StackingShare(shape.HeadStackingStyle);
  const bool line = shape.Parts.Contains(alLine);
  const QuadricStyle inverted = style.Inverted();
  GeometryBatches batches;
  // A head: a cone from its base ring to the tip along +z, closed by a ring
  // from the shaft (or the axis) out to the head's radius.
  auto head = [&](float radius, float height, float shaftRadius, const TMatrix& place) {
    AppendBatches(batches, Placed(QuadricCylinder(style, radius, 0, height, b.Slices, b.Stacks), place));
    AppendBatches(batches, Placed(QuadricDisk(inverted, line ? shaftRadius : 0, radius, b.Slices, b.Loops), place));
  };
  if (shape.Parts.Contains(alTopArrow))
    head(shape.TopArrowHeadRadius, shape.TopArrowHeadHeight, shape.TopRadius,
         CreateTranslationMatrix({0, 0, b.Height / 2 - shape.TopArrowHeadHeight * k}));
  if (shape.Parts.Contains(alBottomArrow)) {
    // Turned half a turn about x, so that it points down.
    const TMatrix turn{{1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}};
    head(shape.BottomArrowHeadRadius, shape.BottomArrowHeadHeight, b.BottomRadius,
         MatrixMultiply(CreateTranslationMatrix({0, 0, b.Height / 2 - shape.BottomArrowHeadHeight * k}), turn));
  }
  const ArrowShaft shaft = ArrowShaftOf(shape);
  if (shaft.Length > 0 && line) {
    const TMatrix place = CreateTranslationMatrix({0, 0, shaft.Start});
    AppendBatches(batches,
                  Placed(QuadricCylinder(style, b.BottomRadius, shape.TopRadius, shaft.Length, b.Slices, b.Stacks), place));
    if (!shape.Parts.Contains(alTopArrow))
      AppendBatches(batches, Placed(QuadricDisk(style, 0, shape.TopRadius, b.Slices, b.Loops),
                                    CreateTranslationMatrix({0, 0, shaft.Start + shaft.Length})));
    if (!shape.Parts.Contains(alBottomArrow))
      AppendBatches(batches, Placed(QuadricDisk(inverted, 0, b.BottomRadius, b.Slices, b.Loops), place));
  }
  return batches;
}

TGLArrowLine::TGLArrowLine(TComponent* owner) : TGLCylinderBase(owner) { SetBottomRadius(0.1f); }

ArrowLineShape TGLArrowLine::Shape() const {
  ArrowLineShape shape = FShape;
  shape.Base = BaseShape();
  return shape;
}

void TGLArrowLine::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLArrowLine*>(source)) {
    const CylinderBaseShape base = FShape.Base;
    FShape = other->FShape;
    FShape.Base = base;
  }
  TGLCylinderBase::Assign(source);
}

void TGLArrowLine::BuildList(TRenderContextInfo&) {
  EmitGeometry(BuildArrowLineGeometry(Shape(), Style()), {GetNormals() != nsNone, true});
}
