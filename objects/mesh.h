#pragma once
// A free-form mesh: an owned vertex list drawn as one primitive through an
// interleaved vertex array (the client's textured ground quads).

#include <cstdint>
#include <memory>

#include "engine/custom_scene_object.h"
#include "objects/vertex_list.h"

enum TMeshMode : std::uint8_t { mmTriangleStrip, mmTriangleFan, mmTriangles, mmQuadStrip, mmQuads, mmPolygon };
enum TVertexMode : std::uint8_t { vmV, vmVN, vmVNC, vmVNCT, vmVNT, vmVT };

class TGLMesh : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLMesh)
public:
  // Starts with the unit points on the three axes, normals +Z, colour and
  // texture point zero.
  explicit TGLMesh(TComponent* owner = nullptr);
  ~TGLMesh() override;

  // Every AddVertex or Clear makes the display list be compiled again.
  TVertexList* GetVertices() const { return FVertices.get(); }
  void SetVertices(const TVertexList* value);
  TMeshMode GetMode() const { return FMode; }
  void SetMode(TMeshMode value);
  TVertexMode GetVertexMode() const { return FVertexMode; }
  void SetVertexMode(TVertexMode value);

  // Vertices, mode and vertex mode (not position or material); the copy is
  // a change of structure, so the next render shows it.
  void Assign(const TPersistent* source) override;
  // The whole list as one primitive. The client arrays it enables are
  // restored before it returns, so no array is left pointing into the list.
  void BuildList(TRenderContextInfo& rci) override;

private:
  std::unique_ptr<TVertexList> FVertices;
  TMeshMode FMode = mmTriangleStrip;
  TVertexMode FVertexMode = vmVNCT;
};

GLenum MeshModeToGL(TMeshMode mode);
