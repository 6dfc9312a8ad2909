#pragma once
// The sound-emitter behaviour: attaches a sound to the scene object that
// owns it. Its Source is the template of the sound; Playing adds a copy of
// it, placed at the object, to the active manager's sources, and takes it
// away again. Changes to the template while it plays (its volume, say)
// reach the playing copy.

#include <memory>
#include <string>

#include "engine/behaviour.h"
#include "sound/sound_source.h"

namespace sound_messages {
inline constexpr const char* kNoActiveSoundManager =
    "No Active Sound Manager.\r\nMake sure manager is created before emitter";
}  // namespace sound_messages

class TGLBSoundEmitter : public TGLBehaviour {
  CLIENT_DECLARE_CLASS(TGLBSoundEmitter)
public:
  TGLBSoundEmitter();
  // Frees the playing source, then the template.
  ~TGLBSoundEmitter() override;

  std::string FriendlyName() const override { return "Sound Emitter"; }
  std::string FriendlyDescription() const override { return "A simple sound emitter behaviour"; }

  TGLSoundSource& Source() { return *FSource; }
  const TGLSoundSource& Source() const { return *FSource; }
  void SetSource(const TGLSoundSource& value) { FSource->Assign(&value); }

  // At design time the stored flag; else whether a source plays.
  bool GetPlaying() const;
  // At design time only stores the flag. Without an active manager tells
  // the user (while sound errors are verbose) and changes nothing. On: a
  // new source in the manager's sources, assigned from the template, at
  // the owning object; off: that source is freed.
  void SetPlaying(bool value);
  // The source that plays in the manager; nullptr when none.
  TGLSoundSource* PlayingSource() const { return FPlayingSource; }

  // From another emitter: its template.
  void Assign(const TPersistent* source) override;
  // After the behaviour's part: version 0, the template, the playing flag.
  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;
  // Outside design time, the playing flag read is applied.
  void Loaded() override;

  // Called by the emitter's sources.
  void SourceGone(TGLSoundSource* source);
  void SourceChanged(TGLSoundSource* source);

private:
  bool Designing() const;

  std::unique_ptr<TGLSoundSource> FSource;
  TGLSoundSource* FPlayingSource = nullptr;
  bool FPlaying = false;
};
