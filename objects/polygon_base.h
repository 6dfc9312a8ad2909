#pragma once
// The base of the node-defined polygon objects: a collection of nodes, a
// division count and a spline mode. A change of a node is a change of the
// object's structure.

#include <functional>
#include <memory>

#include "engine/custom_scene_object.h"
#include "engine/gl_nodes.h"
#include "objects/line_spline_mode.h"

class TGLPolygonBase : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLPolygonBase)
public:
  // Makes the node collection for its owner; a descendant that needs its
  // own kind of nodes hands in its own (a base constructor cannot reach a
  // descendant's virtual factory).
  using NodesFactory = std::function<std::unique_ptr<TGLNodes>(TGLPolygonBase* owner)>;

  explicit TGLPolygonBase(TComponent* owner = nullptr, NodesFactory makeNodes = {});
  ~TGLPolygonBase() override;

  TGLNodes* GetNodes() const { return FNodes.get(); }
  // Copied into the own collection; always a change of structure.
  void SetNodes(const TGLNodes* value);
  int GetDivision() const { return FDivision; }
  // At least 1.
  void SetDivision(int value);
  TLineSplineMode GetSplineMode() const { return FSplineMode; }
  void SetSplineMode(TLineSplineMode value);

  // Appends a node at the point.
  void AddNode(const TAffineVector& point);

  // Nodes, division and spline mode.
  void Assign(const TPersistent* source) override;
  // A change coming from the nodes rebuilds the geometry first.
  void NotifyChange(TObject* sender) override;

private:
  std::unique_ptr<TGLNodes> FNodes;
  int FDivision = 10;
  TLineSplineMode FSplineMode = lsmLines;
};
