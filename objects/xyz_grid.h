#pragma once
// A reference grid: lines parallel to the axes over three sampling scales,
// in the line style of its base.

#include <cstdint>
#include <memory>

#include "objects/height_field.h"
#include "objects/line_base.h"
#include "objects/small_set.h"

enum TXYZGridPart : std::uint8_t { gpX, gpY, gpZ };
using TXYZGridParts = SmallSet<TXYZGridPart>;
// Lines through every sample of their axis, or only from its low to its
// high end.
enum TXYZGridLinesStyle : std::uint8_t { glsLine, glsSegments };

class TGLXYZGrid : public TGLLineBase {
  CLIENT_DECLARE_CLASS(TGLXYZGrid)
public:
  explicit TGLXYZGrid(TComponent* owner = nullptr);
  ~TGLXYZGrid() override;

  TGLSamplingScale* GetXSamplingScale() const { return FXSamplingScale.get(); }
  void SetXSamplingScale(const TGLSamplingScale* value) { FXSamplingScale->Assign(value); }
  TGLSamplingScale* GetYSamplingScale() const { return FYSamplingScale.get(); }
  void SetYSamplingScale(const TGLSamplingScale* value) { FYSamplingScale->Assign(value); }
  TGLSamplingScale* GetZSamplingScale() const { return FZSamplingScale.get(); }
  void SetZSamplingScale(const TGLSamplingScale* value) { FZSamplingScale->Assign(value); }
  TXYZGridParts GetParts() const { return FParts; }
  void SetParts(TXYZGridParts value);
  TXYZGridLinesStyle GetLinesStyle() const { return FLinesStyle; }
  void SetLinesStyle(TXYZGridLinesStyle value);
  // Stored and signalled; the drawing smooths by AntiAliased.
  bool GetLinesSmoothing() const { return FLinesSmoothing; }
  void SetLinesSmoothing(bool value);

  // A sampling scale's change is a change of the lines.
  void NotifyChange(TObject* sender) override;
  // From another grid: the scales, parts and lines style; the line style
  // of the base in any case.
  void Assign(const TPersistent* source) override;
  // An axis outside Parts contributes its Origin alone.
  void BuildList(TRenderContextInfo& rci) override;

private:
  std::unique_ptr<TGLSamplingScale> FXSamplingScale;
  std::unique_ptr<TGLSamplingScale> FYSamplingScale;
  std::unique_ptr<TGLSamplingScale> FZSamplingScale;
  TXYZGridParts FParts{gpX, gpY};
  TXYZGridLinesStyle FLinesStyle = glsSegments;
  bool FLinesSmoothing = false;
};
