// The client core's textures: the options config.xml gives a texture's
// material, the large versions near the player through the name cache, and
// the colours of the map pictures.
#include <algorithm>
#include <cstdlib>
#include <unordered_set>
#include <utility>

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/texture_cache.h"
#include "client/texture_loading.h"
#include "engine/custom_scene_object.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/texture.h"
#include "engine/texture_image.h"
#include "platform/base/path_resolve.h"
#include "platform/picture/picture_formats.h"

client::TIntegerList TMud::GetMapColours(int k) const {
  client::TIntegerList colours;
  std::unordered_set<int32_t> seen;
  for (int32_t x = 0; x < kMapSize; ++x)
    for (int32_t y = 0; y < kMapSize; ++y) {
      const int32_t colour = GetPixel(k, x, y);
      if (colour == -1 || IsStaticColor(colour)) continue;
      if (seen.insert(colour).second) colours.Add(colour);
    }
  return colours;
}

void TMud::ApplyTextureOptions(TGLLibMaterial* material) {
  TGLMaterial& look = *material->GetMaterial();
  TGLTexture& texture = *look.GetTexture();
  look.GetFrontProperties()->GetEmission()->SetAsWinColor(0xFFFFFF);
  texture.SetDisabled(false);
  auto nearest = [&] {
    texture.SetMagFilter(maNearest);
    texture.SetMinFilter(miNearest);
  };

  TXMLListDOM* options = Config ? Config->FindTextureElement(material->GetName()) : nullptr;
  if (!options || options->IsEmpty()) {
    texture.SetImageAlpha(tiaSuperBlackTransparent);
    texture.SetTextureMode(tmReplace);
    look.SetBlendingMode(bmTransparency);
    texture.SetTextureWrap(twNone);
    nearest();
    return;
  }
  if (!options->GetString("scale").empty()) {
    const float scale = static_cast<float>(options->GetFloat("scale"));
    material->GetTextureScale()->SetVector4(scale, scale, scale, material->GetTextureScale()->GetW());
    texture.SetTextureWrap(twBoth);
  } else {
    texture.SetTextureWrap(twNone);
  }
  if (UpperCaseAscii(options->GetString("superblacktransparent")) == "FALSE") {
    look.SetBlendingMode(bmOpaque);
    texture.SetImageAlpha(tiaDefault);
  } else {
    texture.SetImageAlpha(tiaSuperBlackTransparent);
  }
  if (!options->GetString("alpha").empty()) {
    texture.SetTextureMode(tmModulate);
    look.GetFrontProperties()->GetDiffuse()->SetAlpha(static_cast<float>(options->GetFloat("alpha")));
    look.SetBlendingMode(bmTransparency);
  } else {
    look.SetBlendingMode(bmTransparency);
    texture.SetTextureMode(tmReplace);
  }
  if (options->GetString("magminfilter") != "linear") nearest();
}

// What the cache decides is only the size of a texture's picture, never
// whether the texture exists: every texture keeps its material in the
// library from its first load to the end of the core, large (256 pixels on
// the longer side) while its name is in the cache, small (64) once it has
// fallen out. The objects that use a material hold it by name and forget
// that name when the material is deleted, so deleting an evicted texture
// would leave them bare for good, even after the texture is loaded again.
// Memory stays bounded: the cache's capacity in large pictures plus one
// small picture for each texture the world names, in the pictures and in
// GL alike. The small picture is made from the large one in memory; an
// eviction reads no file.
void TMud::LoadTexture(const std::string& name) {
  if (name.empty() || !TextureCache) return;
  if (std::find(UnresizedTextures.begin(), UnresizedTextures.end(), name) != UnresizedTextures.end()) return;
  if (TextureCache->Touch(name)) return;
  const bool flag = std::find(StaticTextures.begin(), StaticTextures.end(), name) == StaticTextures.end();
  bool resized = false;
  Bitmap picture = LoadTextureBitmap(ProgramPath(name), kLargeTextureSize, true, resized);
  TTexturenamecacheItem evicted;
  TextureCache->Insert(UpdateCount, name, flag, evicted);

  TGLLibMaterial* material = MaterialLibrary->LibMaterialByName(name);
  if (!material) {
    material = MaterialLibrary->AddTextureMaterial(name, picture);
    ApplyTextureOptions(material);
    SetTextureBrightness(material);
  } else {
    material->GetMaterial()->GetTexture()->AssignBitmap(std::move(picture));
  }
  if (!evicted.name.empty()) ShrinkTexture(evicted.name);
}

void TMud::ShrinkTexture(const std::string& name) {
  TGLLibMaterial* material = MaterialLibrary->LibMaterialByName(name);
  if (!material) return;
  TGLTexture& texture = *material->GetMaterial()->GetTexture();
  const auto* image = dynamic_cast<const TGLPictureImage*>(texture.GetImage());
  if (!image) return;
  bool resized = false;
  Bitmap small = FitTextureBitmap(image->GetPicture().GetBitmap(), kSmallTextureSize, true, resized);
  if (!resized) return;
  texture.AssignBitmap(std::move(small));
  // The large picture's GL storage goes with it now: the texture may not be
  // drawn again for a long walk, and until then GL would keep the large one.
  // The next draw uploads the small picture.
  texture.DestroyHandles();
}

void TMud::PreloadTextures(int32_t x, int32_t y) {
  if (StaticObjects.empty() || !TextureCache) return;
  // Standing still with nothing new in the cache since the last pass, the
  // pass would find what it left: the weather's frames load nothing.
  if (FPreloaded && FPreloaded->x == x && FPreloaded->y == y && FPreloaded->inserts == TextureCache->GetInsertCount())
    return;
  // The cells nearest the player first; each name once. When the place
  // uses more textures than the cache holds, the further ones stay small:
  // loading them would only push out the nearer ones of the same pass.
  std::vector<std::string> names;
  for (int32_t ring = 0; ring <= 3; ++ring)
    for (int32_t X = std::max(x - ring, 1); X <= std::min(x + ring, kMapSize - 1); ++X)
      for (int32_t Y = std::max(y - ring, 1); Y <= std::min(y + ring, kMapSize - 1); ++Y) {
        if (std::max(std::abs(X - x), std::abs(Y - y)) != ring) continue;
        TGLBaseSceneObject* object = StaticObjects[static_cast<size_t>(X)][static_cast<size_t>(Y)];
        if (!object) continue;
        for (int i = 0; i < object->GetCount(); ++i) {
          auto* child = dynamic_cast<TGLCustomSceneObject*>(object->GetChild(i));
          if (!child) continue;
          const std::string& name = child->GetMaterial()->GetLibMaterialName();
          if (name.empty() || std::find(names.begin(), names.end(), name) != names.end()) continue;
          if (std::find(UnresizedTextures.begin(), UnresizedTextures.end(), name) != UnresizedTextures.end()) continue;
          names.push_back(name);
        }
      }
  const auto capacity = static_cast<size_t>(TextureCache->GetCapacity());
  if (names.size() > capacity) names.resize(capacity);
  // The nearest last, so that it is the most recent in the cache.
  for (auto name = names.rbegin(); name != names.rend(); ++name) LoadTexture(*name);
  FPreloaded = TPreloadedPlace{x, y, TextureCache->GetInsertCount()};
}
