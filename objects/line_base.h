#pragma once
// The base of every line drawing: colour, stipple pattern, width and
// smoothing, and the GL set-up that draws in that style.

#include <cstdint>
#include <memory>

#include "engine/direct_opengl.h"
#include "engine/gl_color.h"
#include "engine/gl_state_cache.h"

class TGLLineBase : public TGLImmaterialSceneObject {
  CLIENT_DECLARE_CLASS(TGLLineBase)
public:
  explicit TGLLineBase(TComponent* owner = nullptr);
  ~TGLLineBase() override;

  TGLColor* GetLineColor() const { return FLineColor.get(); }
  // Copies the colour's value; always a change of structure.
  void SetLineColor(const TGLColor* value);
  // 0xFFFF draws a solid line.
  std::uint16_t GetLinePattern() const { return FLinePattern; }
  void SetLinePattern(std::uint16_t value);
  float GetLineWidth() const { return FLineWidth; }
  void SetLineWidth(float value);
  bool IsLineWidthStored() const { return FLineWidth != 1.0f; }
  bool GetAntiAliased() const { return FAntiAliased; }
  void SetAntiAliased(bool value);

  // From another line: the colour's value, pattern, width and smoothing,
  // and nothing of the scene object.
  void Assign(const TPersistent* source) override;

private:
  std::unique_ptr<TGLColor> FLineColor;
  std::uint16_t FLinePattern = 0xFFFF;
  float FLineWidth = 1.0f;
  bool FAntiAliased = false;
};

// The line style in force for its lifetime: unlit, dashed and blended for a
// pattern, smoothed when anti-aliased, the line's width and colour (blended
// when not opaque). Capabilities go through the state cache; the rest is
// pushed and popped, so nothing of it outlives the scope.
class LineStyleScope {
public:
  LineStyleScope(const TGLLineBase& line, TRenderContextInfo& rci);
  LineStyleScope(const LineStyleScope&) = delete;
  LineStyleScope& operator=(const LineStyleScope&) = delete;

private:
  ScopedGLAttribs attribs_;
};
