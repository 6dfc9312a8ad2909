// Random bytes read as "glsm" mesh files into a free form and added to an
// actor with a skeleton: each must load or raise a clear error, never
// crash, hang or leak. Half of the runs patch a valid file that holds every
// kind of face group, a morphable and a skinned mesh object, so that the
// checks behind the archive structure are reached quickly. A file that
// loads is then drawn (on a table that does nothing), cast at and posed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "objects/actor.h"
#include "objects/base_mesh.h"
#include "objects/base_mesh_connectivity.h"
#include "objects/face_groups.h"
#include "platform/base/exception.h"
#include "tests/support/null_gl.h"

namespace {

std::string ValidFile() {
  TMeshObjectList list;
  auto* plain = new TMorphableMeshObject(&list);
  list.Add(plain);
  plain->SetMode(momFaceGroups);
  for (int k = 0; k < 4; ++k) {
    plain->GetVertices().Add(TAffineVector{float(k & 1), float(k >> 1), 0});
    plain->GetNormals().Add(TAffineVector{0, 0, 1});
    plain->GetTexCoords().Add(TAffineVector{float(k), 0, 0});
  }
  auto* indexed = new TFGVertexIndexList(&plain->GetFaceGroups());
  indexed->GetVertexIndices().Add(0, 1, 2);
  indexed->GetVertexIndices().Add(3);
  indexed->SetMode(fgmmTriangleStrip);
  indexed->SetMaterialName("m");
  auto* separate = new TFGVertexNormalTexIndexList(&plain->GetFaceGroups());
  separate->GetVertexIndices().Add(0, 1, 2);
  separate->GetNormalIndices().Add(0, 0, 0);
  separate->SetLightMapIndex(0);
  auto* own = new TFGIndexTexCoordList(&plain->GetFaceGroups());
  own->GetVertexIndices().Add(1, 2, 3);
  own->GetTexCoords().Add(TAffineVector{0, 0, 0}, TAffineVector{1, 0, 0}, TAffineVector{0, 1, 0});
  own->SetMode(fgmmTriangleFan);
  (new TMeshMorphTarget(&plain->GetMorphTargets()))->SetVertices(plain->GetVertices());
  (new TMeshMorphTarget(&plain->GetMorphTargets()))->SetVertices(plain->GetVertices());

  auto* skin = new TSkeletonMeshObject(&list);
  list.Add(skin);
  skin->SetVertices(plain->GetVertices());
  skin->SetVerticeBoneWeightCount(4);
  skin->SetBonesPerVertex(2);
  skin->VerticesBonesWeights(3)[1] = {1, 0.5f};
  return list.SaveToString();
}

void Exercise(TGLBaseMesh& mesh) {
  TRenderContextInfo rci;
  mesh.BuildList(rci);
  mesh.RayCastIntersect({0.2f, 0.3f, 5, 1}, {0, 0, -1, 0});
  TGLBaseMeshConnectivity connectivity(mesh);
  mesh.GetMeshObjects().MorphTo(0);
  mesh.AxisAlignedDimensionsUnscaled();
}

void Load(const std::string& bytes) {
  {
    TGLFreeForm mesh;
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    try {
      mesh.LoadFromStream("fuzz.glsm", stream);
      Exercise(mesh);
    } catch (const Exception&) {
    }
  }
  TGLActor actor;
  auto* root = new TSkeletonBone(&actor.GetSkeleton().GetRootBones(), 0);
  new TSkeletonBone(root, 1);
  for (int f = 0; f < 2; ++f) {
    auto* frame = new TSkeletonFrame(&actor.GetSkeleton().GetFrames());
    frame->GetPosition().Add(TAffineVector{0, 0, 0}, TAffineVector{1, 0, 0}, TAffineVector{0, 0, 0});
    frame->GetRotation().Add(TAffineVector{0, 0, 0.5f * f}, TAffineVector{0, 0, 0}, TAffineVector{0, 0, 0});
  }
  TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  try {
    actor.AddDataFromStream("fuzz.glsm", stream);
    actor.SetReference(aarSkeleton);
    actor.SetAnimationMode(aamLoop);
    actor.DoProgress({0.15, 0.15});
    Exercise(actor);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScopedGLApi nullGL(NullGLApi());
  static const std::string valid = ValidFile();
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    Load(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    return 0;
  }
  // Patches: a length to cut the file to, then (offset, value) pairs.
  std::string bytes = valid;
  std::size_t i = 1;
  if (i + 1 < size) {
    const std::size_t keep = (std::size_t{data[i]} << 8 | data[i + 1]) % (bytes.size() + 1);
    if (keep * 4 > bytes.size() * 3) bytes.resize(keep);
    i += 2;
  }
  for (; i + 2 < size && !bytes.empty(); i += 3)
    bytes[(std::size_t{data[i]} << 8 | data[i + 1]) % bytes.size()] = static_cast<char>(data[i + 2]);
  Load(bytes);
  return 0;
}
