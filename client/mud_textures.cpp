// The client core's textures: the options config.xml gives a texture's
// material, the large versions near the player through the name cache, and
// the colours of the map pictures.
#include <algorithm>
#include <unordered_set>

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

void TMud::LoadTexture(const std::string& name) {
  if (name.empty() || !TextureCache) return;
  if (std::find(UnresizedTextures.begin(), UnresizedTextures.end(), name) != UnresizedTextures.end()) return;
  if (TextureCache->Touch(name)) return;
  const bool flag = std::find(StaticTextures.begin(), StaticTextures.end(), name) == StaticTextures.end();
  bool resized = false;
  const Bitmap picture = LoadTextureBitmap(ProgramPath(name), 256, true, resized);
  TTexturenamecacheItem evicted;
  TextureCache->Insert(UpdateCount, name, flag, evicted);

  TGLLibMaterial* material = MaterialLibrary->LibMaterialByName(name);
  if (!material) {
    material = MaterialLibrary->AddTextureMaterial(name, picture);
    ApplyTextureOptions(material);
    SetTextureBrightness(material);
  } else {
    material->GetMaterial()->GetTexture()->AssignBitmap(picture);
  }

  if (evicted.name.empty()) return;
  TGLLibMaterial* old = MaterialLibrary->LibMaterialByName(evicted.name);
  if (!old) return;
  if (evicted.flag) {
    MaterialLibrary->GetMaterials()->Delete(old->GetIndex());
  } else {
    // Static textures always keep a material: back to the small version.
    const Bitmap small = LoadTextureBitmap(ProgramPath(evicted.name), 64, true, resized);
    old->GetMaterial()->GetTexture()->AssignBitmap(small);
  }
}

void TMud::PreloadTextures(int32_t x, int32_t y) {
  if (StaticObjects.empty()) return;
  for (int32_t X = std::max(x - 3, 1); X <= std::min(x + 3, kMapSize - 1); ++X)
    for (int32_t Y = std::max(y - 3, 1); Y <= std::min(y + 3, kMapSize - 1); ++Y) {
      TGLBaseSceneObject* object = StaticObjects[static_cast<size_t>(X)][static_cast<size_t>(Y)];
      if (!object) continue;
      for (int i = 0; i < object->GetCount(); ++i)
        if (auto* child = dynamic_cast<TGLCustomSceneObject*>(object->GetChild(i)))
          LoadTexture(child->GetMaterial()->GetLibMaterialName());
    }
}
