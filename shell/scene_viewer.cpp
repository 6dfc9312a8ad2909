#include "shell/scene_viewer.h"

#include <QEnterEvent>
#include <QOpenGLContext>
#include <cmath>
#include <exception>

#include <QVBoxLayout>

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

}  // namespace

QSurfaceFormat GL3DSceneViewer::RequestedFormat(TVSyncMode vsync) {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(8);
  format.setSwapInterval(vsync == vsmSync ? 1 : 0);
  return format;
}

GL3DSceneViewer::GL3DSceneViewer(QWidget* parent) : QOpenGLWidget(parent), FBuffer(std::make_unique<TGL3DSceneBuffer>()) {
  setObjectName("GL3DSceneViewer");
  // Before the widget is created: the context is made with this format.
  setFormat(RequestedFormat(FVSync));
  resize(100, 100);
  setMouseTracking(true);
  RegisterQtGLContextClass();
  FBuffer->OnChange = [this](TObject*) { BufferChanged(); };
  FBuffer->OnStructuralChange = [this](TObject*) { BufferStructureChanged(); };
}

TGLCamera* GL3DSceneViewer::GetCamera() const { return FBuffer->GetCamera(); }
void GL3DSceneViewer::SetCamera(TGLCamera* camera) { FBuffer->SetCamera(camera); }
float GL3DSceneViewer::FramesPerSecond() const { return FBuffer->GetFramesPerSecond(); }
void GL3DSceneViewer::ResetPerformanceMonitor() { FBuffer->ResetPerformanceMonitor(); }
int GL3DSceneViewer::FrameCount() const { return FBuffer->GetFrameCount(); }

GL3DSceneViewer::~GL3DSceneViewer() {
  // The widget's own destructor destroys its GL context later, when this
  // object is no longer a viewer.
  disconnect(FContextWatch);
  DestroyContext();
}

void GL3DSceneViewer::SetVSync(TVSyncMode value) {
  if (value == FVSync) return;
  FVSync = value;
  if (!context()) setFormat(RequestedFormat(FVSync));
}

int GL3DSceneViewer::ToDevicePixels(int logical) const {
  return static_cast<int>(std::lround(logical * devicePixelRatioF()));
}

void GL3DSceneViewer::CreateContext() {
  FBuffer->Resize(ToDevicePixels(width()), ToDevicePixels(height()));
  FBuffer->CreateRenderingContext(QtGLContext::DeviceOf(this), false);
}

void GL3DSceneViewer::DestroyContext() {
  if (!FBuffer->HasRenderingContext()) return;
  // The buffer's display lists and textures are deleted in the widget's
  // context, which must be current for it.
  if (context()) makeCurrent();
  try {
    FBuffer->DestroyRenderingContext();
  } catch (const std::exception& e) {
    Report(e.what());
  }
  if (context()) doneCurrent();
}

void GL3DSceneViewer::initializeGL() {
  // The widget's context goes when the widget moves to another window; the
  // engine's context goes first.
  disconnect(FContextWatch);
  FContextWatch = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { DestroyContext(); },
                          Qt::DirectConnection);
  try {
    CreateContext();
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void GL3DSceneViewer::resizeGL(int w, int h) {
  // Called with the context current and the frame buffer bound.
  try {
    FBuffer->Resize(ToDevicePixels(w), ToDevicePixels(h));
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void GL3DSceneViewer::paintGL() {
  QtGLContext* context = QtContextOf(*FBuffer);
  if (!context) return;
  context->SetPainting(true);
  try {
    FBuffer->Render();
  } catch (const std::exception& e) {
    Report(e.what());
  }
  context->SetPainting(false);
}

TGLBaseSceneObject* GL3DSceneViewer::GetPickedObject(int x, int y) {
  if (!FBuffer->HasRenderingContext() || FBuffer->IsRendering()) return nullptr;
  // The buffer activates its context (the widget's, made current) itself.
  return FBuffer->GetPickedObject(ToDevicePixels(x), ToDevicePixels(y));
}

void GL3DSceneViewer::BufferChanged() {
  if (!FBuffer->IsRendering()) update();
}

void GL3DSceneViewer::BufferStructureChanged() {
  // Options that need another context: the buffer's context is made again
  // on the widget's (Qt keeps the widget's format).
  if (!context()) return;
  DestroyContext();
  makeCurrent();
  try {
    CreateContext();
  } catch (const std::exception& e) {
    Report(e.what());
  }
  doneCurrent();
  update();
}

void GL3DSceneViewer::enterEvent(QEnterEvent* event) {
  QOpenGLWidget::enterEvent(event);
  FMouseInControl = true;
  if (OnMouseEnter) OnMouseEnter();
}

void GL3DSceneViewer::leaveEvent(QEvent* event) {
  QOpenGLWidget::leaveEvent(event);
  FMouseInControl = false;
  if (OnMouseLeave) OnMouseLeave();
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
