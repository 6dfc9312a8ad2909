#pragma once
// Nodes of lines, polygons, pipes and contours, and the collection that
// holds them. A node's change reaches the collection's owner through
// NotifyChange.

#include <memory>
#include <string>

#include "engine/owned_collection.h"
#include "engine/spline.h"
#include "engine/vector_types.h"

class TGLNode : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TGLNode)
public:
  TGLNode() = default;
  // From another node: X, Y, Z, W.
  void Assign(const TPersistent* source) override;

  float GetX() const { return FCoords[0]; }
  float GetY() const { return FCoords[1]; }
  float GetZ() const { return FCoords[2]; }
  float GetW() const { return FCoords[3]; }
  // Stores and tells the owning nodes.
  void SetCoordinate(int index, float value);
  void SetX(float v) { SetCoordinate(0, v); }
  void SetY(float v) { SetCoordinate(1, v); }
  void SetZ(float v) { SetCoordinate(2, v); }
  void SetW(float v) { SetCoordinate(3, v); }
  // The four values without notification (building a list of nodes).
  void SetDirect(const TVector4f& v) { FCoords = v; }

  // "%.4f; %.4f; %.4f" of X, Y, Z, with a full stop.
  std::string GetDisplayName() const override;
  const float* AsAddress() const { return FCoords.V; }
  const TVector4f& AsVector() const { return FCoords; }
  TAffineVector GetAsAffineVector() const { return {FCoords[0], FCoords[1], FCoords[2]}; }
  // Whether the coordinate is stored (non-zero).
  bool StoreCoordinate(int index) const { return FCoords[index] != 0.0f; }

private:
  TVector4f FCoords{};
};

class TGLNodes : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TGLNodes)
public:
  // Items of `itemClass`, TGLNode when null.
  explicit TGLNodes(TPersistent* owner, const TClassInfo* itemClass = nullptr);
  // A copy with the same owner's kind of items; nullptr for a null source.
  static std::unique_ptr<TGLNodes> CreateCopy(const TGLNodes* source, TPersistent* owner);

  TGLNode* GetItems(int index) const { return static_cast<TGLNode*>(TOwnedCollection::GetItems(index)); }
  TGLNode* Add() { return static_cast<TGLNode*>(TOwnedCollection::Add()); }
  TGLNode* AddNode(float x, float y, float z);
  TGLNode* AddNode(const TAffineVector& v) { return AddNode(v[0], v[1], v[2]); }

  // The owner hears (an update-able component or object), unless updating.
  virtual void NotifyChange();
  void Update(TCollectionItem* item) override { NotifyChange(); }

  // Mean of the positions; null for no nodes.
  TAffineVector Barycenter() const;
  // Unit (p1 - p0) x (p2 - p0) of the first three; null with fewer.
  TAffineVector Normal() const;
  // Unit direction of the line at node i (next minus previous, one-sided at
  // the ends); null for a single node or a degenerate step.
  TAffineVector Vector(int index) const;
  void Translate(const TAffineVector& tv);
  // Degrees: x' = c*x + s*z, z' = c*z - s*x.
  void RotateAroundY(float angle);
  // The cubic spline through X, Y, Z; the caller owns it.
  std::unique_ptr<TCubicSpline> CreateNewCubicSpline() const;

  // The polygon through the GLU tessellator (positive winding). With
  // textured, X and Y also serve as texture coordinates; with a normal,
  // it is sent and given to the tessellator. splineDivisions > 1 samples
  // (Count - 1) * divisions + 1 points on the spline.
  void RenderTesselatedPolygon(bool textured, const TAffineVector* normal = nullptr, int splineDivisions = 1,
                               bool invertOrder = false) const;
};
