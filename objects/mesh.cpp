#include "objects/mesh.h"

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLMesh, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLMesh);

GLenum MeshModeToGL(TMeshMode mode) {
  switch (mode) {
    case mmTriangleStrip:
      return GL_TRIANGLE_STRIP;
    case mmTriangleFan:
      return GL_TRIANGLE_FAN;
    case mmTriangles:
      return GL_TRIANGLES;
    case mmQuadStrip:
      return GL_QUAD_STRIP;
    case mmQuads:
      return GL_QUADS;
    case mmPolygon:
      return GL_POLYGON;
  }
  CLIENT_ASSERT(false);
  return GL_POINTS;
}

TGLMesh::TGLMesh(TComponent* owner) : TGL3DSceneObject(owner), FVertices(std::make_unique<TVertexList>(this)) {
  const TAffineVector normal{0, 0, 1};
  FVertices->AddVertex({1, 0, 0}, normal, {0, 0, 0, 0}, {0, 0});
  FVertices->AddVertex({0, 1, 0}, normal, {0, 0, 0, 0}, {0, 0});
  FVertices->AddVertex({0, 0, 1}, normal, {0, 0, 0, 0}, {0, 0});
  FVertices->OnNotifyChange = [this](TObject*) { StructureChanged(); };
}

TGLMesh::~TGLMesh() {
  // The list must not call back into a mesh that is going.
  FVertices->OnNotifyChange = nullptr;
}

void TGLMesh::SetVertices(const TVertexList* value) {
  FVertices->Assign(value);
  StructureChanged();
}

void TGLMesh::SetMode(TMeshMode value) {
  if (value == FMode) return;
  FMode = value;
  StructureChanged();
}

void TGLMesh::SetVertexMode(TVertexMode value) {
  if (value == FVertexMode) return;
  FVertexMode = value;
  StructureChanged();
}

void TGLMesh::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLMesh*>(source)) {
    FVertices->Assign(other->FVertices.get());
    FMode = other->FMode;
    FVertexMode = other->FVertexMode;
    StructureChanged();
    return;
  }
  TGL3DSceneObject::Assign(source);
}

void TGLMesh::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  const GLenum primitive = MeshModeToGL(FMode);
  // Enable, polygon and current groups (0x2009), and the client arrays.
  gl.glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
  gl.glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  const TVertexList& v = *FVertices;
  constexpr GLsizei stride = sizeof(TVertexData);
  switch (FVertexMode) {
    case vmV:
      gl.glInterleavedArrays(GL_V3F, stride, v.FirstVertex());
      break;
    case vmVN:
      gl.glInterleavedArrays(GL_N3F_V3F, stride, v.FirstNormal());
      break;
    case vmVNC:
      gl.glInterleavedArrays(GL_C4F_N3F_V3F, stride, v.FirstColor());
      break;
    case vmVNCT:
    case vmVNT:
      gl.glInterleavedArrays(GL_T2F_C4F_N3F_V3F, 0, v.GetData());
      break;
    case vmVT:
      gl.glTexCoordPointer(2, GL_FLOAT, stride, v.FirstTexPoint());
      gl.glVertexPointer(3, GL_FLOAT, stride, v.FirstVertex());
      gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      gl.glEnableClientState(GL_VERTEX_ARRAY);
      break;
  }
  if (FVertexMode == vmVNC || FVertexMode == vmVNCT) {
    // The vertex colours drive the ambient and diffuse material colours.
    gl.glEnable(GL_COLOR_MATERIAL);
    gl.glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    ResetGLMaterialColors();
  }
  gl.glDrawArrays(primitive, 0, v.GetCount());
  gl.glPopClientAttrib();
  gl.glPopAttrib();
}
