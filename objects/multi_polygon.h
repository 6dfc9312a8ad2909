#pragma once
// Flat shapes of several closed contours: the first the outline, every
// further one a hole (or an island) in it. The contours are node
// collections, optionally smoothed by a cubic spline; their common outline
// comes from GLU's tessellator and is kept until a contour changes.

#include <memory>
#include <string>
#include <vector>

#include "engine/custom_scene_object.h"
#include "engine/gl_nodes.h"
#include "engine/notify_collection.h"
#include "engine/vector_lists.h"
#include "objects/line_spline_mode.h"
#include "objects/tessellation.h"

class TGLContour;

// The nodes of one contour; a change of them is a change of the contour.
class TGLContourNodes : public TGLNodes {
  CLIENT_DECLARE_CLASS(TGLContourNodes)
public:
  explicit TGLContourNodes(TGLContour* owner = nullptr);
  void NotifyChange() override;
};

class TGLContour : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TGLContour)
public:
  TGLContour();
  ~TGLContour() override;

  TGLContourNodes* GetNodes() const { return FNodes.get(); }
  void SetNodes(const TGLContourNodes* value);
  int GetDivision() const { return FDivision; }
  // At least 1.
  void SetDivision(int value);
  TLineSplineMode GetSplineMode() const { return FSplineMode; }
  void SetSplineMode(TLineSplineMode value);
  // Stored only: a description changes no geometry.
  const std::string& GetDescription() const { return FDescription; }
  void SetDescription(const std::string& value) { FDescription = value; }

  // The points given to the tessellator: the nodes, or with a spline mode
  // other than lines and a division of 2 or more, the cubic spline sampled
  // (count - 1) * division + 1 times.
  ContourPoints Points() const;

  // From another contour: nodes, division, spline mode, description.
  void Assign(const TPersistent* source) override;
  // The description, or "GLContour: n nodes".
  std::string GetDisplayName() const override;
  // Tells the collection (the nodes call it).
  void NodesChanged() { Changed(); }

private:
  std::unique_ptr<TGLContourNodes> FNodes;
  int FDivision = 10;
  TLineSplineMode FSplineMode = lsmLines;
  std::string FDescription;
};

class TGLContours : public TNotifyCollection {
  CLIENT_DECLARE_CLASS(TGLContours)
public:
  explicit TGLContours(TPersistent* owner = nullptr);
  TGLContour* Add() { return static_cast<TGLContour*>(TNotifyCollection::Add()); }
  TGLContour* GetItems(int index) const { return static_cast<TGLContour*>(TNotifyCollection::GetItems(index)); }
};

// Paths of points, each owned by the list; the last one added is the
// current one.
class TPolygonList {
public:
  TAffineVectorList* Add();
  int GetCount() const { return static_cast<int>(FPaths.size()); }
  TAffineVectorList* GetPath(int index) const { return FPaths.at(static_cast<std::size_t>(index)).get(); }
  TAffineVectorList* Current() const { return FPaths.empty() ? nullptr : FPaths.back().get(); }
  void Clear() { FPaths.clear(); }
  // The paths as plain point lists.
  std::vector<ContourPoints> Paths() const;

private:
  std::vector<std::unique_ptr<TAffineVectorList>> FPaths;
};

class TMultiPolygonBase : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TMultiPolygonBase)
public:
  explicit TMultiPolygonBase(TComponent* owner = nullptr);
  ~TMultiPolygonBase() override;

  TGLContours* GetContours() const { return FContours.get(); }
  void SetContours(const TGLContours* value);
  const TAffineVector& GetContoursNormal() const { return FContoursNormal; }
  void SetContoursNormal(const TAffineVector& value);

  // The nodes of contour i, adding empty contours up to it (i >= 0).
  TGLContourNodes* GetPath(int index);
  // The boundary loops of the contours, computed when none is kept.
  const TPolygonList& GetOutline();

  // The contours, then the scene object.
  void Assign(const TPersistent* source) override;
  // Forgets a kept outline and rebuilds.
  virtual void ContourChanged(TObject* sender);

  // The filled outline: faces along the normal (the tessellator's plane
  // normal), or turned over with the points last first. Nothing when the
  // outline has no path or its first path fewer than 2 points.
  GeometryBatches TesselatedPolygon(const TAffineVector* normal, bool invertNormals);
  void RenderTesselatedPolygon(bool textured, const TAffineVector* normal, bool invertNormals);

private:
  std::unique_ptr<TGLContours> FContours;
  std::unique_ptr<TPolygonList> FOutline;
  TAffineVector FContoursNormal{0, 0, 1};
};

class TGLMultiPolygon : public TMultiPolygonBase {
  CLIENT_DECLARE_CLASS(TGLMultiPolygon)
public:
  explicit TGLMultiPolygon(TComponent* owner = nullptr);

  TPolygonParts GetParts() const { return FParts; }
  void SetParts(TPolygonParts value);

  void Assign(const TPersistent* source) override;
  // The top face along the contours' normal, the bottom face turned over.
  void BuildList(TRenderContextInfo& rci) override;

private:
  TPolygonParts FParts{ppTop, ppBottom};
};
