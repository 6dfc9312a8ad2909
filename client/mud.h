#pragma once
// The client core: one object that holds every reference the 3D world needs
// (the main window's scene objects, the world description, the map pictures,
// the three client states, the world lists), builds the world once when it
// is created, and maps map cells to scene positions for everything else.
//
// Units: map cells x east, y north, level z; scene X east, Y up, Z south,
// VisualScale scene units per cell. Colours are 0x00BBGGRR.
//
// Where each part lives:
//   mud.cpp              creation and its log, destruction, mappings,
//                        heights, pixels, level tests, dumps
//   mud_textures.cpp     texture options, the cache, preloading
//   mud_builder.cpp      BuildObject (object builder)
//   world_lists.cpp      PlaceStaticObjects and the world lists
//   cell_windows.cpp     the three cell windows, doorways, monsters
//   mud_environment.cpp  Update, ApplyState and the sky, fog and light
//   mud_progress.cpp     Approach and Progress (the per-frame step)

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "client/integer_list.h"
#include "client/random_generator.h"
#include "engine/vector_types.h"

class MudControl;
class MudViewer;
class Picture;
class TConfigXML;
class TDoorwayList;
class TGL3DScene;
class TGLBaseSceneObject;
class TGLBSoundEmitter;
class TGLCamera;
class TGLCoordinates;
class TGLDummyCube;
class TStaticArea;
class TStaticBatches;
class TGLFireFXManager;
class TGLLibMaterial;
class TGLLightSource;
class TGLLines;
class TGLMaterialLibrary;
class TGLPlane;
class TGLSkyDome;
class TGLSoundLibrary;
class TGLSoundSample;
class TGLSphere;
class TGLTerrainRenderer;
class THeightDataSource;
class TIntermediatetexturelist;
class TMobsquare;
class TMudstate;
class TObjectCatalog;
class TStateSteps;
class TStaticCubeList;
class TTexturenamecache;
class TWallFaceList;

// A window of cells of one intermediate map round the player: at most 7 x 7
// slots, slot (a, b) for a, b in -3..3 holding the map cell (x + a, y + b)
// of the window's centre (x, y), its colour and the per-cell container the
// object builder filled (or none).
struct TCellSlot {
  int32_t colour = -1;
  TGLBaseSceneObject* object = nullptr;
};

struct TCellWindow {
  static constexpr int32_t kMaxSize = 7;
  static constexpr int32_t kMaxHalf = kMaxSize / 2;

  std::array<std::array<TCellSlot, kMaxSize>, kMaxSize> grid{};
  int32_t size = kMaxSize;
  int32_t lastX = -1;  // -1: no centre yet
  int32_t lastY = -1;

  // Half the width: the slots with -h <= a, b <= h are in use.
  int32_t Half() const { return std::clamp(size, 1, kMaxSize) / 2; }
  TCellSlot& Slot(int32_t a, int32_t b) { return grid[static_cast<size_t>(a + kMaxHalf)][static_cast<size_t>(b + kMaxHalf)]; }
  const TCellSlot& Slot(int32_t a, int32_t b) const {
    return grid[static_cast<size_t>(a + kMaxHalf)][static_cast<size_t>(b + kMaxHalf)];
  }
};

// The size from the world description's text, the default when the text is
// empty; a text that is not a number raises EConvertError. The grid holds
// 7 x 7 slots, so the size is held within 1..7.
void SetCellWindowSize(TCellWindow& window, const std::string& text, int32_t defaultSize);

// Appends "<date> <time> <text>" to the start-up log (XMLLogFileName,
// "log.txt" in the program folder), date and time as "YYYY-MM-DD HH:MM:SS"
// whatever the locale. A log that cannot be written is skipped: logging
// never stops the start-up.
void LogLine(std::string_view text);

// Seven sky colours, the horizon first.
using TSkyColours = std::array<int32_t, 7>;

class TMud {
public:
  static constexpr int32_t kMapSize = 358;
  // The longer side of a texture's picture near the player (in the cache)
  // and elsewhere.
  static constexpr int kLargeTextureSize = 256;
  static constexpr int kSmallTextureSize = 64;

  // Builds everything (see mud.cpp for the logged steps). A failing step is
  // logged as "Exception <message>" and ends the creation; the object is
  // then only partly built (GetBuilt() is false) and Update and Progress do
  // nothing. The design-time objects are borrowed; the scene must hold the
  // main window's stored objects. soundLibrary may be nullptr.
  TMud(const std::string& configFile, MudViewer* viewer, TGL3DScene* scene, TGLSoundLibrary* soundLibrary,
       TGLMaterialLibrary* materialLibrary, TGLFireFXManager* fireTemplate, Picture* elevationPicture,
       Picture* staticPicture, Picture* intermediatePicture1, Picture* intermediatePicture2,
       Picture* intermediatePicture3, MudControl* blackPanel, TGLLightSource* light, THeightDataSource* heightSource);
  // Frees what the core owns and takes out of the scene and the material
  // library what it built, cloned or added there, so that a new core built
  // on the same scene starts from the stored scene again.
  ~TMud();
  TMud(const TMud&) = delete;
  TMud& operator=(const TMud&) = delete;

  // True once every creation step has run.
  bool GetBuilt() const { return FBuilt; }
  // The message of the step that failed; empty when none did.
  const std::string& GetCreateError() const { return FCreateError; }

  // ---- mappings and heights (mud.cpp)
  // Map (x, y, level z) to scene: ((x - 358) s, z s, (358 - y) s, 0).
  TVector4f MudToScene(const TVector4f& v) const;
  TVector4f MudToSceneXY(double x, double y) const;
  // The terrain renderer's interpolated height at the cell's scene point.
  double GetTerrainHeight(double x, double y) const;
  // The mean of the terrain heights half a cell away on both diagonals.
  double GetSmoothedHeight(double x, double y) const;
  // MudToScene of (x, y, 0) with Y the terrain height there.
  TVector4f CellToScene(int32_t x, int32_t y) const;
  double GetSeaLevel() const;
  // The colour of column x, row 358 - y of map k (1 static objects, 2..4
  // intermediate maps 1..3); -1 off the picture or for an absent map.
  int32_t GetPixel(int k, int32_t x, int32_t y) const;
  // A background cell of a map: a static colour of the world description,
  // or -1 (off the picture), which names no object.
  static bool IsBackgroundColour(int32_t colour);
  // Direction index (0 north .. 5 down) to unit vector; another index sets
  // Y to 0 and leaves X and Z as they were.
  void DirectionVector(int d, TVector4f& result) const;

  // ---- terrain types of the received state (mud.cpp)
  static bool IsHiddenViewType(int32_t level);
  static bool IsUndergroundType(int32_t level);
  static bool IsSeaLevelType(int32_t level);
  static bool IsFlightType(int32_t level);
  static bool IsGroundLevelType(int32_t level);
  static bool IsAboveGroundType(int32_t level);

  // ---- diagnostics (mud.cpp); both replace the file atomically
  void DumpTextureCache(const std::string& fileName) const;
  void DumpMaterialNames(const std::string& fileName) const;

  // ---- textures (mud_textures.cpp)
  // Every distinct colour of map k that is neither -1 nor a static colour,
  // x outer and y inner from 0 to 357, in first-seen order.
  client::TIntegerList GetMapColours(int k) const;
  void ApplyTextureOptions(TGLLibMaterial* material);
  // Loads the texture large through the cache; the texture that falls out
  // goes back to its small picture and keeps its material (see
  // mud_textures.cpp).
  void LoadTexture(const std::string& name);
  // The static objects' textures round the cell, large: the nearest cells'
  // first, no more than the cache holds, nothing when neither the cell nor
  // the cache changed since the last call.
  void PreloadTextures(int32_t x, int32_t y);

  // ---- object builder (mud_builder.cpp)
  TGLDummyCube* BuildObject(TGLBaseSceneObject* parent, int32_t colour, const std::string& name, int32_t x,
                            int32_t y, bool isStatic, TGLDummyCube* container, int32_t seed);

  // ---- static-object map (world_lists.cpp)
  void PlaceStaticObjects();
  // The area that holds the cell's container, made under the static cube
  // when missing.
  TStaticArea* StaticAreaAt(int32_t x, int32_t y);

  // ---- cell windows, doorways and monsters (cell_windows.cpp)
  void UpdateWindows(int32_t x, int32_t y);
  void UpdateCellWindow(TCellWindow& window, TGLDummyCube* container, int k, int32_t x, int32_t y);
  void BuildCell(TCellWindow& window, TGLDummyCube* container, int k, int32_t X, int32_t Y, int a, int b,
                 TGLBaseSceneObject* oldObject);
  bool HasIntermediateObject(int32_t x, int32_t y) const;
  void UpdateDoorways(int32_t x, int32_t y);
  // Rebuilds the monsters when the cell or the names changed since the last
  // call; otherwise what stands is what would be built.
  void UpdateMobs(int32_t x, int32_t y, const TMobsquare& mobs);

  // ---- environment (mud_environment.cpp)
  void Update();
  void ApplyState(const TVector4f& position, const TVector4f& direction, const TVector4f& up, int32_t level,
                  double time, double cloud, double wind, double fog, const TMobsquare& mobs);
  void SetSkyBands(const TSkyColours& table);
  void BlendSkyBands(const TSkyColours& a, const TSkyColours& b, int k);
  TSkyColours GetSkyBandColours() const;
  int32_t PhaseGrey(double t) const;
  void SetBackgroundColour(int32_t c);
  void SetStarCount(int n);
  bool IsNight(double t) const;
  bool IsDawn(double t) const;
  bool IsDay(double t) const;
  bool IsDusk(double t) const;

  // Cloud and fog as the view takes them: unset (-1) and other negative or
  // non-finite values are none, fog beyond 10 is 10 (the status line sends
  // fog times five). Cloud has no top: above 10 the clouds go black.
  static double ViewCloud(double cloud) { return std::isfinite(cloud) ? std::max(cloud, 0.0) : 0.0; }
  // From this cloud on the sky is as dark as it gets (the background
  // darkened by (cloud - 5) x 4 percent, at most all of it).
  static constexpr double kDarkestCloud = 30.0;
  // The cloud the per-frame step eases toward: as the view takes it, at
  // most the darkest.
  static double EasedCloud(double cloud) { return std::min(ViewCloud(cloud), kDarkestCloud); }
  // A received cloud as the current state takes it while its own is unset:
  // within the range the easing works in, so that nothing eases for minutes
  // toward a sky that looks the same; unset (-1) stays unset.
  static double TakenCloud(double cloud) { return cloud == -1.0 ? cloud : EasedCloud(cloud); }
  static double ViewFog(double fog) { return std::isfinite(fog) ? std::clamp(fog, 0.0, 10.0) : 0.0; }

  // ---- per-frame step (mud_progress.cpp)
  static double Approach(double current, double target, double rate, double deltaTime);
  void Progress(double deltaTime);

  // ---- fields (borrowed unless owned)
  std::array<Picture*, 5> Pictures{};  // elevation, static objects, intermediate maps 1..3
  TGL3DScene* Scene = nullptr;
  TGLMaterialLibrary* MaterialLibrary = nullptr;
  MudViewer* Viewer = nullptr;
  std::array<TGLDummyCube*, 3> IntermediateCubes{};
  TGLDummyCube* MobSquare = nullptr;
  TGLLightSource* Light = nullptr;
  int32_t StaticScale = 0;
  std::vector<std::string> UnresizedTextures;
  std::unique_ptr<TIntermediatetexturelist> IntermediateTextures;
  TGLDummyCube* NullCube = nullptr;
  TGLSphere* NullSphere = nullptr;
  TGLPlane* NullPlane = nullptr;
  client::TIntegerList LightSourceColours;
  TGLFireFXManager* FireTemplate = nullptr;
  std::unique_ptr<TGLFireFXManager> FireManager;
  TGLSkyDome* SkyDome = nullptr;
  TGLPlane* CloudsPlane = nullptr;
  TGLPlane* SeaPlane = nullptr;
  TGLPlane* UnderseaPlane = nullptr;
  MudControl* BlackPanel = nullptr;
  TGLCamera* Camera = nullptr;
  THeightDataSource* HeightSource = nullptr;
  TGLDummyCube* StaticCube = nullptr;
  TGLDummyCube* RainCube = nullptr;
  TGLTerrainRenderer* TerrainRenderer = nullptr;
  std::unique_ptr<TGLCoordinates> ScratchCoordinates;
  std::array<TCellWindow, 3> CellWindows{};
  int32_t CloudsMaterialNumber = 0;
  double VisualScale = 0.0;
  std::unique_ptr<TDoorwayList> Doorways;
  std::unique_ptr<TStaticCubeList> StaticCubes;
  std::unique_ptr<TWallFaceList> WallFaces;
  // [x][y], kMapSize x kMapSize once created; nullptr for a background cell.
  std::vector<std::vector<TGLBaseSceneObject*>> StaticObjects;
  // The areas under the static cube that hold the containers, by square of
  // TStaticArea::kCells cells ([x / kCells][y / kCells]); made as the static
  // pass first needs them.
  std::vector<std::vector<TStaticArea*>> StaticAreas;
  // What draws the areas' objects together, made under the static cube with
  // the first area.
  TStaticBatches* StaticBatches = nullptr;
  std::vector<std::string> StaticTextures;
  std::unique_ptr<TTexturenamecache> TextureCache;
  std::unique_ptr<TConfigXML> Config;
  std::unique_ptr<TMudstate> CurrentState;
  std::unique_ptr<TMudstate> PreviousState;
  std::unique_ptr<TMudstate> ReceivedState;
  int32_t MapSize = kMapSize;
  TGLBSoundEmitter* WindEmitter = nullptr;
  TGLBSoundEmitter* WingFlapEmitter = nullptr;
  TGLBSoundEmitter* RainEmitter = nullptr;
  std::array<TGLLines*, 20> RainLines{};
  TGLLibMaterial* CloudsMaterial = nullptr;
  TGLLibMaterial* AerialMaterial = nullptr;
  int32_t UpdateCount = 0;
  // The builders' random numbers: seeded per cell, then reseeded from its
  // clock (a test sets both to make a build reproducible).
  TRandomGenerator RandomGenerator;
  // The object entries of each colour and name, made with the core and
  // read on each colour's or name's first build.
  std::unique_ptr<TObjectCatalog> ObjectCatalog;

private:
  // The steps of ApplyState (mud_environment.cpp).
  friend class TStateSteps;
  void Create(const std::string& configFile, TGLSoundLibrary* soundLibrary);
  // The scene object of that name (any case); raises when the scene lacks it.
  template <class T>
  T* Find(const char* name) const;
  // A texture file name of the world description, relative to the program folder.
  static std::string ProgramPath(const std::string& name);
  // The name of the library's material for a texture of the world, whose
  // names are case-insensitive; the name itself when no material bears it.
  std::string LibraryNameOf(const std::string& name) const;
  TGLLibMaterial* AddTexture(const std::string& name, const std::string& fileName, int maxSize, bool powerOfTwo,
                             bool* resized = nullptr);
  void SetUpNullSphere();
  void SetUpClouds();
  void LoadStaticTextures();
  void SetUpCellWindows();
  void SetUpIntermediateTextures();
  void SetUpSounds(TGLSoundLibrary* soundLibrary);
  void FreeSounds();
  void SetUpRain();
  void SetUpTerrain();
  void SetUpSea();
  void SetUpUndersea();
  // Takes out of the scene and the library what the core put there.
  void RemoveBuiltObjects();
  // The textures' brightness for a light level (mud_environment.cpp).
  void ApplyLightLevel(int32_t light);
  void SetTextureBrightness(TGLLibMaterial* material);
  // An evicted texture's picture made small again, from the picture its
  // material holds.
  void ShrinkTexture(const std::string& name);
  // The TEXTURES entries that scroll (mud_progress.cpp).
  void ReadScrollingTextures();
  void MoveRain();

  bool FBuilt = false;
  std::string FCreateError;
  // Materials of the library before the core added its own.
  int FStoredMaterialCount = -1;
  // The light level the textures' brightness was last set for; none before
  // the first update.
  std::optional<int32_t> FLightLevel;
  // Per texture name: its TEXTURES emission and terrain brightness factor.
  std::unordered_map<std::string, std::pair<int32_t, int32_t>> FTextureLight;
  // A texture that moves: its material's name, its axis (0 X, 1 Y) and its
  // speed in texture units per second.
  struct TScrollingTexture {
    std::string material;
    int axis = 0;
    double speed = 0.0;
  };
  std::optional<std::vector<TScrollingTexture>> FScrollingTextures;
  // The cell of the last texture preload and the cache's insert count then.
  struct TPreloadedPlace {
    int32_t x = 0, y = 0;
    uint64_t inserts = 0;
  };
  std::optional<TPreloadedPlace> FPreloaded;
  // The cell and names the monsters were last built for.
  struct TMobsPlace {
    int32_t x = 0, y = 0;
    std::vector<std::string> names;
  };
  std::optional<TMobsPlace> FMobsBuilt;
  std::minstd_rand FRainRandom{20021};
  // The weather sounds the core put into the sound library, taken out again
  // with it: a reload adds them anew.
  TGLSoundLibrary* FSoundLibrary = nullptr;
  std::vector<TGLSoundSample*> FSoundSamples;
};
