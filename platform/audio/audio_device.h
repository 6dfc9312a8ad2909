#pragma once
// The audio device the sound manager plays through: the calls a 3D sound
// library offers (initialise, load a sample from memory, play it in 3D,
// channel attributes, listener, environment), with plain types, so that the
// manager's logic is free of any audio API and tests can put a recording
// device in its place.
//
// Handles are never 0; 0 is the failure value and ErrorGetCode tells why.
// Calls return true on success. Main thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace audio {

struct Vec3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const Vec3&) const = default;
};

using Handle = std::uint32_t;

// The error codes of ErrorGetCode.
enum ErrorCode : int {
  kOk = 0,
  kErrorMemory = 1,
  kErrorHandle = 5,      // unknown sample or channel
  kErrorInit = 8,        // the device is not initialised
  kErrorStart = 9,       // output could not be started
  kErrorAlready = 14,    // already initialised
  kErrorNoChannel = 18,  // every playback of the sample is taken
  kErrorDevice = 23,     // no playback device
  kErrorNotAvailable = 37,
  kErrorFileFormat = 41,  // the bytes are no sound the decoder reads
  kErrorUnknown = -1,
};

// Sample flags of SampleLoad.
inline constexpr std::uint32_t kSampleLoop = 0x4;
inline constexpr std::uint32_t kSample3D = 0x8;  // mono, placed in 3D
inline constexpr std::uint32_t kSampleSoftware = 0x40;
// When every playback of a sample is taken, a new one replaces the playback
// farthest from the listener.
inline constexpr std::uint32_t kSampleOverrideFarthest = 0x30000;

// Ways of placing a channel (ChannelSet3DAttributes).
inline constexpr int kMode3DNormal = 0;    // at its position in the world
inline constexpr int kMode3DRelative = 1;  // position relative to the listener
inline constexpr int kMode3DOff = 2;       // at the listener, not placed

// 3D processing, in the order of the manager's algorithm choice.
enum class Algorithm3D { Default, Off, Full, Light };

// The number of environment presets (SetEnvironment takes 0 to kEnvironmentCount - 1).
inline constexpr int kEnvironmentCount = 26;

class AudioDevice {
public:
  virtual ~AudioDevice() = default;

  // Opens the device and keeps it open for Init; true when it could be
  // opened (or is open).
  virtual bool Probe() = 0;
  // Opens the device, unless Probe did, with the output rate (samples per
  // second).
  virtual bool Init(int frequency) = 0;
  virtual bool Start() = 0;
  virtual bool Stop() = 0;
  // Closes the device; every sample and channel goes.
  virtual bool Free() = 0;

  virtual bool Set3DAlgorithm(Algorithm3D algorithm) = 0;
  // Master volume, 0 to 100.
  virtual bool SetVolume(int volume) = 0;
  // Metres per unit of the world, roll-off and doppler factors.
  virtual bool Set3DFactors(float distance, float rollOff, float doppler) = 0;
  // One of the environment presets (0 = the generic one).
  virtual bool SetEnvironment(int preset) = 0;
  virtual bool HasEnvironment() = 0;

  // The sound in the bytes (a whole WAV or MP3 file), at most maxPlaybacks
  // at once. 0 on failure.
  virtual Handle SampleLoad(const void* data, std::size_t size, int maxPlaybacks, std::uint32_t flags) = 0;
  // Stops the sample's channels and frees it.
  virtual bool SampleFree(Handle sample) = 0;
  // A new channel of the sample at the position, facing orientation, moving
  // with velocity; it starts with the next Apply3D. 0 on failure.
  virtual Handle SamplePlay3D(Handle sample, const Vec3& position, const Vec3& orientation, const Vec3& velocity) = 0;

  // Playing or paused (a sound that does not loop stops at its end).
  virtual bool ChannelIsActive(Handle channel) = 0;
  virtual bool ChannelSet3DPosition(Handle channel, const Vec3& position, const Vec3& orientation,
                                    const Vec3& velocity) = 0;
  // Cone angles in degrees (0 to 360), outside volume 0 to 100.
  virtual bool ChannelSet3DAttributes(Handle channel, int mode, float minDistance, float maxDistance,
                                      int insideAngle, int outsideAngle, int outsideVolume) = 0;
  // Frequency: -1 unchanged, 0 the sample's own, else samples per second.
  // Volume: -1 unchanged, else 0 to 100. Pan: -101 unchanged (a placed
  // channel takes its side from its position).
  virtual bool ChannelSetAttributes(Handle channel, int frequency, int volume, int pan) = 0;
  // Stops the channel; its handle is no longer valid.
  virtual bool ChannelStop(Handle channel) = 0;
  virtual bool ChannelPause(Handle channel) = 0;
  virtual bool ChannelResume(Handle channel) = 0;

  // The listener: position, velocity (units per second), front and top.
  virtual bool Set3DPosition(const Vec3& position, const Vec3& velocity, const Vec3& front, const Vec3& top) = 0;
  // Starts the channels played since the last call.
  virtual bool Apply3D() = 0;
  // Share of the processor spent mixing (0 to 1), negative when unknown.
  virtual float GetCPU() = 0;
  // The error of the last failed call.
  virtual int ErrorGetCode() = 0;
};

// Where the sound manager and the start-up get their device from: the
// default playback device unless replaced (tests put a loopback device, a
// recording one or none at all here). The factory may return nullptr: no
// device on this machine.
using DeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;

// The factory in use. Opening the playback device is slow and, on a
// machine without sound, makes the system's audio layer print its errors:
// it is asked once, and what it answered holds until the factory is
// replaced.
class PlaybackDeviceSource {
public:
  // Replaces the factory; what the last one answered is forgotten.
  PlaybackDeviceSource& operator=(DeviceFactory factory);
  operator DeviceFactory() const { return FFactory; }

  // The device that PlaybackDeviceAvailable opened, while nobody has taken
  // it; else a new one from the factory.
  std::unique_ptr<AudioDevice> Create();
  // Probes a device from the factory the first time and keeps it, open, for
  // the next Create; later calls give the same answer without a device.
  bool Available();

private:
  DeviceFactory FFactory;
  std::optional<bool> FAvailable;
  std::unique_ptr<AudioDevice> FProbed;
};

PlaybackDeviceSource& PlaybackDeviceFactory();
// PlaybackDeviceFactory().Create().
std::unique_ptr<AudioDevice> CreatePlaybackDevice();
// PlaybackDeviceFactory().Available(): whether the factory gives a device
// that opens.
bool PlaybackDeviceAvailable();

}  // namespace audio
