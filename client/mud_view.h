#pragma once
// What the client core sees of the main window's controls: the 3D view (its
// scene buffer holds the background colour and the fog) and the black panel
// that hides it. The main window implements them over its widgets; the plain
// ones serve windowless use (tests, benchmarks, fuzzing).

#include <memory>

class TGL3DSceneBuffer;

class MudControl {
public:
  virtual ~MudControl() = default;
  virtual bool GetVisible() const = 0;
  virtual void SetVisible(bool value) = 0;
};

class MudViewer : public MudControl {
public:
  virtual TGL3DSceneBuffer* GetBuffer() const = 0;
};

class PlainControl : public MudControl {
public:
  explicit PlainControl(bool visible = false) : FVisible(visible) {}
  bool GetVisible() const override { return FVisible; }
  void SetVisible(bool value) override { FVisible = value; }

private:
  bool FVisible;
};

// A viewer without a window: a scene buffer of its own, never rendered.
class PlainViewer : public MudViewer {
public:
  PlainViewer();
  ~PlainViewer() override;
  bool GetVisible() const override { return FVisible; }
  void SetVisible(bool value) override { FVisible = value; }
  TGL3DSceneBuffer* GetBuffer() const override { return FBuffer.get(); }

private:
  std::unique_ptr<TGL3DSceneBuffer> FBuffer;
  bool FVisible = false;
};
