#pragma once
// The base of the quadric-like drawables: how their normals are smoothed
// and which way they face, and the GLU quadric set-up of the descendants
// that GLU draws.

#include <GL/glu.h>

#include "engine/custom_scene_object.h"
#include "objects/cube_geometry.h"

class TGLQuadricObject : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLQuadricObject)
public:
  explicit TGLQuadricObject(TComponent* owner = nullptr) : TGL3DSceneObject(owner) {}

  TNormalSmoothing GetNormals() const { return FNormals; }
  void SetNormals(TNormalSmoothing value);
  TNormalDirection GetNormalDirection() const { return FNormalDirection; }
  void SetNormalDirection(TNormalDirection value);

  // Normals and normal direction.
  void Assign(const TPersistent* source) override;

  // Fill style, normals by Normals, orientation by NormalDirection,
  // texture coordinates on.
  void SetupQuadric(GLUquadric* quadric) const;
  void ApplyNormalOrientation(GLUquadric* quadric) const;
  // The other way round, for faces that look away from the body.
  void ApplyInvertedOrientation(GLUquadric* quadric) const;

private:
  TNormalSmoothing FNormals = nsSmooth;
  TNormalDirection FNormalDirection = ndOutside;
};
