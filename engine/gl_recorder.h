#pragma once
// A wrapping function table that notes every GL and GLU call (name and
// arguments) before passing it on to an inner table. Installed for its own
// lifetime; only one recorder is installed at a time.
//
//   GLCallRecorder calls;               // wraps the driver's table
//   SetGLState(states, stBlend);
//   EXPECT_EQ(calls.Count("glEnable"), 1);

#include <string>
#include <string_view>
#include <vector>

#include "engine/gl_api.h"

struct GLCall {
  std::string Name;
  // Integers, enums and floats as their value, pointers as their address.
  std::vector<double> Args;
};

class GLCallRecorder {
public:
  // Wraps `inner`, which must outlive the recorder. Entries that are null in
  // `inner` (absent extensions) stay null, and its extension flags and
  // version are copied as they are now.
  explicit GLCallRecorder(const GLApi& inner = GLDriverApi());
  ~GLCallRecorder();
  GLCallRecorder(const GLCallRecorder&) = delete;
  GLCallRecorder& operator=(const GLCallRecorder&) = delete;

  const std::vector<GLCall>& Calls() const { return calls_; }
  int Count(std::string_view name) const;
  // The calls of that name in order, for checking their arguments.
  std::vector<GLCall> CallsOf(std::string_view name) const;
  // The names in call order, for comparing a whole sequence.
  std::vector<std::string> Names() const;
  void Clear() { calls_.clear(); }

  // While paused, calls pass through unrecorded (reading state back in a
  // test without polluting the log).
  void SetPaused(bool paused) { paused_ = paused; }

  const GLApi& Inner() const { return *inner_; }
  // Called by the wrappers.
  void Note(const char* name, std::vector<double> args);

private:
  const GLApi* inner_;
  GLApi table_;
  const GLApi* previous_;
  std::vector<GLCall> calls_;
  bool paused_ = false;
};
