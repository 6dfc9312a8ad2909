#pragma once
// Named sound samples, each owning one sound file, kept in sound libraries.
// Every library is listed process-wide so that sources can find theirs by
// name.

#include <memory>
#include <optional>
#include <string>

#include "engine/component.h"
#include "engine/owned_collection.h"
#include "sound/sound_file_objects.h"

class TGLSoundSample : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TGLSoundSample)
public:
  TGLSoundSample() = default;

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  TGLSoundFile* GetData() const { return FData.get(); }
  // Takes a copy of the file (nullptr clears).
  void SetData(const TGLSoundFile* data);

  // "<name> (<Hz> Hz, <bits> bits, <n> channel[s], <seconds> sec)", or
  // "<name> (empty)" without data.
  std::string GetDisplayName() const override;

  // The file's class comes from its extension; with none registered the
  // sample has no data. Name := the file name after the last "\" or ":" (a
  // "/" does not separate, so "sounds/wind2.wav" keeps its folder). The
  // file is found without regard to case or "\". A file that cannot be
  // read raises and leaves the sample without data.
  void LoadFromFile(const std::string& fileName);
  // Plays the data once on its own device (see TGLSoundFile).
  void PlayOnWaveOutput();

  // From another sample: its name and a copy of its data.
  void Assign(const TPersistent* source) override;

  // The stored property "BinData": the 32-bit length of the file's class
  // name, the name, then the file's own stream form. Nothing without data.
  std::optional<std::string> WriteBinData() const;
  // Creates the named class and lets it read the rest. Damaged data raises
  // (an unknown class, a short stream, a file of its own errors) and leaves
  // the sample as it was.
  void ReadBinData(const std::string& data);

private:
  std::string FName;
  std::unique_ptr<TGLSoundFile> FData;
};

class TGLSoundSamples : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TGLSoundSamples)
public:
  explicit TGLSoundSamples(TPersistent* owner = nullptr);

  TGLSoundSample* GetItems(int index) const { return static_cast<TGLSoundSample*>(TOwnedCollection::GetItems(index)); }
  TGLSoundSample* Add() { return static_cast<TGLSoundSample*>(TOwnedCollection::Add()); }
  // Add, then LoadFromFile (the new sample stays, without data, when the
  // file cannot be read).
  TGLSoundSample* AddFile(const std::string& fileName);
  // The first sample with this name, without regard to case; nullptr when none.
  TGLSoundSample* GetByName(const std::string& name) const;
};

class TGLSoundLibrary : public TComponent {
  CLIENT_DECLARE_CLASS(TGLSoundLibrary)
public:
  explicit TGLSoundLibrary(TComponent* owner = nullptr);
  ~TGLSoundLibrary() override;

  TGLSoundSamples& Samples() { return FSamples; }
  const TGLSoundSamples& Samples() const { return FSamples; }
  void SetSamples(const TGLSoundSamples& value) { FSamples.Assign(&value); }

private:
  TGLSoundSamples FSamples;
};

// The first library alive with exactly this name; nullptr when none.
TGLSoundLibrary* FindSoundLibrary(const std::string& name);
// Whether the library is alive (a source's cached library may be gone).
bool IsSoundLibraryAlive(const TGLSoundLibrary* library);
