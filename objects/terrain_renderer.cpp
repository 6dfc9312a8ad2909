#include "objects/terrain_renderer.h"

#include <cmath>

#include "engine/gl_api.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "engine/vector_geometry.h"
#include "objects/roam_patch.h"

CLIENT_DEFINE_CLASS(TGLTerrainRenderer, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLTerrainRenderer);

TGLTerrainRenderer::TGLTerrainRenderer(TComponent* owner) : TGL3DSceneObject(owner) {
  FObjectStyle |= sosDirectDraw;
}

TGLTerrainRenderer::~TGLTerrainRenderer() {
  // The tiles go back to the source while this object can still hear about
  // them; the source outlives or forgets us through the free notification.
  FTiles.ReleaseAllTiles();
  if (THeightDataSource* source = FTiles.GetSource()) RemoveFreeNotification(source);
  if (FMaterialLibrary) RemoveFreeNotification(FMaterialLibrary);
}

void TGLTerrainRenderer::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    // The source has freed its tiles already (each told us): only forget it.
    if (component == FTiles.GetSource()) {
      FTiles.ReleaseAllTiles();
      FTiles.SetSource(nullptr);
    }
    if (component == FMaterialLibrary) FMaterialLibrary = nullptr;
  }
  TGL3DSceneObject::Notification(component, operation);
}

void TGLTerrainRenderer::SetHeightDataSource(THeightDataSource* source) {
  THeightDataSource* old = FTiles.GetSource();
  if (source == old) return;
  if (old) RemoveFreeNotification(old);
  FTiles.SetSource(source);
  if (source) FreeNotification(source);
  if (old) old->Clear();
  StructureChanged();
}

void TGLTerrainRenderer::SetTileSize(int value) {
  if (TTerrainTiles::NormalizeTileSize(value) == FTiles.GetTileSize()) return;
  FTiles.SetTileSize(value);
  StructureChanged();
}

void TGLTerrainRenderer::SetTilesPerTexture(float value) {
  if (value == FTilesPerTexture) return;
  FTilesPerTexture = value;
  StructureChanged();
}

void TGLTerrainRenderer::SetMaterialLibrary(TGLMaterialLibrary* library) {
  if (library == FMaterialLibrary) return;
  if (FMaterialLibrary) RemoveFreeNotification(FMaterialLibrary);
  FMaterialLibrary = library;
  if (library) FreeNotification(library);
  StructureChanged();
}

void TGLTerrainRenderer::SetQualityDistance(float value) {
  if (value == FQualityDistance) return;
  FQualityDistance = value;
  StructureChanged();
}

void TGLTerrainRenderer::SetMaxCLODTriangles(int value) {
  if (value == FMaxCLODTriangles) return;
  FMaxCLODTriangles = value;
  StructureChanged();
}

void TGLTerrainRenderer::SetCLODPrecision(int value) {
  value = std::max(value, 1);
  if (value == FCLODPrecision) return;
  FCLODPrecision = value;
  FTiles.DropPatches();
  FTiles.ReleaseAllTiles();
  StructureChanged();
}

void TGLTerrainRenderer::ReleaseAllTiles() { FTiles.ReleaseAllTiles(); }

void TGLTerrainRenderer::DestroyHandle() {
  TGL3DSceneObject::DestroyHandle();
  FTiles.ReleaseAllTiles();
  // The full-resolution lists go with the tiles; a source shared with
  // another user keeps its tiles (and that user its lists).
  if (THeightDataSource* source = FTiles.GetSource()) {
    try {
      source->Clear();
    } catch (const EHeightData&) {
    }
  }
}

void TGLTerrainRenderer::ApplyTileMaterial(const std::string& name, TRenderContextInfo& rci) {
  if (!FMaterialLibrary || name == FLastMaterialName) return;
  if (!FLastMaterialName.empty()) {
    while (FMaterialLibrary->UnApplyMaterial(rci)) {
    }
  } else {
    while (GetMaterial()->UnApply(rci)) {
    }
  }
  if (name.empty())
    GetMaterial()->Apply(rci);
  else
    FMaterialLibrary->ApplyMaterial(name, rci);
  FLastMaterialName = name;
}

void TGLTerrainRenderer::BuildList(TRenderContextInfo& rci) {
  THeightDataSource* source = FTiles.GetSource();
  if (IsDesigning() || !source) return;
  const GLApi& gl = GL();
  const int tileSize = FTiles.GetTileSize();

  TTerrainFrame frame;
  const TVector4f eye = AbsoluteToLocal(rci.cameraPosition);
  frame.Eye = TAffineVector{eye[0], eye[1], eye[2]};
  frame.AbsoluteMatrix = GetAbsoluteMatrix();
  frame.Scale = GetScale()->GetAsAffineVector();
  frame.Clipping = rci.rcci;
  frame.TilesPerTexture = FTilesPerTexture;
  frame.QualityDistance = FQualityDistance;
  frame.MaxCLODTriangles = FMaxCLODTriangles;
  frame.CLODPrecision = FCLODPrecision;
  frame.OnGetTerrainBounds = OnGetTerrainBounds;
  std::vector<TGLROAMPatch*> postRenderPatches;
  std::vector<THeightData*> postRenderTiles;
  if (OnPatchPostRender) frame.PostRenderPatches = &postRenderPatches;
  if (OnHeightDataPostRender) frame.PostRenderTiles = &postRenderTiles;

  const std::size_t reserve = std::size_t(2) * std::size_t(tileSize + 1) * std::size_t(tileSize + 1);
  FBufferVertices.AdjustCapacityToAtLeast(int(reserve));
  FBufferTexPoints.AdjustCapacityToAtLeast(int(reserve));

  // Everything set up here is undone on every path, an exception included.
  struct FrameState {
    bool open = true;
    void Close() {
      if (!open) return;
      open = false;
      const GLApi& g = GL();
      xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY);
      g.glDisableClientState(GL_VERTEX_ARRAY);
      xgl::PopTexCoordMapping();
      g.glPopMatrix();
    }
    ~FrameState() { Close(); }
  };

  // Texture coordinates reach every unit the multitexture layer offers, so
  // that a second texture (a detail map) is laid over the tiles too.
  xgl::PushTexCoordMapping();
  if (gl.Extensions.ARB_multitexture)
    xgl::MapTexCoordToDual();
  else
    xgl::MapTexCoordToMain();
  gl.glPushMatrix();
  FrameState state;
  gl.glScalef(1, 1, 0.0078125f);
  gl.glTranslatef(-0.5f * float(tileSize), -0.5f * float(tileSize), 0);
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  xgl::EnableClientState(GL_TEXTURE_COORD_ARRAY);
  gl.glDisableClientState(GL_COLOR_ARRAY);
  gl.glDisableClientState(GL_NORMAL_ARRAY);
  gl.glVertexPointer(3, GL_FLOAT, 0, FBufferVertices.List());
  xgl::TexCoordPointer(2, GL_FLOAT, 0, FBufferTexPoints.List());
  FTriangleCount = 0;
  FLastMaterialName.clear();

  frame.ApplyMaterial = [this, &rci](const std::string& name) { ApplyTileMaterial(name, rci); };
  frame.RenderPatch = [this](TGLROAMPatch& patch) {
    patch.Render(FBufferVertices, FBufferVertexIndices, FBufferTexPoints);
  };
  frame.OnFrameDrawn = [&] {
    if (OnPatchPostRender) OnPatchPostRender(rci, postRenderPatches);
    if (OnHeightDataPostRender) OnHeightDataPostRender(rci, postRenderTiles);
    state.Close();
  };
  try {
    FTriangleCount = FTiles.BuildFrame(frame);
  } catch (...) {
    // The renderer's own material is the one its caller takes off again.
    if (!FLastMaterialName.empty() && FMaterialLibrary) ApplyTileMaterial(std::string(), rci);
    throw;
  }
}

TVector4f TGLTerrainRenderer::AxisAlignedDimensionsUnscaled() const {
  // Local z is the small-int height scaled by 1/128.
  constexpr float kPlane = 2147483648.0f, kHeight = 32768.0f / 128.0f;
  return {kPlane, kPlane, kHeight, 0.0f};
}

float TGLTerrainRenderer::InterpolatedHeight(const TVector4f& absolutePosition) {
  THeightDataSource* source = FTiles.GetSource();
  if (!source) return 0;
  const TVector4f local = AbsoluteToLocal(absolutePosition);
  return source->InterpolatedHeight(local[0], local[1], FTiles.GetTileSize() + 1) * GetScale()->GetZ() * 0.0078125f;
}

bool TGLTerrainRenderer::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                          TVector4f* intersectPoint, TVector4f* intersectNormal) {
  if (!FTiles.GetSource()) return false;
  float step = 100, t = 100;
  const TVector4f d = VectorNormalized(rayVector);
  const bool above = InterpolatedHeight(rayStart) - rayStart[1] < 0;
  bool hit = false;
  TVector4f p{};
  for (int i = 0; i <= 100; ++i) {
    p = TVector4f{rayStart[0] + d[0] * t, rayStart[1] + d[1] * t, rayStart[2] + d[2] * t, 1};
    const float h = InterpolatedHeight(p);
    if (std::fabs(h - p[1]) < 0.001f) {
      hit = true;
      break;
    }
    if (above) {
      if (h < p[1]) t += step;
      if (h - p[1] > 0) {
        step *= 0.5f;
        t -= step;
      }
    } else if (h > p[1]) {
      t += step;
    }
  }
  if (!hit) return false;
  if (intersectPoint) *intersectPoint = p;
  if (intersectNormal) {
    // From the ground under the hit (the ray point is only within 0.001 of it).
    const float ground = InterpolatedHeight(p);
    TVector4f a{p[0] - 0.1f, 0, p[2], 1};
    a[1] = InterpolatedHeight(a);
    TVector4f b{p[0], 0, p[2] - 0.1f, 1};
    b[1] = InterpolatedHeight(b);
    const TAffineVector pa{a[0] - p[0], a[1] - ground, a[2] - p[2]};
    const TAffineVector pb{b[0] - p[0], b[1] - ground, b[2] - p[2]};
    // b x a, so that the normal of the ground faces up, toward the side a
    // ray from above comes from.
    TAffineVector n = AffineVectorCross(pb, pa);
    NormalizeAffineVector(n);
    *intersectNormal = TVector4f{n[0], n[1], n[2], 0};
  }
  return true;
}
