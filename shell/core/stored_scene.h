#pragma once
// The main window's stored scene and the engine components around it: the
// scene "GL3DScene1" with its objects in their stored order, names and
// values, the material library "staticmateriallibrary" with its five
// materials, the cadencer "GLCadencer1", the fire-effect template
// "GLFireFXManager1" and the height source "GLBitmapHDS1". The client core
// finds these objects by name, so names, order and values are fixed.
//
// Nothing here needs a GL context or a window: tests and benchmarks build
// the same scene as the program. The viewer's part (camera, fog) is applied
// to a scene buffer by ApplyStoredViewerSettings.

#include <memory>
#include <string>

class Picture;
class TGL3DScene;
class TGL3DSceneBuffer;
class TGLBitmapHDS;
class TGLCadencer;
class TGLCamera;
class TGLFireFXManager;
class TGLLightSource;
class TGLMaterialLibrary;

class StoredScene {
public:
  // The world's file of the stored height picture, relative to the program
  // folder.
  static constexpr const char* kHeightPictureFile = "maps\\elevation.bmp";

  StoredScene();
  // The cadencer and the scene's users go before the scene.
  ~StoredScene();
  StoredScene(const StoredScene&) = delete;
  StoredScene& operator=(const StoredScene&) = delete;

  // Loads the stored height picture of a program folder into the height
  // source; false (picture left empty) when the folder has none. The
  // picture records why it stays empty (Picture::GetLoadFailure): no file,
  // or the reason a damaged one raised.
  bool LoadHeightPicture(const std::string& programFolder);
  // The ground the view shows: the terrain renderer, or the flat height
  // field; the other is hidden.
  void ShowGround(bool terrainRenderer);

  TGL3DScene* GetScene() const { return FScene.get(); }
  TGLMaterialLibrary* GetMaterialLibrary() const { return FMaterialLibrary.get(); }
  TGLCadencer* GetCadencer() const { return FCadencer.get(); }
  TGLFireFXManager* GetFireFXManager() const { return FFireFXManager.get(); }
  TGLBitmapHDS* GetHeightSource() const { return FHeightSource.get(); }
  TGLCamera* GetCamera() const { return FCamera; }
  TGLLightSource* GetLight() const { return FLight; }

private:
  void BuildMaterials();
  void BuildObjects();

  std::unique_ptr<TGLMaterialLibrary> FMaterialLibrary;
  std::unique_ptr<TGLBitmapHDS> FHeightSource;
  std::unique_ptr<TGL3DScene> FScene;
  std::unique_ptr<TGLCadencer> FCadencer;
  std::unique_ptr<TGLFireFXManager> FFireFXManager;
  TGLCamera* FCamera = nullptr;
  TGLLightSource* FLight = nullptr;
};

// The stored viewer's values on a buffer: the camera, fog colour
// (0.8, 0.8, 0.8), fog from 500 to 512, fog on.
void ApplyStoredViewerSettings(TGL3DSceneBuffer& buffer, TGLCamera* camera);
