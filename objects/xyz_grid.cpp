#include "objects/xyz_grid.h"

#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLXYZGrid, TGLLineBase)
CLIENT_REGISTER_CLASS(TGLXYZGrid);

TGLXYZGrid::TGLXYZGrid(TComponent* owner)
    : TGLLineBase(owner),
      FXSamplingScale(std::make_unique<TGLSamplingScale>(this)),
      FYSamplingScale(std::make_unique<TGLSamplingScale>(this)),
      FZSamplingScale(std::make_unique<TGLSamplingScale>(this)) {}

TGLXYZGrid::~TGLXYZGrid() = default;

void TGLXYZGrid::SetParts(TXYZGridParts value) {
  if (value == FParts) return;
  FParts = value;
  StructureChanged();
}

void TGLXYZGrid::SetLinesStyle(TXYZGridLinesStyle value) {
  if (value == FLinesStyle) return;
  FLinesStyle = value;
  StructureChanged();
}

void TGLXYZGrid::SetLinesSmoothing(bool value) {
  if (value == FLinesSmoothing) return;
  FLinesSmoothing = value;
  StructureChanged();
}

void TGLXYZGrid::NotifyChange(TObject* sender) {
  if (sender && sender->Is<TGLSamplingScale>()) StructureChanged();
  TGLLineBase::NotifyChange(sender);
}

void TGLXYZGrid::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLXYZGrid*>(source)) {
    FXSamplingScale->Assign(other->FXSamplingScale.get());
    FYSamplingScale->Assign(other->FYSamplingScale.get());
    FZSamplingScale->Assign(other->FZSamplingScale.get());
    FParts = other->FParts;
    FLinesStyle = other->FLinesStyle;
  }
  TGLLineBase::Assign(source);
}

void TGLXYZGrid::BuildList(TRenderContextInfo& rci) {
  LineStyleScope style(*this, rci);
  XYZGridLayout layout;
  const TGLSamplingScale* scales[3] = {FXSamplingScale.get(), FYSamplingScale.get(), FZSamplingScale.get()};
  const TXYZGridPart parts[3] = {gpX, gpY, gpZ};
  for (int a = 0; a < 3; ++a) {
    layout.Parts[a] = FParts.Contains(parts[a]);
    layout.Axes[a] = scales[a]->Range(layout.Parts[a]);
    layout.AxisMin[a] = scales[a]->GetMin();
    layout.AxisMax[a] = scales[a]->GetMax();
  }
  layout.Segments = FLinesStyle == glsSegments;
  EmitGeometry(BuildXYZGridLines(layout), {.Normals = false, .TexCoords = false});
}
