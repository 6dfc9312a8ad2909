#pragma once
// The material of one face: four colours, the polygon mode and the
// shininess, applied through the state cache.

#include <cstdint>
#include <memory>

#include <GL/gl.h>

#include "engine/gl_color.h"

enum TPolygonMode : std::uint8_t { pmFill, pmLines, pmPoints };
// 0..128
using TShininess = std::uint8_t;

class TGLFaceProperties : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLFaceProperties)
public:
  explicit TGLFaceProperties(TPersistent* owner = nullptr);

  TGLColor* GetAmbient() const { return FAmbient.get(); }
  TGLColor* GetDiffuse() const { return FDiffuse.get(); }
  TGLColor* GetSpecular() const { return FSpecular.get(); }
  TGLColor* GetEmission() const { return FEmission.get(); }
  // Copy the four components and notify.
  void SetAmbient(const TGLColor* value);
  void SetDiffuse(const TGLColor* value);
  void SetSpecular(const TGLColor* value);
  void SetEmission(const TGLColor* value);

  TPolygonMode GetPolygonMode() const { return FPolygonMode; }
  void SetPolygonMode(TPolygonMode value);
  TShininess GetShininess() const { return FShininess; }
  // Values above 128 are taken as 128 (GL refuses them).
  void SetShininess(TShininess value);

  // The four colours, Shininess and PolygonMode; notifies.
  void Assign(const TPersistent* source) override;

  // With lighting, the material colours; without, the diffuse as the
  // current colour. Then the polygon mode.
  void Apply(GLenum face, bool lighting) const;

private:
  void CopyColor(TGLColor& target, const TGLColor* value);

  std::unique_ptr<TGLColor> FAmbient, FDiffuse, FSpecular, FEmission;
  TPolygonMode FPolygonMode = pmFill;
  TShininess FShininess = 0;
};

// GL_FILL, GL_LINE or GL_POINT.
GLenum GLPolygonModeOf(TPolygonMode mode);
