// Meshes: a generated mesh of 100,000 triangles loaded from its "glsm"
// bytes and drawn (display list replayed, and compiled again) on the
// off-screen EGL context, and an actor whose 1,000 vertices follow a
// skeleton animation, in frames per second: the whole frame, and the pose
// with its calls to a GL table that does nothing; and an actor of 1,000
// morph frames that catches up with a long pause.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/camera.h"
#include "engine/gl_api.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/actor.h"
#include "objects/base_mesh.h"
#include "objects/face_groups.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/support/null_gl.h"

namespace {

// A wavy grid of w x h quads, two triangles each, in one face group.
void BuildGrid(TMeshObject& mesh, int w, int h) {
  mesh.SetMode(momFaceGroups);
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      const float fx = static_cast<float>(x) / w, fy = static_cast<float>(y) / h;
      mesh.GetVertices().Add(TAffineVector{fx * 8 - 4, fy * 6 - 3, 0.2f * std::sin(fx * 20) * std::cos(fy * 15)});
      mesh.GetNormals().Add(TAffineVector{0, 0, 1});
    }
  auto* group = new TFGVertexIndexList(&mesh.GetFaceGroups());
  TIntegerList& indices = group->GetVertexIndices();
  indices.SetCapacity(w * h * 6);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
      indices.Add(a, b, d);
      indices.Add(a, d, c);
    }
}

// 250 x 200 quads: 100,000 triangles over 50,451 vertices.
const std::string& HundredThousandTriangles() {
  static const std::string bytes = [] {
    TGLFreeForm mesh;
    auto* object = new TMeshObject(&mesh.GetMeshObjects());
    mesh.GetMeshObjects().Add(object);
    BuildGrid(*object, 250, 200);
    TMemoryStream stream;
    mesh.SaveToStream("grid.glsm", stream);
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
  }();
  return bytes;
}

void LoadMeshOf100kTriangles(benchmark::State& state) {
  const std::string& bytes = HundredThousandTriangles();
  int triangles = 0;
  for (auto _ : state) {
    TGLFreeForm mesh;
    TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    mesh.LoadFromStream("grid.glsm", stream);
    triangles = mesh.GetMeshObjects().GetMeshObject(0)->TriangleCount();
  }
  state.counters["triangles"] = triangles;
  state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(LoadMeshOf100kTriangles)->Unit(benchmark::kMillisecond);

// One frame of the scene, waited for.
void RenderFrame(TGL3DSceneBuffer& buffer) {
  buffer.Render();
  buffer.GetRenderingContext()->Activate();
  GL().glFinish();
  buffer.GetRenderingContext()->Deactivate();
}

void DrawMeshOf100kTriangles(benchmark::State& state) {
  const bool compileEveryFrame = state.range(0) != 0;
  RegisterEglContextClass();
  {
    TGL3DScene scene;
    TGLCamera* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 0, 12);
    auto* mesh = scene.GetObjects()->AddNewChild<TGLFreeForm>();
    const std::string& bytes = HundredThousandTriangles();
    TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    mesh->LoadFromStream("grid.glsm", stream);
    TGL3DSceneBuffer buffer;
    buffer.Resize(1024, 768);
    buffer.SetCamera(camera);
    buffer.CreateRenderingContext(0, true);
    RenderFrame(buffer);
    for (auto _ : state) {
      if (compileEveryFrame) mesh->StructureChanged();
      RenderFrame(buffer);
    }
    state.counters["triangles/s"] = benchmark::Counter(100000, benchmark::Counter::kIsIterationInvariantRate);
    buffer.DestroyRenderingContext();
  }
  UnRegisterEglContextClass();
}
BENCHMARK(DrawMeshOf100kTriangles)->ArgName("compile")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A chain of 10 bones along X, 8 frames of a swaying chain, and a skin of
// 25 x 40 vertices, each bound to its two nearest bones.
void BuildSkinnedActor(TGLActor& actor) {
  constexpr int kBones = 10;
  TSkeleton& skeleton = actor.GetSkeleton();
  TSkeletonBoneList* parent = &skeleton.GetRootBones();
  for (int b = 0; b < kBones; ++b) parent = new TSkeletonBone(parent, b);
  for (int f = 0; f < 8; ++f) {
    auto* frame = new TSkeletonFrame(&skeleton.GetFrames());
    for (int b = 0; b < kBones; ++b) {
      frame->GetPosition().Add(TAffineVector{b == 0 ? -4.0f : 0.8f, 0, 0});
      frame->GetRotation().Add(TAffineVector{0, 0, 0.15f * std::sin(f * 0.8f + b * 0.5f)});
    }
  }
  auto* skin = new TSkeletonMeshObject(&actor.GetMeshObjects());
  actor.GetMeshObjects().Add(skin);
  BuildGrid(*skin, 39, 24);  // 40 x 25 = 1,000 vertices
  const int n = skin->GetVertices().GetCount();
  skin->SetVerticeBoneWeightCount(n);
  skin->SetBonesPerVertex(2);
  for (int i = 0; i < n; ++i) {
    const float along = (skin->GetVertices()[i][0] + 4) / 0.8f;
    const int bone = std::min(static_cast<int>(along), kBones - 1);
    const float t = along - static_cast<float>(bone);
    skin->VerticesBonesWeights(i)[0] = {bone, 1 - t * 0.5f};
    skin->VerticesBonesWeights(i)[1] = {std::min(bone + 1, kBones - 1), t * 0.5f};
  }
  skeleton.SetCurrentFrame(*skeleton.GetFrames().GetItems(0));
  skeleton.GetRootBones().PrepareGlobalMatrices();
  skin->PrepareBoneMatrixInvertedMeshes();
  actor.SetReference(aarSkeleton);
  actor.PrepareMesh();
  actor.SetAnimationMode(aamLoop);
  actor.SetInterval(50);
}

void SkeletalActorOf1000Vertices(benchmark::State& state) {
  const bool draw = state.range(0) != 0;
  RegisterEglContextClass();
  {
    TGL3DScene scene;
    TGLCamera* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 0, 12);
    auto* actor = scene.GetObjects()->AddNewChild<TGLActor>();
    BuildSkinnedActor(*actor);
    TGL3DSceneBuffer buffer;
    buffer.Resize(1024, 768);
    buffer.SetCamera(camera);
    buffer.CreateRenderingContext(0, true);
    RenderFrame(buffer);
    double time = 0;
    for (auto _ : state) {
      time += 1.0 / 60;
      actor->DoProgress({1.0 / 60, time});
      if (draw) {
        RenderFrame(buffer);
      } else {
        // The pose and the calls alone, on a table that does nothing.
        ScopedGLApi nullGL(NullGLApi());
        TRenderContextInfo rci;
        actor->BuildList(rci);
      }
    }
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    buffer.DestroyRenderingContext();
  }
  UnRegisterEglContextClass();
}
BENCHMARK(SkeletalActorOf1000Vertices)->ArgName("frame")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// An actor of 1,000 morph frames whose mesh object has the given number of
// face groups, after a pause of 600 s: 6,000 frames at 100 ms each, taken
// by the one step the clock makes.
void ActorAfterALongPause(benchmark::State& state) {
  TGLActor actor;
  auto* mesh = new TMorphableMeshObject(&actor.GetMeshObjects());
  actor.GetMeshObjects().Add(mesh);
  mesh->GetVertices().Add(TAffineVector{0, 0, 0});
  for (int k = 0; k < 1000; ++k)
    (new TMeshMorphTarget(&mesh->GetMorphTargets()))->GetVertices().Add(TAffineVector{float(k), 0, 0});
  mesh->SetMode(momFaceGroups);
  for (int g = 0; g < state.range(0); ++g) new TFGVertexIndexList(&mesh->GetFaceGroups());
  actor.PrepareMesh();
  actor.SetAnimationMode(aamLoop);
  double time = 0;
  for (auto _ : state) {
    time += 600;
    actor.DoProgress({600, time});
  }
  benchmark::DoNotOptimize(actor.GetCurrentFrame());
}
BENCHMARK(ActorAfterALongPause)->ArgName("face groups")->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
