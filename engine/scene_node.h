#pragma once
// The node of the scene graph. A node owns its children, holds its own
// transformation as observable vectors (position, direction, up, scale and
// rotation angles), derives its local, absolute and inverse absolute
// matrices lazily, compiles its geometry into a display list, tells its
// scene when it changes, and renders itself and its children with optional
// culling and sorting.
//
// Children are owned by their parent: AddChild and Insert take a
// std::unique_ptr, Remove and Detach hand one back. Destroying a node that
// still has a parent takes it out of the parent first.
//
// Every node has a 32-bit pick id of its own (never 0): selection-mode
// picking loads it as the GL name, and FindByPickId maps a hit back.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/component.h"
#include "engine/context_handle.h"
#include "engine/gl_coordinates.h"
#include "engine/render_context_info.h"
#include "engine/vector_types.h"

class TGL3DScene;
class TGLBaseSceneObject;
class TGLBehaviours;
class TGLObjectEffects;
class TGLSilhouette;
struct TGLSilhouetteParameters;

using TSceneObjectStyle = std::uint8_t;
constexpr TSceneObjectStyle sosDirectDraw = 1;
constexpr TSceneObjectStyle sosResetsGLStateCaches = 2;
constexpr TSceneObjectStyle sosIgnoreDepthBuffer = 4;
constexpr TSceneObjectStyle sosNoVisibilityCulling = 8;

using TObjectChangeFlags = std::uint8_t;
constexpr TObjectChangeFlags ocfTransformation = 1;
constexpr TObjectChangeFlags ocfAbsoluteMatrix = 2;
constexpr TObjectChangeFlags ocfInvAbsoluteMatrix = 4;
constexpr TObjectChangeFlags ocfStructure = 8;

using TGLProgressEvent = std::function<void(TObject* sender, double deltaTime, double newTime)>;

// What an object's watcher hears: Shape for anything that may change how or
// whether it is drawn (visibility, placement, geometry, children, which
// material it uses), Material when only what its material holds changed
// (colours, the texture's picture), which is applied anew at each render,
// Gone when it is being destroyed.
enum class TSceneObjectChange : std::uint8_t { Shape, Material, Gone };

// Something that keeps a copy of what it took from objects (a batch of
// static geometry drawn in place of their own renders) and must hear when
// that may no longer hold. An object has one watcher at most; the tag is
// handed back with each notice.
class TSceneObjectWatcher {
public:
  virtual void SceneObjectChanged(TGLBaseSceneObject& object, std::uint32_t tag, TSceneObjectChange change) = 0;

protected:
  ~TSceneObjectWatcher() = default;
};

class TGLBaseSceneObject : public TGLUpdateAbleComponent, public SceneValueListener {
  CLIENT_DECLARE_CLASS(TGLBaseSceneObject)
public:
  explicit TGLBaseSceneObject(TComponent* owner = nullptr);
  ~TGLBaseSceneObject() override;

  // --- Hierarchy ---------------------------------------------------------
  // A new object of the class (owner: this), appended by AddChild. The only
  // way the client creates scene objects.
  TGLBaseSceneObject* AddNewChild(const TClassInfo& objectClass);
  template <class T>
  T* AddNewChild() {
    return static_cast<T*>(AddNewChild(T::StaticClass()));
  }
  // The same, inserted at index 0.
  TGLBaseSceneObject* AddNewChildFirst(const TClassInfo& objectClass);
  template <class T>
  T* AddNewChildFirst() {
    return static_cast<T*>(AddNewChildFirst(T::StaticClass()));
  }
  // Appends the child: its lights are registered with the scene, it takes
  // this object's scene, and its subtree's absolute matrices are marked
  // stale (it may come from another parent).
  virtual TGLBaseSceneObject* AddChild(std::unique_ptr<TGLBaseSceneObject> child);
  // Inserts at index (clamped); the same bookkeeping as AddChild.
  virtual TGLBaseSceneObject* Insert(int index, std::unique_ptr<TGLBaseSceneObject> child);
  // Takes the child out and hands it back (nullptr when it is not a child).
  // With keepChildren, its children move to this object first.
  virtual std::unique_ptr<TGLBaseSceneObject> Remove(TGLBaseSceneObject* child, bool keepChildren);
  // Leaves the parent and joins newParent. With nullptr the object leaves
  // its scene and is handed back to the caller.
  virtual std::unique_ptr<TGLBaseSceneObject> MoveTo(TGLBaseSceneObject* newParent);
  // Out of the parent, to the caller; nullptr without a parent.
  std::unique_ptr<TGLBaseSceneObject> Detach();
  // Frees the cameras below first, then the children last to first.
  virtual void DeleteChildren();

  int GetCount() const { return static_cast<int>(FChildren.size()); }
  TGLBaseSceneObject* GetChild(int index) const;
  TGLBaseSceneObject* operator[](int index) const { return GetChild(index); }
  // -1 without a parent.
  int GetIndex() const;
  // Clamped to the parent's range; nothing without a parent.
  void SetIndex(int newIndex);
  TGLBaseSceneObject* GetParent() const { return FParent; }
  bool HasParent() const { return FParent != nullptr; }
  TGL3DScene* GetScene() const { return FScene; }
  // Destroys the subtree's GL handles when the scene changes.
  virtual void SetScene(TGL3DScene* scene);
  // First a direct child by name (ASCII case-insensitive), but a match
  // deeper down wins; the object itself is never matched.
  TGLBaseSceneObject* FindChild(const std::string& name, bool ownChildrenOnly) const;
  void GetChildren(const std::function<void(TGLBaseSceneObject*)>& proc) const;
  // Streaming: a scene puts it under a root, a scene object adopts it.
  void SetParentComponent(TComponent* value);
  // The parent, for the streaming system.
  TComponent* GetParentComponent() const { return FParent; }
  // Streaming: puts `child` (one of this object's children) at index
  // `order`, as SetIndex does; anything else is left alone.
  void SetChildOrder(TComponent* child, int order);

  // --- Transformation -------------------------------------------------------
  TGLCoordinates* GetPosition() const { return FPosition.get(); }
  TGLCoordinates* GetDirection() const { return FDirection.get(); }
  TGLCoordinates* GetUp() const { return FUp.get(); }
  TGLCoordinates* GetScale() const { return FScaling.get(); }
  TGLCoordinates* GetRotation() const { return FRotation.get(); }
  void SetPosition(const TGLCoordinates* value);
  // A null vector is ignored.
  void SetDirection(const TGLCoordinates* value);
  void SetUp(const TGLCoordinates* value);
  // Four values without notification, then TransformationChanged.
  void SetScale(const TGLCoordinates* value);
  void SetRotation(const TGLCoordinates* value);

  // Position += distance * Direction.
  void Move(float distance);
  void Pitch(float angle);
  void Turn(float angle);
  void Roll(float angle);
  float GetPitchAngle() const { return FRotation->GetX(); }
  float GetTurnAngle() const { return FRotation->GetY(); }
  float GetRollAngle() const { return FRotation->GetZ(); }
  void SetPitchAngle(float angle);
  void SetTurnAngle(float angle);
  void SetRollAngle(float angle);

  // The local matrix from rows: direction, up, scale and position follow.
  void SetMatrix(const TMatrix& m);
  const TMatrix& GetMatrix();
  const TMatrix& GetAbsoluteMatrix();
  const TMatrix& GetInvAbsoluteMatrix();
  const TMatrix* AbsoluteMatrixAsAddress() { return &GetAbsoluteMatrix(); }
  const TMatrix* InvAbsoluteMatrixAsAddress() { return &GetInvAbsoluteMatrix(); }
  TVector4f GetAbsolutePosition();
  TVector4f GetAbsoluteDirection();
  TVector4f GetAbsoluteUp();
  TVector4f GetAbsoluteZVector();
  TVector4f GetAbsoluteYVector();
  TVector4f AbsoluteToLocal(const TVector4f& v);
  TVector4f LocalToAbsolute(const TVector4f& v);
  // Direction x Up and Up x Direction.
  TVector4f GetRightVector() const;
  TVector4f LeftVector() const;

  // --- Bounding volumes and ray casts ----------------------------------------
  // Half extents, (0.5, 0.5, 0.5) here.
  virtual TVector4f AxisAlignedDimensionsUnscaled() const;
  TVector4f AxisAlignedDimensions() const;
  float BoundingSphereRadius() const;
  float BoundingSphereRadiusUnscaled() const;
  virtual TVector4f BarycenterAbsolutePosition();
  float BarycenterSqrDistanceTo(const TVector4f& point);
  // The box of the object united with its children's, in local coordinates
  // (unscaled by this object's own matrix).
  TAABB HierarchicalAxisAlignedBox();
  virtual bool PointInObject(const TVector4f& point);
  // Against the bounding sphere; the first hit and its normal when asked.
  virtual bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                TVector4f* intersectPoint = nullptr, TVector4f* intersectNormal = nullptr);

  // A 21-segment circle around the bounding sphere as seen from the
  // parameters' viewpoint (style 0 omni, 1 parallel).
  virtual std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& parameters);

  // --- Changes ------------------------------------------------------------------
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool IsUpdating() const { return FUpdateCount != 0 || IsLoading(); }
  // To the scene, when there is one and no update is open.
  void NotifyChange(TObject* sender) override;
  void TransformationChanged();
  void StructureChanged() override;
  void ClearStructureChanged() { FChanges &= static_cast<TObjectChangeFlags>(~ocfStructure); }
  void CoordinateChanged(TGLCoordinates* sender) override;
  TObjectChangeFlags GetChanges() const { return FChanges; }
  // Replaces the watcher (nullptr: none).
  void SetWatcher(TSceneObjectWatcher* watcher, std::uint32_t tag = 0) {
    FWatcher = watcher;
    FWatcherTag = watcher ? tag : 0;
  }
  TSceneObjectWatcher* GetWatcher() const { return FWatcher; }
  std::uint32_t GetWatcherTag() const { return FWatcherTag; }
  void LibMaterialGone() override { TellWatcher(TSceneObjectChange::Shape); }
  // A repaint; the display list stays (see SceneValueListener).
  void TextureMatrixChanged() override { NotifyChange(this); }
  void Loaded() override;
  void Assign(const TPersistent* source) override;

  // --- Properties -----------------------------------------------------------------
  TSceneObjectStyle GetObjectStyle() const { return FObjectStyle; }
  void SetObjectStyle(TSceneObjectStyle style) { FObjectStyle = style; }
  bool GetVisible() const { return FVisible; }
  virtual void SetVisible(bool value);
  bool GetShowAxes() const { return FShowAxes; }
  void SetShowAxes(bool value);
  TGLObjectsSorting GetObjectsSorting() const { return FObjectsSorting; }
  void SetObjectsSorting(TGLObjectsSorting value);
  TGLVisibilityCulling GetVisibilityCulling() const { return FVisibilityCulling; }
  void SetVisibilityCulling(TGLVisibilityCulling value);
  float GetTagFloat() const { return FTagFloat; }
  void SetTagFloat(float value) { FTagFloat = value; }
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& hint) { FHint = hint; }
  TGLProgressEvent OnProgress;

  std::uint32_t GetPickId() const { return FPickId; }
  // The live object of a pick id, nullptr for 0 or a freed object.
  static TGLBaseSceneObject* FindByPickId(std::uint32_t id);

  // --- Rendering ---------------------------------------------------------------------
  // The display list, compiled now when missing or stale.
  virtual GLuint GetHandle(TRenderContextInfo& rci);
  // Calls the display list (compiled first when missing or stale), and the
  // GL state cache hears what it did.
  void CallList(TRenderContextInfo& rci);
  bool HasValidList() const;
  // Emits the geometry; empty here.
  virtual void BuildList(TRenderContextInfo& rci) {}
  virtual void Render(TRenderContextInfo& rci);
  virtual void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren);
  virtual void RenderChildren(int firstIndex, int lastIndex, TRenderContextInfo& rci);
  virtual bool Blended() const { return false; }
  void DestroyHandles();
  virtual void DestroyHandle();

  // Children last to first, then behaviours, effects and OnProgress.
  void DoProgress(const TProgressTimes& progressTimes) override;

  // --- Behaviours and effects (created on first access) -----------------------
  TGLBehaviours* GetBehaviours();
  TGLObjectEffects* GetEffects();
  TGLBehaviours* GetBehavioursIfAny() const { return FBehaviours.get(); }
  TGLObjectEffects* GetEffectsIfAny() const { return FEffects.get(); }

  // The stored form of the collections, the binary properties
  // "BehavioursData" and "EffectsData": the collection's archive through
  // the binary writer. Nothing to store when the collection is missing or
  // empty.
  std::optional<std::string> WriteBehavioursData() const;
  std::optional<std::string> WriteEffectsData() const;
  // Replaces the collection by the one the data holds, items created by
  // class name. Damaged data raises (EFilerException for a broken archive,
  // EAssertionFailed for an unknown class, a refused item or a wrong
  // version) and leaves the collection as it was.
  void ReadBehavioursData(const std::string& data);
  void ReadEffectsData(const std::string& data);

protected:
  void Notification(TComponent* component, TOperation operation) override;
  // The local matrix, rebuilt when flagged.
  void RebuildMatrix();
  // Marks the absolute matrices of the subtree stale. Without force, a node
  // that is already stale stops the descent (its subtree is stale too).
  void InvalidateAbsoluteMatrices(bool force = false);
  // The culling decision of Render.
  void DecideCulling(TRenderContextInfo& rci, bool& accept, bool& renderChildren);
  // Frees every camera below (a camera is never a drawn child).
  void FreeCameraDescendants();
  // Hook after the child list changed.
  TGLBaseSceneObject* AttachChild(int index, std::unique_ptr<TGLBaseSceneObject> child, bool transformSelf);

  void TellWatcher(TSceneObjectChange change) {
    if (FWatcher && !(change == TSceneObjectChange::Shape && FMaterialNotice))
      FWatcher->SceneObjectChanged(*this, FWatcherTag, change);
  }
  // While set, the changes the object makes are the material's own (see
  // TSceneObjectChange::Material), not the shape's.
  void SetMaterialNotice(bool value) { FMaterialNotice = value; }

  // The three axes from the origin, dashed with `pattern` (also the
  // markers of line nodes).
  void RenderAxes(TRenderContextInfo& rci, std::uint16_t pattern, float length);
  // The drawables' setter rule: a differing value is stored and the
  // structure changes (the list is built again at the next frame).
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    StructureChanged();
  }

  TSceneObjectStyle FObjectStyle = 0;

private:
  friend class TGL3DScene;
  void SetSceneRecursive(TGL3DScene* scene);
  void RotateBoth(const TAffineVector& axis, float angleDegrees);

  std::unique_ptr<TGLListHandle> FListHandle;
  TMatrix FLocalMatrix = IdentityHmgMatrix;
  TMatrix FAbsoluteMatrix = IdentityHmgMatrix;
  TMatrix FInvAbsoluteMatrix = IdentityHmgMatrix;
  std::unique_ptr<TGLCoordinates> FPosition, FDirection, FUp, FScaling, FRotation;
  TObjectChangeFlags FChanges = ocfTransformation | ocfAbsoluteMatrix | ocfInvAbsoluteMatrix | ocfStructure;
  TGLBaseSceneObject* FParent = nullptr;
  TGL3DScene* FScene = nullptr;
  // Owned: freed by DeleteChildren and the destructor.
  std::vector<TGLBaseSceneObject*> FChildren;
  bool FVisible = true;
  int FUpdateCount = 0;
  bool FShowAxes = false;
  TGLObjectsSorting FObjectsSorting = osInherited;
  TGLVisibilityCulling FVisibilityCulling = vcInherited;
  bool FIsCalculating = false;
  float FTagFloat = 0.0f;
  std::string FHint;
  std::uint32_t FPickId = 0;
  std::unique_ptr<TGLBehaviours> FBehaviours;
  std::unique_ptr<TGLObjectEffects> FEffects;
  TSceneObjectWatcher* FWatcher = nullptr;
  std::uint32_t FWatcherTag = 0;
  bool FMaterialNotice = false;
};

// One of the two roots of a scene: direct-drawn, created by the scene only.
class TGL3DSceneRootObject : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TGL3DSceneRootObject)
public:
  // `scene` must not be null (assertion failure otherwise).
  explicit TGL3DSceneRootObject(TGL3DScene* scene);
};
