#include "sound/sound_source.h"

#include <algorithm>

#include "engine/engine_errors.h"
#include "sound/sound_emitter.h"
#include "sound/sound_library.h"
#include "sound/sound_manager.h"

CLIENT_DEFINE_CLASS(TGLBaseSoundSource, TCollectionItem)
CLIENT_DEFINE_CLASS(TGLSoundSource, TGLBaseSoundSource)
CLIENT_DEFINE_CLASS(TGLSoundSources, TOwnedCollection)

// --- TGLBaseSoundSource -----------------------------------------------------

template <class T>
void TGLBaseSoundSource::Store(T& field, T value, TGLSoundSourceChanges change) {
  if (field == value) return;
  field = value;
  FChanges |= change;
  SettingsChanged();
}

void TGLBaseSoundSource::SetPriority(int value) { Store(FPriority, value, sscAttributes); }
void TGLBaseSoundSource::SetVolume(float value) { Store(FVolume, std::clamp(value, 0.0f, 1.0f), sscAttributes); }
void TGLBaseSoundSource::SetMinDistance(float value) { Store(FMinDistance, value, sscAttributes); }
void TGLBaseSoundSource::SetMaxDistance(float value) { Store(FMaxDistance, value, sscAttributes); }
void TGLBaseSoundSource::SetInsideConeAngle(float value) { Store(FInsideConeAngle, value, sscAttributes); }
void TGLBaseSoundSource::SetOutsideConeAngle(float value) { Store(FOutsideConeAngle, value, sscAttributes); }
void TGLBaseSoundSource::SetConeOutsideVolume(float value) { Store(FConeOutsideVolume, value, sscAttributes); }
void TGLBaseSoundSource::SetFrequency(int value) { Store(FFrequency, value, sscAttributes); }
void TGLBaseSoundSource::SetSoundName(const std::string& value) { Store(FSoundName, value, sscSample); }
void TGLBaseSoundSource::SetNbLoops(int value) { Store(FNbLoops, value, sscSample); }

TGLSoundLibrary* TGLBaseSoundSource::GetSoundLibrary() {
  if (FSoundLibrary && !IsSoundLibraryAlive(FSoundLibrary)) FSoundLibrary = nullptr;
  if (!FSoundLibrary && !FSoundLibraryName.empty()) FSoundLibrary = FindSoundLibrary(FSoundLibraryName);
  return FSoundLibrary;
}

void TGLBaseSoundSource::SetSoundLibrary(TGLSoundLibrary* value) {
  if (value == FSoundLibrary && (value || FSoundLibraryName.empty())) return;
  FSoundLibrary = value;
  FSoundLibraryName = value ? value->GetName() : std::string();
  FChanges |= sscSample;
  SettingsChanged();
}

TGLSoundManager* TGLBaseSoundSource::Manager() const {
  TOwnedCollection* collection = Collection();
  return collection ? dynamic_cast<TGLSoundManager*>(collection->GetOwner()) : nullptr;
}

void TGLBaseSoundSource::SetMute(bool value) {
  if (value == FMute) return;
  FMute = value;
  if (TGLSoundManager* manager = Manager()) manager->MuteSource(this, value || manager->GetMute());
  SettingsChanged();
}

void TGLBaseSoundSource::SetPause(bool value) {
  if (value == FPause) return;
  FPause = value;
  if (TGLSoundManager* manager = Manager()) manager->PauseSource(this, value || manager->GetPause());
  SettingsChanged();
}

TGLSoundSample* TGLBaseSoundSource::Sample() {
  TGLSoundLibrary* library = GetSoundLibrary();
  return library ? library->Samples().GetByName(FSoundName) : nullptr;
}

void TGLBaseSoundSource::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLBaseSoundSource*>(source)) {
    FPriority = other->FPriority;
    FVolume = other->FVolume;
    FMinDistance = other->FMinDistance;
    FMaxDistance = other->FMaxDistance;
    FInsideConeAngle = other->FInsideConeAngle;
    FOutsideConeAngle = other->FOutsideConeAngle;
    FConeOutsideVolume = other->FConeOutsideVolume;
    FSoundLibraryName = other->FSoundLibraryName;
    FSoundLibrary = other->FSoundLibrary;
    FSoundName = other->FSoundName;
    FMute = other->FMute;
    FPause = other->FPause;
    FNbLoops = other->FNbLoops;
    FFrequency = other->FFrequency;
    FChanges = sscAll;
    return;
  }
  TCollectionItem::Assign(source);
}

void TGLBaseSoundSource::WriteToFiler(TVirtualWriter& writer) const {
  writer.WriteInteger(0);  // archive version
  writer.WriteInteger(FPriority);
  for (float value : {FVolume, FMinDistance, FMaxDistance, FInsideConeAngle, FOutsideConeAngle, FConeOutsideVolume})
    writer.WriteFloat(value);
  writer.WriteString(FSoundLibraryName);
  writer.WriteString(FSoundName);
  writer.WriteBoolean(FMute);
  writer.WriteBoolean(FPause);
  writer.WriteInteger(FNbLoops);
}

void TGLBaseSoundSource::ReadFromFiler(TVirtualReader& reader) {
  const int version = reader.ReadInteger();
  if (version != 0) RaiseFilerException(ClassName(), version);
  FPriority = reader.ReadInteger();
  for (float* value : {&FVolume, &FMinDistance, &FMaxDistance, &FInsideConeAngle, &FOutsideConeAngle,
                       &FConeOutsideVolume})
    *value = static_cast<float>(reader.ReadFloat());
  FVolume = std::clamp(FVolume, 0.0f, 1.0f);
  FSoundLibraryName = reader.ReadString();
  FSoundLibrary = nullptr;
  FSoundName = reader.ReadString();
  FMute = reader.ReadBoolean();
  FPause = reader.ReadBoolean();
  FNbLoops = reader.ReadInteger();
  FChanges = sscAll;
}

// --- TGLSoundSource ---------------------------------------------------------

TGLSoundSource::~TGLSoundSource() {
  if (FEmitter) FEmitter->SourceGone(this);
  if (TGLSoundManager* manager = Manager()) manager->ReleaseSource(this);
}

void TGLSoundSource::Free() {
  if (TOwnedCollection* collection = Collection()) collection->Delete(GetIndex());
}

void TGLSoundSource::SettingsChanged() {
  if (FEmitter) FEmitter->SourceChanged(this);
}

// --- TGLSoundSources --------------------------------------------------------

TGLSoundSources::TGLSoundSources(TPersistent* owner) : TOwnedCollection(owner, TGLSoundSource::StaticClass()) {}
