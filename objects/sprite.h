#pragma once
// A textured quad that always faces the camera (monsters and other
// billboards), built at each render from the model-view matrix in force.

#include "engine/custom_scene_object.h"
#include "objects/sprite_geometry.h"

class TGLSprite : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLSprite)
public:
  explicit TGLSprite(TComponent* owner = nullptr);

  // The sprite is drawn afresh every frame, so its setters only ask for a
  // repaint.
  float GetWidth() const { return FShape.Width; }
  void SetWidth(float value);
  float GetHeight() const { return FShape.Height; }
  void SetHeight(float value);
  // Degrees, counter-clockwise as the camera sees it.
  float GetRotation() const { return FShape.Rotation; }
  void SetRotation(float value);
  // Clamped to [0, 1]; written into the front diffuse alpha while drawing.
  float GetAlphaChannel() const { return FAlphaChannel; }
  void SetAlphaChannel(float value);
  bool IsAlphaChannelStored() const { return FAlphaChannel != 1.0f; }
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool value);
  bool GetMirrorU() const { return FShape.MirrorU; }
  void SetMirrorU(bool value);
  bool GetMirrorV() const { return FShape.MirrorV; }
  void SetMirrorV(bool value);
  // Width and height together.
  void SetSize(float width, float height);

  const SpriteShape& Shape() const { return FShape; }

  // Width, height, rotation, alpha channel and NoZWrite (not the mirrors).
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  SpriteShape FShape;
  float FAlphaChannel = 1.0f;
  bool FNoZWrite = false;
};
