// The main window's start-up steps for the 3D world: the first-run
// conversion of packed pictures, the aerial map and the detail texture, the
// client core built on the stored scene, and the hooks of the view (render
// timing) and of the cadencer (the core's per-frame step).
#include "shell/main_window.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <utility>

#include "client/client_globals.h"
#include "client/mud.h"
#include "client/texture_loading.h"
#include "engine/cadencer.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "objects/height_data_bitmap.h"
#include "platform/base/path_resolve.h"
#include "shell/application.h"
#include "shell/core/aerial_map.h"
#include "shell/core/packed_pictures.h"
#include "shell/core/stored_scene.h"
#include "shell/images_window.h"
#include "shell/scene_viewer.h"
#include "sound/sound_library.h"

TMud* mud = nullptr;

void Tfmtallowmer3dclient::ConnectViewHooks() {
  TGL3DSceneBuffer& buffer = *FView->GetViewer()->GetBuffer();
  buffer.BeforeRender = [this](TObject*) { GL3DSceneViewerBeforeRender(); };
  buffer.AfterRender = [this](TObject*) { GL3DSceneViewerAfterRender(); };
  FView->GetCadencer()->OnProgress = [this](TObject*, double deltaTime, double) { GLCadencer1Progress(deltaTime); };
}

void Tfmtallowmer3dclient::GL3DSceneViewerBeforeRender() {
  // The view is hidden until the start-up ends; a render before it would be
  // a fault of ours, but it is no reason to stop the player's program.
  FRenderStart = ClientClock::now();
}

void Tfmtallowmer3dclient::GL3DSceneViewerAfterRender() {
  FLastRenderMs = static_cast<int>(std::lrint(SecondsSince(FRenderStart) * 1000));
}

void Tfmtallowmer3dclient::GLCadencer1Progress(double deltaTime) {
  if (mud) mud->Progress(deltaTime);
}

void Tfmtallowmer3dclient::UnpackFirstRunPictures() {
  if (!std::filesystem::exists(FAppFolder + "firsttime.txt")) return;
  SetBusyCaption("Unzipping Images ...");
  const PackedPictureReport report = ::UnpackFirstRunPictures(FAppFolder);
  if (report.failures.empty()) return;
  std::string message = "Packed pictures left as they were (tried again at the next start):";
  for (const std::string& failure : report.failures) message += "\n" + failure;
  ShowError(message);
}

void Tfmtallowmer3dclient::LoadAerialMap() {
  const std::optional<std::string> file = FindAerialMap(FAppFolder);
  if (!file) return;
  SetBusyCaption("Loading Aerial .. ");
  TAerialMap aerial = ReadAerialMap(*file);
  TGLMaterialLibrary& library = *FView->GetStoredScene().GetMaterialLibrary();
  if (TGLLibMaterial* material = library.LibMaterialByName("aerial"))
    material->GetMaterial()->GetTexture()->AssignBitmap(std::move(aerial.Terrain));
  ShowAerialPicture(aerial.Panel);
}

void Tfmtallowmer3dclient::LoadElevationAndDetails() {
  SetBusyCaption("Loading Images ..");
  StoredScene& stored = FView->GetStoredScene();
  if (fmimages) fmimages->imelevation.Assign(stored.GetHeightSource()->GetPicture());
  stored.ShowGround(UseTerrainRenderer);

  const std::optional<std::string> details = FindExistingPath(FAppFolder + "textures/detailmap.jpg");
  if (!details) return;
  bool resized = false;
  // No cap of its own: a picture beyond the largest texture is read reduced.
  TGLLibMaterial& big = *stored.GetMaterialLibrary()->GetMaterials()->GetItems(3);
  big.GetMaterial()->GetTexture()->AssignBitmap(LoadTextureBitmap(*details, 0, false, resized));
  big.GetTextureScale()->SetVector(256, 256, 256);
}

void Tfmtallowmer3dclient::NewMud() {
  StoredScene& stored = FView->GetStoredScene();
  static Picture none;
  auto picture = [&](Picture Tfmimages::*member) { return fmimages ? &(fmimages->*member) : &none; };
  FMud.reset();
  mud = nullptr;
  FMud = std::make_unique<TMud>("config.xml", &FView->GetMudViewer(), stored.GetScene(), GLSoundLibrary.get(),
                                stored.GetMaterialLibrary(), stored.GetFireFXManager(),
                                picture(&Tfmimages::imelevation), picture(&Tfmimages::imstaticobjects),
                                picture(&Tfmimages::imintermediateobjects), picture(&Tfmimages::imintermediateobjects2),
                                picture(&Tfmimages::imintermediateobjects3), &FView->GetBlackPanel(), stored.GetLight(),
                                stored.GetHeightSource());
  mud = FMud.get();
  // The core logged the failing step; the player hears of it once, and the
  // text client goes on.
  if (!mud->GetCreateError().empty()) ShowError("The 3D world could not be built: " + mud->GetCreateError());
}

void Tfmtallowmer3dclient::CreateMud() {
  SetBusyCaption("Loading Configuration ..");
  NewMud();
  StoredScene& stored = FView->GetStoredScene();
  TGLLibMaterial& elevation = *stored.GetMaterialLibrary()->GetMaterials()->GetItems(0);
  if (!fmimages) return;
  // The heights keep the picture at the size the terrain samples; its
  // texture is kept no larger than any other.
  bool resized = false;
  elevation.GetMaterial()->GetTexture()->AssignBitmap(
      FitTextureBitmap(fmimages->imelevation.GetBitmap(), 0, false, resized));
}
