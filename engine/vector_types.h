#pragma once
// The engine's value types. They are plain records: lists hand their arrays
// to OpenGL and archive them as raw bytes, so each has a fixed size and no
// padding (checked below).

#include <cstdint>

struct TAffineVector {
  float V[3]{};
  constexpr TAffineVector() = default;
  constexpr TAffineVector(float x, float y, float z) : V{x, y, z} {}
  constexpr float& operator[](int i) { return V[i]; }
  constexpr const float& operator[](int i) const { return V[i]; }
};

struct TAffineDblVector {
  double V[3]{};
  constexpr TAffineDblVector() = default;
  constexpr TAffineDblVector(double x, double y, double z) : V{x, y, z} {}
  constexpr double& operator[](int i) { return V[i]; }
  constexpr const double& operator[](int i) const { return V[i]; }
};

// A point (w = 1), a direction (w = 0), an RGBA colour or a plane
// (a, b, c, d with a*x + b*y + c*z + d = 0).
struct TVector4f {
  float V[4]{};
  constexpr TVector4f() = default;
  constexpr TVector4f(float x, float y, float z, float w) : V{x, y, z, w} {}
  constexpr float& operator[](int i) { return V[i]; }
  constexpr const float& operator[](int i) const { return V[i]; }
};
using TVector = TVector4f;
using THomogeneousVector = TVector4f;
using TPlane = TVector4f;

// Four rows; vectors multiply from the left (v' = v x M), the translation is
// row 3, and A x B applies A first.
struct TMatrix {
  TVector4f M[4]{};
  constexpr TMatrix() = default;
  constexpr TMatrix(const TVector4f& r0, const TVector4f& r1, const TVector4f& r2, const TVector4f& r3)
      : M{r0, r1, r2, r3} {}
  constexpr TVector4f& operator[](int i) { return M[i]; }
  constexpr const TVector4f& operator[](int i) const { return M[i]; }
};

// Imaginary part x, y, z followed by the real part; identity (0, 0, 0, 1).
struct TQuaternion {
  TAffineVector ImagPart;
  float RealPart = 0.0f;
};

struct TTexPoint {
  float S = 0.0f;
  float T = 0.0f;
};

struct TAABB {
  TAffineVector Min;
  TAffineVector Max;
};

// Six normalised planes; a point inside gives a positive value for each.
struct TFrustum {
  TVector4f pLeft, pTop, pRight, pBottom, pNear, pFar;
};

// Filled by the scene buffer for each frame.
struct TRenderContextClippingInfo {
  TVector4f origin;
  TVector4f clippingDirection;
  float viewPortRadius = 0.0f;
  float farClippingDistance = 0.0f;
  TFrustum frustum;
};

// Integer point (window and map coordinates).
struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

// Transformation array of MatrixDecompose.
enum TTransType {
  ttScaleX, ttScaleY, ttScaleZ,
  ttShearXY, ttShearXZ, ttShearYZ,
  ttRotateX, ttRotateY, ttRotateZ,
  ttTranslateX, ttTranslateY, ttTranslateZ,
  ttPerspectiveX, ttPerspectiveY, ttPerspectiveZ, ttPerspectiveW
};
struct TTransformations {
  float V[16]{};
  float& operator[](int i) { return V[i]; }
  const float& operator[](int i) const { return V[i]; }
};

// Order of the factors of QuaternionFromEuler, numbered 0 to 5.
enum TEulerOrder { eulXYZ, eulXZY, eulYXZ, eulYZX, eulZXY, eulZYX };

static_assert(sizeof(TAffineVector) == 12);
static_assert(sizeof(TAffineDblVector) == 24);
static_assert(sizeof(TVector4f) == 16);
static_assert(sizeof(TMatrix) == 64);
static_assert(sizeof(TQuaternion) == 16);
static_assert(sizeof(TTexPoint) == 8);
static_assert(sizeof(TAABB) == 24);
static_assert(sizeof(TFrustum) == 96);

// Constant vectors and unit-wide values.
inline constexpr TAffineVector NullVector{0, 0, 0};
inline constexpr TAffineVector XVector{1, 0, 0};
inline constexpr TAffineVector YVector{0, 1, 0};
inline constexpr TAffineVector ZVector{0, 0, 1};
inline constexpr TAffineVector XYZVector{1, 1, 1};
inline constexpr TVector4f NullHmgVector{0, 0, 0, 0};
inline constexpr TVector4f XHmgVector{1, 0, 0, 0};
inline constexpr TVector4f YHmgVector{0, 1, 0, 0};
inline constexpr TVector4f ZHmgVector{0, 0, 1, 0};
inline constexpr TVector4f WHmgVector{0, 0, 0, 1};
inline constexpr TVector4f XYZHmgVector{1, 1, 1, 0};
inline constexpr TVector4f XYZWHmgVector{1, 1, 1, 1};
inline constexpr TVector4f NullHmgPoint{0, 0, 0, 1};
inline constexpr TMatrix IdentityHmgMatrix{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
inline constexpr TMatrix EmptyHmgMatrix{};
inline constexpr TQuaternion IdentityQuaternion{{0, 0, 0}, 1};

inline constexpr float EPSILON = 1e-30f;
// Below the float range on purpose: determinants are computed in double.
inline constexpr double cInvertThreshold = 1e-40;
inline constexpr float cPIdiv180 = 0.017453292f;
inline constexpr float c180divPI = 57.29577951f;
inline constexpr float c2PI = 6.283185307f;
inline constexpr float cInv360 = 1.0f / 360.0f;
inline constexpr float c180 = 180.0f;
inline constexpr float c360 = 360.0f;
