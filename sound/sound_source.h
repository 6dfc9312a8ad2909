#pragma once
// Sound sources: one playing sound each (which sample of which library, its
// volume, distances, cones and loops, and where it plays). The manager's
// sources collection holds the sources that play; a sound emitter keeps a
// source of its own as the template of the one it plays.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/binary_filer.h"
#include "engine/owned_collection.h"

class TGLBaseSceneObject;
class TGLBSoundEmitter;
class TGLSoundLibrary;
class TGLSoundManager;
class TGLSoundSample;

using TGLSoundSourceChanges = std::uint8_t;
constexpr TGLSoundSourceChanges sscSample = 1;      // library, sound or loops
constexpr TGLSoundSourceChanges sscAttributes = 2;  // volume, distances, cones, frequency
// Set only with the others, at creation and assignment: the source is new
// to the manager as a whole.
constexpr TGLSoundSourceChanges sscStatus = 4;
constexpr TGLSoundSourceChanges sscAll = sscSample | sscAttributes | sscStatus;

// What a concrete manager keeps per source (its channel and sample).
class TGLSoundSourceRecord {
public:
  virtual ~TGLSoundSourceRecord() = default;
};

class TGLBaseSoundSource : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TGLBaseSoundSource)
public:
  TGLBaseSoundSource() = default;

  // Setters store a value only when it differs, then flag the change.
  int GetPriority() const { return FPriority; }
  void SetPriority(int value);
  float GetVolume() const { return FVolume; }
  // Kept in 0..1.
  void SetVolume(float value);
  float GetMinDistance() const { return FMinDistance; }
  void SetMinDistance(float value);
  float GetMaxDistance() const { return FMaxDistance; }
  void SetMaxDistance(float value);
  float GetInsideConeAngle() const { return FInsideConeAngle; }
  void SetInsideConeAngle(float value);
  float GetOutsideConeAngle() const { return FOutsideConeAngle; }
  void SetOutsideConeAngle(float value);
  float GetConeOutsideVolume() const { return FConeOutsideVolume; }
  void SetConeOutsideVolume(float value);
  // Found by name on first use when only the name is known (a stored
  // source), and again when the library it knew is gone.
  TGLSoundLibrary* GetSoundLibrary();
  // Also stores the library's name ("" for none).
  void SetSoundLibrary(TGLSoundLibrary* value);
  const std::string& GetSoundLibraryName() const { return FSoundLibraryName; }
  const std::string& GetSoundName() const { return FSoundName; }
  void SetSoundName(const std::string& value);
  int GetNbLoops() const { return FNbLoops; }
  void SetNbLoops(int value);
  // -1: the sample's own.
  int GetFrequency() const { return FFrequency; }
  void SetFrequency(int value);
  // Stored and, in a manager's sources, passed to the manager at once (a
  // source is muted while it or its manager is).
  bool GetMute() const { return FMute; }
  void SetMute(bool value);
  bool GetPause() const { return FPause; }
  void SetPause(bool value);

  TGLSoundSourceChanges GetChanges() const { return FChanges; }
  void SetChanges(TGLSoundSourceChanges value) { FChanges = value; }
  // The library's sample named SoundName; nullptr when none.
  TGLSoundSample* Sample();
  // The manager whose sources hold this one; nullptr outside.
  TGLSoundManager* Manager() const;
  TGLSoundSourceRecord* GetManagerRecord() const { return FManagerRecord.get(); }
  void SetManagerRecord(std::unique_ptr<TGLSoundSourceRecord> record) { FManagerRecord = std::move(record); }

  // Every setting (Mute and Pause as stored values); all change flags set.
  void Assign(const TPersistent* source) override;
  // Version 0, Priority, Volume, MinDistance, MaxDistance, InsideConeAngle,
  // OutsideConeAngle, ConeOutsideVolume, the library's name, SoundName,
  // Mute, Pause, NbLoops.
  virtual void WriteToFiler(TVirtualWriter& writer) const;
  // Another version raises the filer's unknown-version error.
  virtual void ReadFromFiler(TVirtualReader& reader);

protected:
  // After a setter stored a new value.
  virtual void SettingsChanged() {}

private:
  template <class T>
  void Store(T& field, T value, TGLSoundSourceChanges change);

  int FPriority = 0;
  float FVolume = 1.0f;
  float FMinDistance = 1.0f;
  float FMaxDistance = 100.0f;
  float FInsideConeAngle = 360.0f;
  float FOutsideConeAngle = 360.0f;
  float FConeOutsideVolume = 0.0f;
  std::string FSoundLibraryName;
  TGLSoundLibrary* FSoundLibrary = nullptr;
  std::string FSoundName;
  bool FMute = false;
  bool FPause = false;
  TGLSoundSourceChanges FChanges = sscAll;
  int FNbLoops = 1;
  int FFrequency = -1;
  std::unique_ptr<TGLSoundSourceRecord> FManagerRecord;
};

class TGLSoundSource : public TGLBaseSoundSource {
  CLIENT_DECLARE_CLASS(TGLSoundSource)
public:
  TGLSoundSource() = default;
  // Tells its emitter that it is gone and, in a manager's sources, lets the
  // manager release it first.
  ~TGLSoundSource() override;

  // Where the sound plays; nullptr: at the listener. It must outlive the
  // source (an emitter's source plays at the emitter's own object).
  TGLBaseSceneObject* GetOrigin() const { return FOrigin; }
  void SetOrigin(TGLBaseSceneObject* value) { FOrigin = value; }
  // The emitter this source belongs to (as its template or as the source
  // it plays).
  TGLBSoundEmitter* GetEmitter() const { return FEmitter; }
  void SetEmitter(TGLBSoundEmitter* value) { FEmitter = value; }

  // Leaves the manager's sources and is destroyed; a source in no
  // collection belongs to its owner and stays.
  void Free();

protected:
  // An emitter's template passes its changes on to the source it plays.
  void SettingsChanged() override;

private:
  TGLBaseSceneObject* FOrigin = nullptr;
  TGLBSoundEmitter* FEmitter = nullptr;
};

class TGLSoundSources : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TGLSoundSources)
public:
  explicit TGLSoundSources(TPersistent* owner = nullptr);
  TGLSoundSource* GetItems(int index) const { return static_cast<TGLSoundSource*>(TOwnedCollection::GetItems(index)); }
  TGLSoundSource* Add() { return static_cast<TGLSoundSource*>(TOwnedCollection::Add()); }
};
