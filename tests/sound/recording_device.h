#pragma once
// An audio device that records each call with its values ("Name(a, b)"),
// for the sound manager's tests. Samples are numbered from 101, channels
// from 201; a test ends a channel's sound with EndChannel and makes calls
// fail with the Fail* switches.

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio/audio_device.h"

class RecordingDevice : public audio::AudioDevice {
public:
  std::vector<std::string> calls;
  bool failInit = false, failStart = false, failLoad = false;

  // The calls since the last Take.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }
  void EndChannel(audio::Handle channel) { ended.insert(channel); }

  static std::string V(const audio::Vec3& v) { return "(" + F(v.x) + " " + F(v.y) + " " + F(v.z) + ")"; }
  static std::string F(float f) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(f));
    return text;
  }

  bool Probe() override { return Log("Probe()"), true; }
  bool Init(int frequency) override { return Log("Init(" + std::to_string(frequency) + ")"), !failInit; }
  bool Start() override { return Log("Start()"), !failStart; }
  bool Stop() override { return Log("Stop()"), true; }
  bool Free() override { return Log("Free()"), true; }
  bool Set3DAlgorithm(audio::Algorithm3D a) override {
    return Log("Set3DAlgorithm(" + std::to_string(static_cast<int>(a)) + ")"), true;
  }
  bool SetVolume(int volume) override { return Log("SetVolume(" + std::to_string(volume) + ")"), true; }
  bool Set3DFactors(float d, float r, float p) override {
    return Log("Set3DFactors(" + F(d) + ", " + F(r) + ", " + F(p) + ")"), true;
  }
  bool SetEnvironment(int preset) override { return Log("SetEnvironment(" + std::to_string(preset) + ")"), true; }
  bool HasEnvironment() override { return true; }
  audio::Handle SampleLoad(const void*, std::size_t size, int max, std::uint32_t flags) override {
    char text[96];
    std::snprintf(text, sizeof text, "SampleLoad(%zu, %d, 0x%X)", size, max, flags);
    Log(text);
    return failLoad ? 0 : nextSample++;
  }
  bool SampleFree(audio::Handle s) override { return Log("SampleFree(" + std::to_string(s) + ")"), true; }
  audio::Handle SamplePlay3D(audio::Handle s, const audio::Vec3& p, const audio::Vec3& o, const audio::Vec3& v) override {
    Log("SamplePlay3D(" + std::to_string(s) + ", " + V(p) + ", " + V(o) + ", " + V(v) + ")");
    return nextChannel++;
  }
  bool ChannelIsActive(audio::Handle c) override {
    Log("ChannelIsActive(" + std::to_string(c) + ")");
    return c != 0 && !ended.count(c);
  }
  bool ChannelSet3DPosition(audio::Handle c, const audio::Vec3& p, const audio::Vec3& o, const audio::Vec3& v) override {
    return Log("ChannelSet3DPosition(" + std::to_string(c) + ", " + V(p) + ", " + V(o) + ", " + V(v) + ")"), true;
  }
  bool ChannelSet3DAttributes(audio::Handle c, int mode, float min, float max, int in, int out, int vol) override {
    return Log("ChannelSet3DAttributes(" + std::to_string(c) + ", " + std::to_string(mode) + ", " + F(min) + ", " +
               F(max) + ", " + std::to_string(in) + ", " + std::to_string(out) + ", " + std::to_string(vol) + ")"),
           true;
  }
  bool ChannelSetAttributes(audio::Handle c, int frequency, int volume, int pan) override {
    return Log("ChannelSetAttributes(" + std::to_string(c) + ", " + std::to_string(frequency) + ", " +
               std::to_string(volume) + ", " + std::to_string(pan) + ")"),
           true;
  }
  bool ChannelStop(audio::Handle c) override { return Log("ChannelStop(" + std::to_string(c) + ")"), true; }
  bool ChannelPause(audio::Handle c) override { return Log("ChannelPause(" + std::to_string(c) + ")"), true; }
  bool ChannelResume(audio::Handle c) override { return Log("ChannelResume(" + std::to_string(c) + ")"), true; }
  bool Set3DPosition(const audio::Vec3& p, const audio::Vec3& v, const audio::Vec3& f, const audio::Vec3& t) override {
    return Log("Set3DPosition(" + V(p) + ", " + V(v) + ", " + V(f) + ", " + V(t) + ")"), true;
  }
  bool Apply3D() override { return Log("Apply3D()"), true; }
  float GetCPU() override { return -1.0f; }
  int ErrorGetCode() override { return audio::kErrorFileFormat; }

private:
  void Log(const std::string& call) { calls.push_back(call); }
  audio::Handle nextSample = 101, nextChannel = 201;
  std::set<audio::Handle> ended;
};
