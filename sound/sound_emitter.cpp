#include "sound/sound_emitter.h"

#include "engine/engine_errors.h"
#include "engine/scene_node.h"
#include "sound/sound_manager.h"

CLIENT_DEFINE_CLASS(TGLBSoundEmitter, TGLBehaviour)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TGLBSoundEmitter);

TGLBSoundEmitter::TGLBSoundEmitter() : FSource(std::make_unique<TGLSoundSource>()) { FSource->SetEmitter(this); }

TGLBSoundEmitter::~TGLBSoundEmitter() {
  if (FPlayingSource) FPlayingSource->Free();
  // A playing source outside a collection is not ours to free.
  if (FPlayingSource) FPlayingSource->SetEmitter(nullptr);
  FPlayingSource = nullptr;
  FSource->SetEmitter(nullptr);
}

bool TGLBSoundEmitter::Designing() const {
  TGLBaseSceneObject* owner = OwnerBaseSceneObject();
  return owner && owner->IsDesigning();
}

bool TGLBSoundEmitter::GetPlaying() const { return Designing() ? FPlaying : FPlayingSource != nullptr; }

void TGLBSoundEmitter::SetPlaying(bool value) {
  if (Designing()) {
    FPlaying = value;
    return;
  }
  TGLSoundManager* manager = ActiveSoundManager();
  if (!manager) {
    if (VerboseSoundErrors() && SoundMessageHandler()) SoundMessageHandler()(sound_messages::kNoActiveSoundManager);
    return;
  }
  if (value == GetPlaying()) return;
  if (value) {
    TGLSoundSource* source = manager->Sources().Add();
    source->SetEmitter(this);
    source->Assign(FSource.get());
    source->SetOrigin(OwnerBaseSceneObject());
    FPlayingSource = source;
  } else {
    FPlayingSource->Free();
  }
}

void TGLBSoundEmitter::SourceGone(TGLSoundSource* source) {
  if (source == FPlayingSource) FPlayingSource = nullptr;
}

void TGLBSoundEmitter::SourceChanged(TGLSoundSource* source) {
  if (source != FSource.get() || !FPlayingSource) return;
  // The playing copy takes each changed setting through its own setters,
  // so that the manager hears of a new mute or pause at once.
  TGLSoundSource& playing = *FPlayingSource;
  playing.SetPriority(source->GetPriority());
  playing.SetVolume(source->GetVolume());
  playing.SetMinDistance(source->GetMinDistance());
  playing.SetMaxDistance(source->GetMaxDistance());
  playing.SetInsideConeAngle(source->GetInsideConeAngle());
  playing.SetOutsideConeAngle(source->GetOutsideConeAngle());
  playing.SetConeOutsideVolume(source->GetConeOutsideVolume());
  playing.SetFrequency(source->GetFrequency());
  if (TGLSoundLibrary* library = source->GetSoundLibrary()) playing.SetSoundLibrary(library);
  playing.SetSoundName(source->GetSoundName());
  playing.SetNbLoops(source->GetNbLoops());
  playing.SetMute(source->GetMute());
  playing.SetPause(source->GetPause());
}

void TGLBSoundEmitter::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLBSoundEmitter*>(source)) FSource->Assign(other->FSource.get());
  TGLBehaviour::Assign(source);
}

void TGLBSoundEmitter::WriteToFiler(TVirtualWriter& writer) const {
  TGLBehaviour::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  FSource->WriteToFiler(writer);
  writer.WriteBoolean(GetPlaying());
}

void TGLBSoundEmitter::ReadFromFiler(TVirtualReader& reader) {
  TGLBehaviour::ReadFromFiler(reader);
  const int version = reader.ReadInteger();
  if (version != 0) RaiseFilerException(ClassName(), version);
  FSource->ReadFromFiler(reader);
  FPlaying = reader.ReadBoolean();
}

void TGLBSoundEmitter::Loaded() {
  TGLBehaviour::Loaded();
  if (!Designing()) SetPlaying(FPlaying);
}
