#include "engine/gl_coordinates.h"

#include <bit>
#include <cstring>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLCoordinates, TGLUpdateAbleObject)
CLIENT_DEFINE_CLASS(TGLCoordinates4, TGLCoordinates)

namespace {

void PackSingles(const float* v, int n, std::uint8_t* out) {
  for (int i = 0; i < n; ++i) {
    const auto bits = std::bit_cast<std::uint32_t>(v[i]);
    for (int b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
  }
}

void UnpackSingles(const std::uint8_t* data, int n, float* v) {
  for (int i = 0; i < n; ++i) {
    std::uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) bits |= static_cast<std::uint32_t>(data[i * 4 + b]) << (8 * b);
    v[i] = std::bit_cast<float>(bits);
  }
}

}  // namespace

std::array<std::uint8_t, 16> PackSingles4(const TVector4f& v) {
  std::array<std::uint8_t, 16> out{};
  PackSingles(v.V, 4, out.data());
  return out;
}

TVector4f UnpackSingles4(std::span<const std::uint8_t, 16> data) {
  TVector4f v;
  UnpackSingles(data.data(), 4, v.V);
  return v;
}

std::array<std::uint8_t, 12> PackSingles3(const TAffineVector& v) {
  std::array<std::uint8_t, 12> out{};
  PackSingles(v.V, 3, out.data());
  return out;
}

TAffineVector UnpackSingles3(std::span<const std::uint8_t, 12> data) {
  TAffineVector v;
  UnpackSingles(data.data(), 3, v.V);
  return v;
}

TGLCoordinates::TGLCoordinates(TPersistent* owner, const TVector4f& value, TGLCoordinatesStyle style)
    : TGLUpdateAbleObject(owner), FStyle(style), FCoords(value) {}

void TGLCoordinates::NotifyChange(TObject* sender) {
  if (auto* listener = dynamic_cast<SceneValueListener*>(GetOwner())) {
    if (UpdateCount() == 0) listener->CoordinateChanged(this);
    return;
  }
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLCoordinates::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLCoordinates*>(source)) {
    FCoords = other->FCoords;
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLCoordinates::SetCoordinate(int index, float value) {
  CLIENT_ASSERT(index >= 0 && index < 4);
  FCoords[index] = value;
  NotifyChange(this);
}

void TGLCoordinates::SetPoint(float x, float y, float z) {
  CLIENT_ASSERT(FStyle != csVector);
  FCoords = {x, y, z, 1.0f};
  NotifyChange(this);
}

void TGLCoordinates::SetVector(float x, float y, float z) {
  CLIENT_ASSERT(FStyle != csPoint);
  FCoords = {x, y, z, 0.0f};
  NotifyChange(this);
}

void TGLCoordinates::SetVector4(float x, float y, float z, float w) {
  CLIENT_ASSERT(FStyle != csPoint);
  FCoords = {x, y, z, w};
  NotifyChange(this);
}

void TGLCoordinates::SetAsVector(const TVector4f& v) {
  FCoords = v;
  if (FStyle == csPoint)
    FCoords[3] = 1.0f;
  else if (FStyle == csVector)
    FCoords[3] = 0.0f;
  NotifyChange(this);
}

void TGLCoordinates::AddScaledVector(float factor, const TVector4f& v) {
  ::AddScaledVector(FCoords, v, factor);
  NotifyChange(this);
}

void TGLCoordinates::AddScaledAffineVector(float factor, const TAffineVector& v) {
  for (int i = 0; i < 3; ++i) FCoords[i] += v[i] * factor;
  NotifyChange(this);
}

void TGLCoordinates::Scale(float factor) {
  for (int i = 0; i < 3; ++i) FCoords[i] *= factor;
  NotifyChange(this);
}

void TGLCoordinates::Rotate(const TAffineVector& axis, float angle) {
  const TAffineVector r = VectorRotateAroundAxis(GetAsAffineVector(), axis, angle);
  for (int i = 0; i < 3; ++i) FCoords[i] = r[i];
  NotifyChange(this);
}

void TGLCoordinates::Normalize() {
  NormalizeVector(FCoords);
  FCoords[3] = 0.0f;
  NotifyChange(this);
}

float TGLCoordinates::VectorLength() const { return ::VectorLength(FCoords); }

bool TGLCoordinates::Equals(const TVector4f& v) const {
  return FCoords[0] == v[0] && FCoords[1] == v[1] && FCoords[2] == v[2] && FCoords[3] == v[3];
}

std::array<std::uint8_t, 16> TGLCoordinates::WriteData() const { return PackSingles4(FCoords); }

bool TGLCoordinates::ReadData(std::span<const std::uint8_t> data) {
  if (data.size() != 16) return false;
  FCoords = UnpackSingles4(data.first<16>());
  return true;
}
