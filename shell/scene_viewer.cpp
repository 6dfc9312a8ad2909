#include "shell/scene_viewer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPlatformSurfaceEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <exception>

#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/fog_environment.h"
#include "engine/light_source.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/scene_node.h"
#include "client/client_helpers.h"
#include "shell/cadencer_driver.h"
#include "shell/core/stored_scene.h"
#include "shell/qt_gl_context.h"

namespace {

QtGLContext* QtContextOf(const TGL3DSceneBuffer& buffer) {
  return dynamic_cast<QtGLContext*>(buffer.GetRenderingContext());
}

bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return true;
    default:
      return false;
  }
}

// What Qt says while it lives, passed on as Qt would have: when a context
// cannot be made, Qt's words say why (no GLX, no EGL), the failure's
// message does not.
class QtWordsHeard {
public:
  QtWordsHeard() : FPrevious(qInstallMessageHandler(&Hear)) { Current() = this; }
  ~QtWordsHeard() {
    Current() = nullptr;
    qInstallMessageHandler(FPrevious);
  }
  QtWordsHeard(const QtWordsHeard&) = delete;
  QtWordsHeard& operator=(const QtWordsHeard&) = delete;
  const std::string& Text() const { return FText; }

private:
  static QtWordsHeard*& Current() {
    static QtWordsHeard* current = nullptr;
    return current;
  }
  static void Hear(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QtWordsHeard* heard = Current();
    if (heard && type != QtDebugMsg) {
      if (!heard->FText.empty()) heard->FText += ' ';
      heard->FText += message.toStdString();
    }
    if (heard && heard->FPrevious)
      heard->FPrevious(type, context, message);
    else
      std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }

  QtMessageHandler FPrevious;
  std::string FText;
};

}  // namespace

// The native window the view draws into. It fills the viewer widget (at its
// origin), so its positions are the widget's.
class ViewerWindow : public QWindow {
public:
  explicit ViewerWindow(GL3DSceneViewer& viewer) : FViewer(viewer) {
    setSurfaceType(QSurface::OpenGLSurface);
    setFlag(Qt::WindowDoesNotAcceptFocus);
    setFormat(viewer.RequestedFormat());
  }

protected:
  bool event(QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::UpdateRequest) {
      FViewer.RenderFrame();
      return true;
    }
    if (type == QEvent::PlatformSurface) {
      if (static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() == QPlatformSurfaceEvent::SurfaceCreated)
        FViewer.SurfaceCreated();
      else
        FViewer.SurfaceGoing();
    }
    if (type == QEvent::Enter || type == QEvent::Leave) FViewer.MouseEntered(type == QEvent::Enter);
    if (IsInputEvent(type)) {
      // The viewer's own event, for the filters and handlers above it.
      const std::unique_ptr<QEvent> copy(event->clone());
      QCoreApplication::sendEvent(&FViewer, copy.get());
      event->setAccepted(copy->isAccepted());
      return true;
    }
    return QWindow::event(event);
  }
  void exposeEvent(QExposeEvent*) override {
    if (isExposed()) FViewer.RenderFrame();
  }
  void resizeEvent(QResizeEvent*) override { FViewer.WindowResized(); }

private:
  GL3DSceneViewer& FViewer;
};

QSurfaceFormat GL3DSceneViewer::RequestedFormat() const {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setDepthBufferSize(FBuffer->RequestedDepthBits());
  format.setStencilBufferSize(FBuffer->RequestedStencilBits());
  format.setSwapInterval(FVSync == vsmSync ? 1 : 0);
  return format;
}

GL3DSceneViewer::GL3DSceneViewer(QWidget* parent) : QWidget(parent), FBuffer(std::make_unique<TGL3DSceneBuffer>()) {
  setObjectName("GL3DSceneViewer");
  resize(100, 100);
  setMouseTracking(true);
  RegisterQtGLContextClass();
  FWindow = new ViewerWindow(*this);
  FContainer = QWidget::createWindowContainer(FWindow, this);
  FContainer->setObjectName("GL3DSceneViewerWindow");
  FContainer->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QVBoxLayout(this);  // owned by the viewer
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FContainer);
  FFailureLabel = new QLabel(this);
  FFailureLabel->setObjectName("GL3DSceneViewerFailure");
  FFailureLabel->setAlignment(Qt::AlignCenter);
  FFailureLabel->setWordWrap(true);
  FFailureLabel->setMargin(12);
  FFailureLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FFailureLabel->setAutoFillBackground(true);
  QPalette palette = FFailureLabel->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::WindowText, Qt::white);
  FFailureLabel->setPalette(palette);
  FFailureLabel->hide();
  layout->addWidget(FFailureLabel);
  FBuffer->OnChange = [this](TObject*) { BufferChanged(); };
  FBuffer->OnStructuralChange = [this](TObject*) { BufferStructureChanged(); };
}

TGLCamera* GL3DSceneViewer::GetCamera() const { return FBuffer->GetCamera(); }
void GL3DSceneViewer::SetCamera(TGLCamera* camera) { FBuffer->SetCamera(camera); }
float GL3DSceneViewer::FramesPerSecond() const { return FBuffer->GetFramesPerSecond(); }
void GL3DSceneViewer::ResetPerformanceMonitor() { FBuffer->ResetPerformanceMonitor(); }
int GL3DSceneViewer::FrameCount() const { return FBuffer->GetFrameCount(); }
QWindow* GL3DSceneViewer::NativeWindow() const { return FWindow; }

QOpenGLContext* GL3DSceneViewer::NativeContext() const {
  const QtGLContext* context = QtContextOf(*FBuffer);
  return context ? context->NativeContext() : nullptr;
}

GL3DSceneViewer::~GL3DSceneViewer() {
  // The context goes while its window still exists; the window goes with
  // its container while this viewer is still whole.
  DestroyContext();
  delete FContainer;
  FContainer = nullptr;
  FWindow = nullptr;
}

void GL3DSceneViewer::SetVSync(TVSyncMode value) {
  if (value == FVSync) return;
  FVSync = value;
  FWindow->setFormat(RequestedFormat());
}

int GL3DSceneViewer::ToDevicePixels(int logical) const {
  return static_cast<int>(std::lround(logical * devicePixelRatioF()));
}

bool GL3DSceneViewer::StartContext() {
  if (!FStartFailure.empty()) return false;
  QtWordsHeard heard;
  try {
    FBuffer->Resize(ToDevicePixels(FWindow->width()), ToDevicePixels(FWindow->height()));
    FBuffer->CreateRenderingContext(QtGLContext::DeviceOf(FWindow), false);
    return true;
  } catch (const std::exception& e) {
    std::string reason = e.what();
    if (!heard.Text().empty()) reason += " " + heard.Text();
    CouldNotStart(reason);
    return false;
  }
}

void GL3DSceneViewer::CouldNotStart(const std::string& reason) {
  // The platform will not give another context; trying again with every
  // frame would only say so again.
  FStartFailure = reason;
  FContainer->hide();
  FFailureLabel->setText(QString::fromStdString("The 3D view could not start.\n\n" + reason +
                                                "\n\nThe text of the game and the command line work without it."));
  FFailureLabel->show();
  Report("The 3D view could not start: " + reason);
  // The window goes too, out of its own events: hidden, it was still
  // left mapped on the display, covering the text with what lay there.
  QTimer::singleShot(0, this, [this] {
    if (FWindow) FWindow->destroy();
  });
}

void GL3DSceneViewer::DestroyContext() {
  if (!FBuffer->HasRenderingContext()) return;
  try {
    // The buffer's display lists and textures are deleted in its context.
    FBuffer->DestroyRenderingContext();
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void GL3DSceneViewer::SurfaceCreated() {
  // As a window control makes its context with its window: picking works
  // before the first frame.
  StartContext();
}

void GL3DSceneViewer::SurfaceGoing() { DestroyContext(); }

void GL3DSceneViewer::WindowResized() {
  if (!FWindow) return;
  try {
    FBuffer->Resize(ToDevicePixels(FWindow->width()), ToDevicePixels(FWindow->height()));
  } catch (const std::exception& e) {
    Report(e.what());
  }
  FWindow->requestUpdate();
}

bool GL3DSceneViewer::CanDraw() const {
  // The window hears that it was hidden only after the server unmaps it.
  return FStartFailure.empty() && FWindow && isVisible() && FWindow->isExposed() && !FBuffer->IsRendering();
}

void GL3DSceneViewer::RenderFrame() {
  if (!CanDraw()) return;
  // The first frame on a new surface makes the context.
  if (!FBuffer->HasRenderingContext() && !StartContext()) return;
  try {
    FBuffer->Render();
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void GL3DSceneViewer::Invalidate() {
  if (FWindow) FWindow->requestUpdate();
}

QImage GL3DSceneViewer::GrabFrame() {
  if (!CanDraw()) return {};
  if (!FBuffer->HasRenderingContext() && !StartContext()) return {};
  QtGLContext* context = QtContextOf(*FBuffer);
  if (!context) return {};
  context->CaptureNextFrame(true);
  RenderFrame();
  context = QtContextOf(*FBuffer);  // a failed frame may have left none
  if (!context) return {};
  context->CaptureNextFrame(false);
  return context->TakeCapturedFrame();
}

TGLBaseSceneObject* GL3DSceneViewer::GetPickedObject(int x, int y) {
  if (!FBuffer->HasRenderingContext() || FBuffer->IsRendering()) return nullptr;
  // The buffer activates its context on the window itself.
  return FBuffer->GetPickedObject(ToDevicePixels(x), ToDevicePixels(y));
}

void GL3DSceneViewer::BufferChanged() {
  if (!FBuffer->IsRendering()) Invalidate();
}

void GL3DSceneViewer::BufferStructureChanged() {
  // Depth or stencil of another size needs a window of another format.
  const QSurfaceFormat wanted = RequestedFormat();
  const QSurfaceFormat current = FWindow->requestedFormat();
  if (wanted.depthBufferSize() != current.depthBufferSize() ||
      wanted.stencilBufferSize() != current.stencilBufferSize()) {
    FWindow->setFormat(wanted);
    if (FWindow->handle()) RemakeWindow();
    return;
  }
  // Other options that need another context: made again on the same window.
  if (!FBuffer->HasRenderingContext()) return;
  DestroyContext();
  if (FWindow->handle()) StartContext();
  Invalidate();
}

void GL3DSceneViewer::RemakeWindow() {
  // The surface events destroy the context with the old window and make it
  // with the new one.
  const bool shown = FWindow->isVisible();
  FWindow->destroy();
  FWindow->create();
  if (shown) FWindow->setVisible(true);
  Invalidate();
}

void GL3DSceneViewer::MouseEntered(bool inside) {
  FMouseInControl = inside;
  if (inside && OnMouseEnter) OnMouseEnter();
  if (!inside && OnMouseLeave) OnMouseLeave();
}

void GL3DSceneViewer::Report(const std::string& message) const {
  if (OnError)
    OnError(message);
  else
    qWarning("%s", message.c_str());
}

MainViewPanel::MainViewPanel(QWidget& panel)
    : FCadencerLoop(std::make_unique<QtCadencerEventLoop>()), FStored(std::make_unique<StoredScene>()) {
  try {
    FStored->LoadHeightPicture(GetApplicationFolder());
  } catch (const std::exception& e) {
    // The client core reports the empty elevation when it is built.
    qWarning("%s", e.what());
  }

  FViewer = std::make_unique<GL3DSceneViewer>(&panel);
  auto* layout = new QVBoxLayout(&panel);  // owned by the panel
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FViewer.get());
  pnblack = new QWidget(&panel);
  pnblack->setObjectName("pnblack");
  QPalette black = pnblack->palette();
  black.setColor(QPalette::Window, Qt::black);
  pnblack->setPalette(black);
  pnblack->setAutoFillBackground(true);
  pnblack->hide();
  layout->addWidget(pnblack);
  ApplyStoredViewerSettings(*FViewer->GetBuffer(), FStored->GetCamera());
  // Set before the client core's first update, which colours it by the hour.
  FViewer->GetBuffer()->SetBackgroundColor(static_cast<TColor>(kStartupBackground));
  FViewer->hide();
  FViewerControl = std::make_unique<ViewerControl>(*FViewer);
  FBlackControl = std::make_unique<WidgetControl>(*pnblack);
}

MainViewPanel::~MainViewPanel() {
  FViewerControl.reset();
  FViewer.reset();
  FStored.reset();
}

TGL3DScene* MainViewPanel::GetScene() const { return FStored->GetScene(); }
TGLCamera* MainViewPanel::GetCamera() const { return FStored->GetCamera(); }
TGLLightSource* MainViewPanel::GetLight() const { return FStored->GetLight(); }
TGLCadencer* MainViewPanel::GetCadencer() const { return FStored->GetCadencer(); }

void MainViewPanel::Start() {
  GetCadencer()->SetEnabled(true);
  FViewer->show();
}

void MainViewPanel::Stop() { GetCadencer()->SetEnabled(false); }
