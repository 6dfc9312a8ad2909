#pragma once
// The 3D view: a widget of the main window that hosts a native window of its
// own with an OpenGL surface (QWidget::createWindowContainer), filling the
// widget. The scene buffer draws into that window through a QtGLContext
// (the engine's context class) and presents each frame itself, so a frame
// costs the scene's drawing and nothing of the widgets around it. A change
// in the scene asks the window for an update; the window renders the scene
// when Qt delivers it (paced by the display), when it is exposed, and never
// while it is hidden. The context is made when the window's platform
// surface first shows and goes before that surface does.
//
// A context that cannot be made (no OpenGL on the display, say) is final:
// the view's place then says that the 3D view could not start and why (the
// failure and what the platform said of it), the failure is reported once,
// and nothing draws or tries again; the rest of the program goes on.
//
// The window never takes the keyboard focus: keys go on reaching the
// window's focused control (the command line). Its mouse and key events
// are handed to this widget as the widget's own, so that the main window's
// filters see them where they saw the view's before.
//
// Sizes given to the buffer and positions given to picking are in device
// pixels: logical sizes and mouse positions times the device pixel ratio.
//
// Only declarations of the engine's types here, so that the windows can
// include this beside their own headers.

#include "client/mud_view.h"
#include "shell/qt_gl_context.h"

#include <QImage>
#include <QSurfaceFormat>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QOpenGLContext;
class QWindow;
class TGL3DSceneBuffer;
class TGLBaseSceneObject;
class TGLCamera;
class ViewerWindow;

enum TVSyncMode { vsmSync, vsmNoSync };

class GL3DSceneViewer : public QWidget {
public:
  // The format the view's window asks for: a compatibility profile (the
  // engine draws with the fixed-function pipeline), double buffered, with
  // the depth and stencil buffers its scene buffer asks for: no stencil
  // unless asked, since depth that shares its words with an unused stencil
  // costs the software renderer more on every pixel it draws.
  QSurfaceFormat RequestedFormat() const;

  explicit GL3DSceneViewer(QWidget* parent = nullptr);
  // Destroys the buffer's context before its window goes.
  ~GL3DSceneViewer() override;

  TGL3DSceneBuffer* GetBuffer() const { return FBuffer.get(); }
  TGLCamera* GetCamera() const;
  void SetCamera(TGLCamera* camera);
  TVSyncMode GetVSync() const { return FVSync; }
  // Takes effect with the next context (the window's format is fixed then).
  void SetVSync(TVSyncMode value);

  float FramesPerSecond() const;
  void ResetPerformanceMonitor();
  // Frames rendered since the performance monitor was last reset.
  int FrameCount() const;

  // The nearest object under a widget position (logical pixels), nullptr
  // for none or before the context exists. Works outside a frame.
  TGLBaseSceneObject* GetPickedObject(int x, int y);
  // Widget position to frame-buffer pixel.
  int ToDevicePixels(int logical) const;

  // Asks the window for a frame (the original's invalidate); the frame
  // comes with the window's next update.
  void Invalidate();
  // Renders a frame now and returns it as the window shows it (device
  // pixels); a null image while the view has no context or is not exposed.
  QImage GrabFrame();
  // The native window the view draws into, and its Qt context (nullptr
  // before the context exists).
  QWindow* NativeWindow() const;
  QOpenGLContext* NativeContext() const;

  // Why the view could not start; empty while it could.
  const std::string& GetStartFailure() const { return FStartFailure; }

  bool GetMouseInControl() const { return FMouseInControl; }
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;
  // A frame that failed; Qt must not see the exception. Unset, the message
  // goes to qWarning.
  std::function<void(const std::string& message)> OnError;

private:
  friend class ViewerWindow;

  // From the window.
  void SurfaceCreated();
  void SurfaceGoing();
  void WindowResized();
  void RenderFrame();
  void MouseEntered(bool inside);

  // Started (or not tried yet), shown, exposed and not in a frame already.
  bool CanDraw() const;
  // The buffer's context on the window; false, with the view's place saying
  // why, when it cannot be made.
  bool StartContext();
  void CouldNotStart(const std::string& reason);
  void DestroyContext();
  void BufferChanged();
  void BufferStructureChanged();
  // The platform window made again in the format asked for now.
  void RemakeWindow();
  void Report(const std::string& message) const;

  std::unique_ptr<TGL3DSceneBuffer> FBuffer;
  // Owned by its container, a child widget of this one.
  ViewerWindow* FWindow = nullptr;
  QWidget* FContainer = nullptr;
  // In the window's place once the view could not start.
  QLabel* FFailureLabel = nullptr;
  std::string FStartFailure;
  TVSyncMode FVSync = vsmNoSync;
  bool FMouseInControl = false;
};

class QtCadencerEventLoop;
class StoredScene;
class TGL3DScene;
class TGLCadencer;
class TGLLightSource;

// A widget as the client core shows and hides it.
class WidgetControl : public MudControl {
public:
  explicit WidgetControl(QWidget& widget) : FWidget(widget) {}
  bool GetVisible() const override { return !FWidget.isHidden(); }
  void SetVisible(bool value) override { FWidget.setVisible(value); }

private:
  QWidget& FWidget;
};

// The viewer as the client core drives it.
class ViewerControl : public MudViewer {
public:
  explicit ViewerControl(GL3DSceneViewer& viewer) : FViewer(viewer) {}
  bool GetVisible() const override { return !FViewer.isHidden(); }
  void SetVisible(bool value) override { FViewer.setVisible(value); }
  TGL3DSceneBuffer* GetBuffer() const override { return FViewer.GetBuffer(); }

private:
  GL3DSceneViewer& FViewer;
};

// The main window's 3D panel and the engine objects around it: the stored
// scene "GL3DScene1" with its material library, cadencer "GLCadencer1" (its
// driver on the Qt loop), fire template and height source (its picture read
// from the program folder), the viewer "GL3DSceneViewer" filling the panel
// (hidden, fog as stored, in the start-up's background colour) and the black
// panel "pnblack" that hides it.
class MainViewPanel {
public:
  // The start-up's background colour of the view, 0x00BBGGRR.
  static constexpr std::uint32_t kStartupBackground = 0xA88760;

  explicit MainViewPanel(QWidget& panel);
  // The viewer goes first, then the cadencer, then the scene.
  ~MainViewPanel();
  MainViewPanel(const MainViewPanel&) = delete;
  MainViewPanel& operator=(const MainViewPanel&) = delete;

  // The end of the start-up: cadencer on, view shown.
  void Start();
  // Closing: the cadencer stops.
  void Stop();

  StoredScene& GetStoredScene() const { return *FStored; }
  TGL3DScene* GetScene() const;
  TGLCamera* GetCamera() const;
  TGLLightSource* GetLight() const;
  GL3DSceneViewer* GetViewer() const { return FViewer.get(); }
  TGLCadencer* GetCadencer() const;
  MudViewer& GetMudViewer() { return *FViewerControl; }
  MudControl& GetBlackPanel() { return *FBlackControl; }
  QWidget* pnblack = nullptr;

private:
  std::unique_ptr<QtCadencerEventLoop> FCadencerLoop;
  std::unique_ptr<StoredScene> FStored;
  std::unique_ptr<GL3DSceneViewer> FViewer;
  std::unique_ptr<ViewerControl> FViewerControl;
  std::unique_ptr<WidgetControl> FBlackControl;
};
