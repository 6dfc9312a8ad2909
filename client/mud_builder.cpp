// The object builder: a map colour or an object name becomes scene objects in
// one container placed at the cell. Walls, rooms and cubes are textured
// planes, one per face; ground planes a quad mesh on the terrain or a flat
// plane; sprites billboards or fires; spheres and disks the primitives.
#include <cmath>
#include <type_traits>

#include "client/client_globals.h"
#include "client/client_helpers.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/object_catalog.h"
#include "client/world_lists.h"
#include "engine/effects.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/texture.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/mesh.h"
#include "objects/plane.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "objects/terrain_renderer.h"
#include "objects/vertex_list.h"

namespace {

constexpr int kUp = 4;
constexpr int kDown = 5;

double OrDefault(double value, double fallback) { return value < 0 ? fallback : value; }

void UseMaterial(TGLCustomSceneObject* object, TGLMaterialLibrary* library, const std::string& texture) {
  TGLMaterial* material = object->GetMaterial();
  material->SetMaterialLibrary(library);
  material->SetLibMaterialName(texture);
}

// One call of the builder: its arguments and the running offsets X, Y, Z
// that one kind leaves for the next.
class ObjectBuild {
public:
  ObjectBuild(TMud& mud, const TObjectEntries& entries, int32_t colour, const std::string& name, int32_t x,
              int32_t y, bool isStatic, int32_t seed)
      : FMud(mud),
        FConfig(*mud.Config),
        FEntries(entries),
        FColour(colour),
        FName(name),
        Fx(x),
        Fy(y),
        FStatic(isStatic),
        FSeed(seed),
        S(mud.VisualScale) {}

  TGLDummyCube* Run(TGLBaseSceneObject* parent, TGLDummyCube* container) {
    if (container) {
      container->GetDirection()->SetVector(0, 0, 1);  // undoes an earlier turn
    } else {
      // Appended as Insert does: the parent has not moved, so its other
      // children (a whole map of them under the static cube) keep their
      // matrices.
      auto cube = std::make_unique<TGLDummyCube>();
      cube->SetOwnerComponent(parent);
      container = static_cast<TGLDummyCube*>(parent->Insert(parent->GetCount(), std::move(cube)));
      container->SetObjectsSorting(osNone);
    }
    FContainer = container;
    FCell = FMud.CellToScene(Fx, Fy);
    if (FStatic) FContainer->GetPosition()->SetPoint(FCell);
    if (FEntries.wall) Walls(*FEntries.wall);
    for (const TRoomDescription& room : FEntries.rooms) Room(room);
    for (const TCubeDescription& cube : FEntries.cubes) Cube(cube);
    if (FEntries.groundPlane) GroundPlane(*FEntries.groundPlane);
    Sprites();
    if (FEntries.sphere) Sphere(*FEntries.sphere);
    if (FEntries.disk) Disk(*FEntries.disk);
    return FContainer;
  }

private:
  TObjectCatalog& Catalog() { return *FMud.ObjectCatalog; }
  int32_t StaticPixel(int dx, int dy) const { return FMud.GetPixel(1, Fx + dx, Fy + dy); }
  // The place of a side's face: half the width out from the running offsets.
  double SideX(const TCellSide& side, double width) const { return X + side.sx * width * S / 2; }
  double SideZ(const TCellSide& side, double width) const { return Z + side.sz * width * S / 2; }

  TGLPlane* AddFacePlane(int direction, const std::string& texture, double width, double height, double x, double y,
                         double z) {
    auto* plane = FContainer->AddNewChild<TGLPlane>();
    const bool upright = direction < kUp;
    plane->GetPosition()->SetPoint(static_cast<float>(x), static_cast<float>(upright ? y + height * S / 2 : y),
                                   static_cast<float>(z));
    plane->SetHeight(static_cast<float>(height * S));
    plane->SetWidth(static_cast<float>(width * S));
    TVector4f facing{0, 0, 1, 0};
    FMud.DirectionVector(direction, facing);
    plane->GetDirection()->SetVector(facing);
    UseMaterial(plane, FMud.MaterialLibrary, texture);
    plane->GetMaterial()->GetTexture()->SetDisabled(false);
    plane->SetVisible(true);
    return plane;
  }

  TGLSprite* AddSprite(const std::string& texture, double width, double height, double x, double y, double z) {
    auto* sprite = FContainer->AddNewChild<TGLSprite>();
    sprite->GetPosition()->SetPoint(static_cast<float>(x),
                                    static_cast<float>(height * S / 2 + y + FConfig.spriteoffset * S),
                                    static_cast<float>(z));
    sprite->SetHeight(static_cast<float>(height * S));
    sprite->SetWidth(static_cast<float>(width * S));
    sprite->GetDirection()->SetY(0);
    if (!FName.empty()) {
      std::string name = FName;
      for (char& c : name)
        if (c == ' ') c = '_';
      sprite->SetName(name + RandomCode(5, [this](int n) { return FMud.RandomGenerator.Random(n); }));
    }
    UseMaterial(sprite, FMud.MaterialLibrary, texture);
    sprite->SetVisible(true);
    return sprite;
  }

  // A seeded draw: the generator starts from the cell's seed, and the time
  // of day takes over again afterwards.
  int32_t SpriteSeed() const { return FSeed != -1 ? FSeed : (Fx + 1) * (Fy + 1); }
  template <class Draw>
  auto Seeded(Draw draw) {
    FMud.RandomGenerator.SetSeed(SpriteSeed());
    auto result = draw(FMud.RandomGenerator);
    FMud.RandomGenerator.Randomize();
    return result;
  }

  void Turn(double angle) {
    if (angle != 0) FContainer->Turn(static_cast<float>(angle));
  }

  void Walls(const TWallDescription& wall) {
    const double w = OrDefault(wall.width, 1.0);
    Y = wall.zoffset * S + FConfig.walloffset * S;
    X = 0;
    Z = 0;
    if (wall.inner || wall.outer) {
      if (!FName.empty()) return;
      const int32_t walls = FConfig.MapsGetWallsAt(Fx, Fy);
      for (const TCellSide& side : kCellSides) {
        if ((walls & side.bit) && !wall.outerTexture.empty())
          AddFacePlane(side.outward, wall.outerTexture, w, wall.outerHeight, SideX(side, w), Y, SideZ(side, w));
      }
      if (wall.innerTexture.empty()) return;
      for (const TCellSide& side : kCellSides) {
        if (walls & side.bit)
          AddFacePlane(side.inward, wall.innerTexture, w, wall.innerHeight, SideX(side, w), Y, SideZ(side, w));
      }
      return;
    }
    for (const TCellSide& side : kCellSides) {
      // The guard tests x > 0 or y > 0 on both sides of an axis, as the
      // world's maps were drawn for.
      const bool inside = side.dy != 0 ? Fy > 0 : Fx > 0;
      const std::string& texture = wall.planeTextures[static_cast<size_t>(side.outward)];
      if (!inside || texture.empty() || Catalog().IsPlainWall(StaticPixel(side.dx, side.dy))) continue;
      AddFacePlane(side.outward, texture, w, wall.height, SideX(side, w), Y, SideZ(side, w));
    }
  }

  double RoomWidth(const TRoomDescription& room) const {
    if (room.width >= 0) return room.width;
    const TStaticCube cube = FMud.StaticCubes->Find(Fx, Fy);
    if (cube.x == -1) return 1.0;
    // A cube without a width is one cell wide, as the builder draws it.
    double width = OrDefault(cube.width, 1.0) - FConfig.roomwalloffset;
    if (room.walloffset) width -= *room.walloffset;
    return width;
  }

  void Room(const TRoomDescription& room) {
    const double h = room.height;
    const double w = RoomWidth(room);
    X = 0;
    Y = room.zoffset * S + FConfig.roomoffset * S;
    Z = 0;
    Turn(room.entry->GetTurnAngle(Fx, Fy));
    const int32_t exits = FConfig.MapsGetExitsAt(Fx, Fy);
    const TWallFaces wallFace = FMud.WallFaces->Find(Fx, Fy);
    const double wallWidth = OrDefault(room.wallWidth, w);
    for (const TCellSide& side : kCellSides) {
      std::string texture = room.planeTextures[static_cast<size_t>(side.outward)];
      const bool walled = (wallFace.wallSet & side.bit) != 0;
      if (walled && texture == wallFace.texture) continue;
      if (texture.empty() && FName.empty()) texture = (exits & side.bit) ? room.exitTexture : room.wallTexture;
      if (texture.empty()) continue;
      if (walled) {  // in front of the wall's own face, in scene units
        if (side.sz != 0) Z = -0.05 * side.sz;
        if (side.sx != 0) X = -0.05 * side.sx;
      }
      AddFacePlane(side.inward, texture, wallWidth, h, SideX(side, w), Y, SideZ(side, w));
    }
    if (room.floor.build) AddFacePlane(kUp, room.floor.texture, w, w, X, Y, Z);
    if (room.ceiling.build) AddFacePlane(kDown, room.ceiling.texture, w, w, X, Y + h * S, Z);
  }

  void Cube(const TCubeDescription& cube) {
    const double h = cube.height;
    const double w = OrDefault(cube.width, 1.0);
    X = 0;
    Z = 0;
    Y = cube.zoffset * S + FConfig.cubeoffset * S;
    Turn(cube.entry->GetTurnAngle(Fx, Fy));
    const int32_t exits = cube.hasDoor ? FConfig.MapsGetExitsAt(Fx, Fy) : 0;
    for (const TCellSide& side : kCellSides) {
      if (FStatic) {
        // The static map keeps only the faces that can be seen.
        const bool inside = side.dy != 0 ? Fy > 0 : Fx > 0;
        if (!inside || Catalog().IsPlainCube(StaticPixel(side.dx, side.dy))) continue;
      }
      const std::string& texture = cube.planeTextures[static_cast<size_t>(side.outward)];
      if (texture.empty()) continue;
      if (cube.hasDoor && (exits & side.bit)) {
        TGLPlane* door = AddFacePlane(side.outward, cube.doorTexture, w, h, SideX(side, w), Y, SideZ(side, w));
        if (FStatic && FName.empty()) FMud.Doorways->Add(FColour, door);
      }
      AddFacePlane(side.outward, texture, w, h, SideX(side, w), Y, SideZ(side, w));
    }
    const std::string& top = cube.planeTextures[kUp];
    if (!top.empty()) AddFacePlane(kUp, top, w, w, X, Y + h * S + cube.topZOffset * S, Z);
  }

  void GroundPlane(const TGroundPlaneDescription& ground) {
    TGLLibMaterial* material = FMud.MaterialLibrary->LibMaterialByName(ground.texture);
    if (material == nullptr) {
      // The start-up loads every texture of the static map first; one that
      // is still missing is a fault of the world, shown as a flat plane.
      if (Catalog().FirstNoteOfMissingMaterial(ground.texture))
        LogLine("No material for the ground texture \"" + ground.texture + "\": a flat plane is used");
    } else if (material->GetMaterial()->GetFrontProperties()->GetDiffuse()->GetAlpha() == 1.0f) {
      GroundMesh(ground);
      return;
    }
    const double w = OrDefault(ground.width, 1.0);
    if (ground.rotrandom) Turn(FMud.RandomGenerator.Random(30) - 15);
    auto* plane = FContainer->AddNewChild<TGLPlane>();
    plane->SetHeight(static_cast<float>(w * S));
    plane->SetWidth(static_cast<float>(w * S));
    plane->GetPosition()->SetY(
        static_cast<float>(FMud.RandomGenerator.Random() * 0.005 + FConfig.groundplaneoffset * S));
    plane->GetDirection()->SetVector(0, 1, 0);
    UseMaterial(plane, FMud.MaterialLibrary, ground.texture);
    plane->SetVisible(true);
  }

  void GroundMesh(const TGroundPlaneDescription& ground) {
    // The corners NW, SW, SE, NE. A corner's random shift depends only on
    // the corner, so the four cells that meet there agree on it.
    struct Corner {
      int sx, sz;
      int32_t k;
      TTexPoint tex;
    };
    const Corner corners[4] = {{-1, -1, Fx * Fy, {0, 0}},
                               {-1, 1, Fx * (Fy - 1), {0, 1}},
                               {1, 1, (Fx + 1) * (Fy - 1), {1, 1}},
                               {1, -1, (Fx + 1) * Fy, {1, 0}}};
    double u = 0, v = 0;
    if (ground.random) {
      u = FMud.RandomGenerator.Random() - 0.5;
      v = FMud.RandomGenerator.Random() - 0.5;
    }
    FMesh = FContainer->AddNewChild<TGLMesh>();
    TVertexList& vertices = *FMesh->GetVertices();
    vertices.Clear();
    FMesh->SetMode(mmQuads);
    for (const Corner& c : corners) {
      const double shift = ground.random ? -17.0 / 60.0 + (c.k % 17) / 30.0 : 0.0;
      const double dx = c.sx * 0.5 * S + shift;
      const double dz = c.sz * 0.5 * S + shift;
      TVector4f point{static_cast<float>(FCell[0] + dx), 0, static_cast<float>(FCell[2] + dz), 1};
      const double height = FMud.TerrainRenderer ? FMud.TerrainRenderer->InterpolatedHeight(point) : 0.0;
      vertices.AddVertex({static_cast<float>(dx), static_cast<float>(height - FCell[1]), static_cast<float>(dz)},
                         {0, 0, 0}, {0, 0, 0, 1},
                         {static_cast<float>(c.tex.S + u), static_cast<float>(c.tex.T + v)});
    }
    FMesh->GetPosition()->SetY(FMesh->GetPosition()->GetY() + static_cast<float>(FConfig.groundmeshoffset * S));
    UseMaterial(FMesh, FMud.MaterialLibrary, ground.texture);
  }

  void Sprites() {
    for (const TSpriteItem& item : FEntries.sprites) ItemSprites(item);
    if (FMesh && FMesh->GetIndex() < FMesh->GetParent()->GetCount() - 1) FMesh->SetIndex(FMesh->GetIndex() + 1);
  }

  void ItemSprites(const TSpriteItem& item) {
    if (item.texture.empty() && !item.fire) return;
    double h = item.height;
    if (item.fire) {
      auto* fire = FContainer->AddNewChild<TGLDummyCube>();
      fire->GetPosition()->SetPoint(static_cast<float>(X),
                                    static_cast<float>(item.zoffset * S + h / 2 + FConfig.spriteoffset * S),
                                    static_cast<float>(Z));
      fire->SetCubeSize(0.1f);
      auto& effect = static_cast<TGLBFireFX&>(fire->GetEffects()->AddNew(TGLBFireFX::StaticClass()));
      if (fire->GetIndex() > 0) fire->SetIndex(fire->GetIndex() - 1);
      effect.SetManager(FMud.RandomGenerator.Random(2) == 1 ? FMud.FireManager.get() : FMud.FireTemplate);
      return;
    }
    double w = OrDefault(item.width, 0.8);
    if (item.xoffset) X = *item.xoffset * S;
    if (item.yoffset) Z = *item.yoffset * S;
    // The ground where the sprite stands: X cells east and Z cells south
    // (map y falls southward) of the cell.
    if (X != 0 || Z != 0)
      Y = FMud.GetSmoothedHeight(Fx + X / S, Fy - Z / S) - FMud.GetTerrainHeight(Fx, Fy);
    else
      Y = 0;
    Y += item.zoffset * S;
    if (item.randomoffset) {
      const double r = *item.randomoffset * S;
      Seeded([&](TRandomGenerator& random) {
        X += random.Random() * r - r / 2;
        Z += random.Random() * r - r / 2;
        return 0;
      });
    }
    if (item.randomsize) {
      const double s = *item.randomsize;
      const double f = Seeded([&](TRandomGenerator& random) { return random.Random() * s - s / 2; });
      h += h * f;
      w += w * f;
    }
    TGLSprite* sprite = AddSprite(item.texture, w, h, X, Y, Z);
    if (item.randommirror == "horizontal" || item.randommirror == "vertical") {
      const bool mirror = Seeded([](TRandomGenerator& random) { return random.Random(2) == 1; });
      if (item.randommirror == "horizontal")
        sprite->SetMirrorU(mirror);
      else
        sprite->SetMirrorV(mirror);
    }
    if (item.randomrotation) {
      const double q = *item.randomrotation;
      sprite->SetRotation(
          static_cast<float>(Seeded([&](TRandomGenerator& random) { return random.Random() * q + 360 - q / 2; })));
    }
  }

  // A sphere or a disk: standing on its lowest point, raised by the offsets.
  template <class Round>
  Round* AddRound(const TRoundDescription& description, double offset) {
    auto* round = FContainer->AddNewChild<Round>();
    round->SetObjectsSorting(osNone);
    const auto radius = static_cast<float>(description.radius * S);
    if constexpr (std::is_same_v<Round, TGLSphere>)
      round->SetRadius(radius);
    else
      round->SetOuterRadius(radius);
    round->GetPosition()->SetY(static_cast<float>(description.zoffset * S + offset * S) + radius);
    UseMaterial(round, FMud.MaterialLibrary, description.texture);
    round->SetVisible(true);
    return round;
  }

  void Sphere(const TRoundDescription& description) { AddRound<TGLSphere>(description, FConfig.sphereoffset); }

  void Disk(const TRoundDescription& description) {
    auto* disk = AddRound<TGLDisk>(description, FConfig.diskoffset);
    TVector4f facing{0, 1, 0, 0};
    FMud.DirectionVector(description.direction, facing);
    disk->GetDirection()->SetVector(facing);
  }

  TMud& FMud;
  TConfigXML& FConfig;
  const TObjectEntries& FEntries;
  const int32_t FColour;
  const std::string& FName;
  const int32_t Fx, Fy;
  const bool FStatic;
  const int32_t FSeed;
  const double S;
  TGLDummyCube* FContainer = nullptr;
  TVector4f FCell{};
  TGLMesh* FMesh = nullptr;
  double X = 0, Y = 0, Z = 0;
};

}  // namespace

TGLDummyCube* TMud::BuildObject(TGLBaseSceneObject* parent, int32_t colour, const std::string& name, int32_t x,
                                int32_t y, bool isStatic, TGLDummyCube* container, int32_t seed) {
  if (name.empty() && IsBackgroundColour(colour)) return nullptr;
  // A malformed number of the colour's entries raises here, before anything is built.
  const TObjectEntries& entries = ObjectCatalog->Find(colour, name);
  return ObjectBuild(*this, entries, colour, name, x, y, isStatic, seed).Run(parent, container);
}
