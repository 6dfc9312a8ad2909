#pragma once
// An observable vector property of a scene object (position, direction, up,
// scale, rotation angles). Setters notify the owner; a scene object owner
// hears through CoordinateChanged. The style says what W must be: a point
// keeps w = 1, a vector w = 0, a free coordinate keeps what it is given.

#include <array>
#include <cstdint>
#include <span>

#include "engine/update_able_object.h"
#include "engine/vector_types.h"

enum TGLCoordinatesStyle : std::uint8_t { csPoint = 0, csVector = 1, csUnknown = 2 };

class TGLCoordinates : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLCoordinates)
public:
  // (0, 0, 0, 0), free style.
  explicit TGLCoordinates(TPersistent* owner = nullptr) : TGLUpdateAbleObject(owner) {}
  // The initial value is set without notification.
  TGLCoordinates(TPersistent* owner, const TVector4f& value, TGLCoordinatesStyle style);

  // Copies the four values without notification.
  void Initialize(const TVector4f& value) { FCoords = value; }
  void NotifyChange(TObject* sender) override;
  // From other coordinates: the four values, without notification.
  void Assign(const TPersistent* source) override;

  TGLCoordinatesStyle GetStyle() const { return FStyle; }
  void SetStyle(TGLCoordinatesStyle style) { FStyle = style; }

  float GetX() const { return FCoords[0]; }
  float GetY() const { return FCoords[1]; }
  float GetZ() const { return FCoords[2]; }
  float GetW() const { return FCoords[3]; }
  // Each setter stores and notifies, even for the same value.
  void SetCoordinate(int index, float value);
  void SetX(float v) { SetCoordinate(0, v); }
  void SetY(float v) { SetCoordinate(1, v); }
  void SetZ(float v) { SetCoordinate(2, v); }
  void SetW(float v) { SetCoordinate(3, v); }

  // (x, y, z, 1); not allowed on vector style.
  void SetPoint(float x, float y, float z);
  void SetPoint(const TAffineVector& v) { SetPoint(v[0], v[1], v[2]); }
  void SetPoint(const TVector4f& v) { SetPoint(v[0], v[1], v[2]); }
  // (x, y, z, 0) and (x, y, z, w); not allowed on point style.
  void SetVector(float x, float y, float z);
  void SetVector(const TAffineVector& v) { SetVector(v[0], v[1], v[2]); }
  void SetVector(const TVector4f& v) { SetVector(v[0], v[1], v[2]); }
  void SetVector4(float x, float y, float z, float w);
  // The four values, then W as the style demands.
  void SetAsVector(const TVector4f& v);
  void SetAsAffineVector(const TAffineVector& v) { SetAsVector(VectorMakeW(v, FCoords[3])); }
  // The four values without notification.
  void SetDirectVector(const TVector4f& v) { FCoords = v; }

  void AddScaledVector(float factor, const TVector4f& v);
  void AddScaledAffineVector(float factor, const TAffineVector& v);
  void Scale(float factor);
  // About the axis, angle in radians (X, Y, Z only).
  void Rotate(const TAffineVector& axis, float angle);
  // X, Y, Z to unit length, W := 0.
  void Normalize();

  float VectorLength() const;
  bool Equals(const TVector4f& v) const;
  const TVector4f& AsVector() const { return FCoords; }
  const float* AsAddress() const { return FCoords.V; }
  TAffineVector GetAsAffineVector() const { return {FCoords[0], FCoords[1], FCoords[2]}; }

  // The "Coordinates" property: X, Y, Z, W as little-endian Singles.
  std::array<std::uint8_t, 16> WriteData() const;
  // Exactly 16 bytes, else the value is left as it is and false returned.
  bool ReadData(std::span<const std::uint8_t> data);

private:
  static TVector4f VectorMakeW(const TAffineVector& v, float w) { return {v[0], v[1], v[2], w}; }

  TGLCoordinatesStyle FStyle = csUnknown;
  TVector4f FCoords{};
};

// The same, with W published too.
class TGLCoordinates4 : public TGLCoordinates {
  CLIENT_DECLARE_CLASS(TGLCoordinates4)
public:
  using TGLCoordinates::TGLCoordinates;
};

// Little-endian Single array helpers shared by the 16- and 12-byte value
// properties.
std::array<std::uint8_t, 16> PackSingles4(const TVector4f& v);
TVector4f UnpackSingles4(std::span<const std::uint8_t, 16> data);
std::array<std::uint8_t, 12> PackSingles3(const TAffineVector& v);
TAffineVector UnpackSingles3(std::span<const std::uint8_t, 12> data);
