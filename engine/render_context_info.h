#pragma once
// The record passed by reference to every render operation (BuildList,
// DoRender, Render, material Apply and UnApply). The scene buffer fills it
// at the start of each scene pass.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/gl_state_cache.h"
#include "engine/vector_types.h"

class TGL3DScene;
class TGL3DSceneBuffer;
class TGLMaterialLibrary;
struct TRenderContextInfo;

// Something drawn after the whole scene (an after-render effect).
using TAfterRenderEffect = std::function<void(TGL3DSceneBuffer& buffer, TRenderContextInfo& rci)>;

enum TDrawState : std::uint8_t { rdsRendering, rdsPicking, rdsBitmap };

enum TGLObjectsSorting : std::uint8_t {
  osInherited, osNone, osRenderFarthestFirst, osRenderBlendedLast, osRenderNearestFirst
};

enum TGLVisibilityCulling : std::uint8_t { vcInherited, vcNone, vcObjectBased, vcHierarchical };

struct TRenderContextInfo {
  TGL3DScene* scene = nullptr;
  TGL3DSceneBuffer* buffer = nullptr;
  TVector4f cameraPosition{};
  TVector4f cameraDirection{};
  // The camera's clipping volume; frustum planes normalised.
  TRenderContextClippingInfo rcci{};
  TDrawState drawState = rdsRendering;
  TGLObjectsSorting objectsSorting = osNone;
  TGLVisibilityCulling visibilityCulling = vcNone;
  // The capabilities that are on, as the state cache keeps them.
  TGLStates GLStates{};
  // Nested requests of drawables to render without fog or lighting.
  int fogDisabledCounter = 0;
  int lightingDisabledCounter = 0;
  bool ignoreMaterials = false;
  bool ignoreBlendingRequests = false;
  bool ignoreDepthRequests = false;
  bool proxySubObject = false;
  bool amalgamating = false;
  // The libraries a mesh draws its face groups' materials and light maps
  // from, set by the mesh for the duration of its own drawing.
  TGLMaterialLibrary* materialLibrary = nullptr;
  TGLMaterialLibrary* lightmapLibrary = nullptr;
  // The buffer's face-culling switch.
  bool bufferFaceCull = true;
  TVector4f sceneAmbientColor{};
  int viewPortWidth = 0;
  int viewPortHeight = 0;
  int renderDPI = 96;
  // The buffer's model-view matrix as last set up.
  const TMatrix* modelViewMatrix = nullptr;
  // Effects that render after the whole scene: the buffer's list, which a
  // drawable may append to during the pass.
  std::vector<TAfterRenderEffect>* afterRenderEffects = nullptr;
};
