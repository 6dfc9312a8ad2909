#include "engine/gl_color.h"

#include <cmath>

#include "engine/gl_coordinates.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLColor, TGLUpdateAbleObject)

namespace {

constexpr TVector4f Rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f}; }

// The classic desktop scheme, in system colour index order.
constexpr std::array<TVector4f, kSystemColorCount> kSystemColors = {
    Rgb(212, 208, 200),  // scroll bar
    Rgb(58, 110, 165),   // desktop
    Rgb(10, 36, 106),    // active caption
    Rgb(128, 128, 128),  // inactive caption
    Rgb(212, 208, 200),  // menu
    Rgb(255, 255, 255),  // window
    Rgb(0, 0, 0),        // window frame
    Rgb(0, 0, 0),        // menu text
    Rgb(0, 0, 0),        // window text
    Rgb(255, 255, 255),  // caption text
    Rgb(212, 208, 200),  // active border
    Rgb(212, 208, 200),  // inactive border
    Rgb(128, 128, 128),  // application work space
    Rgb(10, 36, 106),    // highlight
    Rgb(255, 255, 255),  // highlight text
    Rgb(212, 208, 200),  // button face
    Rgb(128, 128, 128),  // button shadow
    Rgb(128, 128, 128),  // grey text
    Rgb(0, 0, 0),        // button text
    Rgb(212, 208, 200),  // inactive caption text
    Rgb(255, 255, 255),  // button highlight
    Rgb(64, 64, 64),     // 3D dark shadow
    Rgb(212, 208, 200),  // 3D light
    Rgb(0, 0, 0),        // info text
    Rgb(255, 255, 225),  // info background
};

}  // namespace

const std::array<TVector4f, kSystemColorCount>& SystemColors() { return kSystemColors; }

TVector4f ConvertWinColor(TColor color, float alpha) {
  const auto bits = static_cast<std::uint32_t>(color);
  if (bits & 0x80000000u) {
    const std::uint32_t index = bits & 0xFFu;
    TVector4f c = index < kSystemColorCount ? kSystemColors[index] : clrBlack;
    c[3] = alpha;
    return c;
  }
  return {(bits & 0xFF) / 255.0f, ((bits >> 8) & 0xFF) / 255.0f, ((bits >> 16) & 0xFF) / 255.0f, alpha};
}

TColor ConvertColorVector(const TVector4f& color) {
  // Clamped: a channel outside 0..1 must not spill into its neighbours.
  auto byte = [](float v) -> std::uint32_t {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<std::uint32_t>(Round(v * 255.0f));
  };
  return static_cast<TColor>(byte(color[0]) | (byte(color[1]) << 8) | (byte(color[2]) << 16));
}

TGLColor::TGLColor(TPersistent* owner, const TVector4f& color, TNotifyEvent changeEvent)
    : TGLUpdateAbleObject(owner), FColor(color) {
  OnNotifyChange = std::move(changeEvent);
}

void TGLColor::NotifyChange(TObject* sender) {
  if (UpdateCount() != 0) return;
  if (auto* listener = dynamic_cast<SceneValueListener*>(GetOwner())) listener->StructureChanged();
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLColor::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLColor*>(source)) {
    FColor = other->FColor;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLColor::SetColorComponent(int index, float value) {
  CLIENT_ASSERT(index >= 0 && index < 4);
  if (FColor[index] == value) return;
  FColor[index] = value;
  NotifyChange(this);
}

void TGLColor::SetColor(const TVector4f& color) {
  FColor = color;
  NotifyChange(this);
}

void TGLColor::SetAsWinColor(TColor color) {
  FColor = ConvertWinColor(color, 1.0f);
  NotifyChange(this);
}

std::array<std::uint8_t, 16> TGLColor::WriteData() const { return PackSingles4(FColor); }

bool TGLColor::ReadData(std::span<const std::uint8_t> data) {
  if (data.size() != 16) return false;
  FColor = UnpackSingles4(data.first<16>());
  return true;
}
