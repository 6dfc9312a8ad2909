#include "engine/behaviour.h"

#include "engine/effects.h"
#include "engine/scene_node.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLBaseBehaviour, TXCollectionItem)
CLIENT_DEFINE_CLASS(TGLBehaviour, TGLBaseBehaviour)
CLIENT_DEFINE_CLASS(TGLBehaviours, TXCollection)

void TGLBaseBehaviour::WriteToFiler(TVirtualWriter& writer) const {
  TXCollectionItem::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
}

void TGLBaseBehaviour::ReadFromFiler(TVirtualReader& reader) {
  TXCollectionItem::ReadFromFiler(reader);
  const int version = reader.ReadInteger();
  CLIENT_ASSERT(version == 0);
}

TGLBaseSceneObject* TGLBaseBehaviour::OwnerBaseSceneObject() const {
  TXCollection* collection = GetOwner();
  return collection ? dynamic_cast<TGLBaseSceneObject*>(collection->GetOwner()) : nullptr;
}

TGLBehaviours::TGLBehaviours(TPersistent* owner) : TXCollection(owner) {
  CLIENT_ASSERT(owner != nullptr && owner->Is<TGLBaseSceneObject>());
}

const TClassInfo& TGLBehaviours::ItemsClass() const { return TGLBehaviour::StaticClass(); }

bool TGLBehaviours::CanAdd(const TClassInfo& itemClass) const {
  return !itemClass.InheritsFrom(TGLObjectEffect::StaticClass()) && TXCollection::CanAdd(itemClass);
}

std::string TGLBehaviours::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  return owner->GetNamePath() + ".Behaviours";
}

TGLBehaviour* TGLBehaviours::GetBehaviour(int index) const { return static_cast<TGLBehaviour*>(GetItems(index)); }

void TGLBehaviours::DoProgress(const TProgressTimes& progressTimes) {
  for (int i = 0; i < GetCount(); ++i) GetBehaviour(i)->DoProgress(progressTimes);
}
