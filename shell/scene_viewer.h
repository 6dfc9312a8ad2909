#pragma once
// The 3D view: a Qt OpenGL widget with a compatibility-profile context that
// hosts a scene buffer. The engine reaches the widget's context through a
// QtGLContext; a change in the scene invalidates the widget, and its paint
// renders the scene through the buffer (Qt presents the frame).
//
// Sizes given to the buffer and positions given to picking are in device
// pixels: the widget's logical size and mouse positions times its device
// pixel ratio.
//
// Only declarations of the engine's types here, so that the windows can
// include this beside their own headers.

#include "client/mud_view.h"
#include "shell/qt_gl_context.h"

#include <QOpenGLWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TGL3DSceneBuffer;
class TGLBaseSceneObject;
class TGLCamera;

enum TVSyncMode { vsmSync, vsmNoSync };

class GL3DSceneViewer : public QOpenGLWidget {
public:
  // The format every viewer asks for: a compatibility profile (the engine
  // draws with the fixed-function pipeline), depth and stencil buffers.
  static QSurfaceFormat RequestedFormat(TVSyncMode vsync = vsmNoSync);

  explicit GL3DSceneViewer(QWidget* parent = nullptr);
  // Destroys the buffer's context while the widget's GL context still exists.
  ~GL3DSceneViewer() override;

  TGL3DSceneBuffer* GetBuffer() const { return FBuffer.get(); }
  TGLCamera* GetCamera() const;
  void SetCamera(TGLCamera* camera);
  // Only before the widget is first shown: Qt fixes the swap interval with
  // the context.
  TVSyncMode GetVSync() const { return FVSync; }
  void SetVSync(TVSyncMode value);

  float FramesPerSecond() const;
  void ResetPerformanceMonitor();
  // Frames rendered since the performance monitor was last reset.
  int FrameCount() const;

  // The nearest object under a widget position (logical pixels), nullptr
  // for none or before the context exists. Works outside paint.
  TGLBaseSceneObject* GetPickedObject(int x, int y);
  // Widget position to frame-buffer pixel.
  int ToDevicePixels(int logical) const;

  bool GetMouseInControl() const { return FMouseInControl; }
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;
  // A frame that failed; Qt must not see the exception. Unset, the message
  // goes to qWarning.
  std::function<void(const std::string& message)> OnError;

protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  void CreateContext();
  void DestroyContext();
  void BufferChanged();
  void BufferStructureChanged();
  void Report(const std::string& message) const;

  std::unique_ptr<TGL3DSceneBuffer> FBuffer;
  QMetaObject::Connection FContextWatch;
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
