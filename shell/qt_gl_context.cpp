#include "shell/qt_gl_context.h"  // first: see there

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QWindow>

#include "engine/gl_api.h"

namespace {

constexpr const char* kClassName = "QtGLContext";

GLProcAddress LoadFromCurrentContext(const char* name) {
  QOpenGLContext* current = QOpenGLContext::currentContext();
  return current ? reinterpret_cast<GLProcAddress>(current->getProcAddress(name)) : nullptr;
}

QOpenGLContext* NativeOf(TGLContext* context) {
  auto* qt = dynamic_cast<QtGLContext*>(context);
  return qt ? qt->NativeContext() : nullptr;
}

// The partner's Qt context; without a partner Qt's global share context
// when the application shares all of them. Raises for a partner of another
// class or one not yet made.
QOpenGLContext* SharePartnerOf(TGLContext* sharePartner) {
  if (!sharePartner) return QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts)
                                 ? QOpenGLContext::globalShareContext()
                                 : nullptr;
  QOpenGLContext* partner = NativeOf(sharePartner);
  if (!partner) throw EGLContext("Incompatible contexts");
  return partner;
}

// Whatever was current on the thread, bound again when this goes.
class KeepCurrent {
public:
  KeepCurrent() : context_(QOpenGLContext::currentContext()), surface_(context_ ? context_->surface() : nullptr) {}
  ~KeepCurrent() {
    if (context_ && surface_) context_->makeCurrent(surface_);
  }
  KeepCurrent(const KeepCurrent&) = delete;
  KeepCurrent& operator=(const KeepCurrent&) = delete;
  // Nothing to bind again when the context that was current is `gone`.
  void Forget(const QOpenGLContext* gone) {
    if (context_ == gone) context_ = nullptr;
  }

private:
  QOpenGLContext* context_;
  QSurface* surface_;
};

}  // namespace

QtGLContext::QtGLContext(TGLContextManager* manager) : TGLContext(manager) {}

QtGLContext::~QtGLContext() { DestroyContextOnDestruction(); }

TGLOutputDevice QtGLContext::DeviceOf(QWindow* window) { return reinterpret_cast<TGLOutputDevice>(window); }

bool QtGLContext::IsValid() const {
  if (!context_ || !context_->isValid()) return false;
  return window_ ? window_->handle() != nullptr : fbo_ != nullptr;
}

TGLOutputDevice QtGLContext::RenderOutputDevice() const { return DeviceOf(window_); }

void QtGLContext::SwapBuffers() {
  if (!window_ || !(GetOptions() & rcoDoubleBuffered)) return;
  if (capture_) {
    capture_ = false;
    captured_ = ReadFrame();
  }
  context_->swapBuffers(window_);
}

QImage QtGLContext::ReadFrame() const {
  const qreal ratio = window_->devicePixelRatio();
  const int width = qRound(window_->width() * ratio), height = qRound(window_->height() * ratio);
  QImage frame(width, height, QImage::Format_RGBA8888);
  if (frame.isNull()) return frame;
  const GLApi& gl = GL();
  gl.glReadBuffer(GL_BACK);
  gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl.glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.bits());
  // GL's rows run bottom-up.
  frame = frame.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
  frame.setDevicePixelRatio(ratio);
  return frame;
}

void QtGLContext::DoActivate() {
  if (window_) {
    if (!context_->makeCurrent(window_)) throw EGLContext("Context activation failed: the view's window");
  } else {
    if (!context_->makeCurrent(surface_.get())) throw EGLContext("Context activation failed: off-screen surface");
    fbo_->bind();
  }
  LoadDriverGLApi(&LoadFromCurrentContext);
}

void QtGLContext::DoDeactivate() {
  if (fbo_) fbo_->release();
  context_->doneCurrent();
}

void QtGLContext::DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) {
  auto* window = reinterpret_cast<QWindow*>(device);
  if (!window || window->surfaceType() != QSurface::OpenGLSurface || !window->handle())
    throw EGLContext("Failed to create RenderingContext.");
  QOpenGLContext* partner = SharePartnerOf(sharePartner);
  auto context = std::make_unique<QOpenGLContext>();
  context->setFormat(window->requestedFormat());
  if (partner) context->setShareContext(partner);
  if (!context->create()) throw EGLContext("Failed to create RenderingContext.");
  if (partner && !QOpenGLContext::areSharing(partner, context.get())) throw EGLContext("Incompatible contexts");
  context_ = std::move(context);
  window_ = window;
  SetAcceleration(TGLContextAcceleration::Unknown);
}

void QtGLContext::DoCreateMemoryContext(TGLOutputDevice, int width, int height, int, TGLContext* sharePartner) {
  QOpenGLContext* partner = sharePartner ? SharePartnerOf(sharePartner) : nullptr;
  auto context = std::make_unique<QOpenGLContext>();
  QSurfaceFormat format = partner ? partner->format() : QSurfaceFormat::defaultFormat();
  context->setFormat(format);
  if (partner) context->setShareContext(partner);
  if (!context->create()) throw EGLContext("Failed to create RenderingContext.");
  auto surface = std::make_unique<QOffscreenSurface>();
  surface->setFormat(context->format());
  surface->create();
  // What was current (the view, perhaps mid-frame) is bound again after.
  KeepCurrent keep;
  if (!context->makeCurrent(surface.get())) throw EGLContext("Context activation failed: off-screen surface");
  auto fbo = std::make_unique<QOpenGLFramebufferObject>(width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
  const bool valid = fbo->isValid();
  context->doneCurrent();
  if (!valid) throw EGLContext("Failed to create RenderingContext.");
  context_ = std::move(context);
  surface_ = std::move(surface);
  fbo_ = std::move(fbo);
}

void QtGLContext::DoShareLists(TGLContext* other) {
  QOpenGLContext* mine = NativeContext();
  QOpenGLContext* theirs = NativeOf(other);
  if (!mine || !theirs || !QOpenGLContext::areSharing(mine, theirs)) throw EGLContext("Incompatible contexts");
}

void QtGLContext::DoDestroyContext() {
  if (!context_) return;
  KeepCurrent keep;
  keep.Forget(context_.get());
  // A frame buffer object is deleted in its own context.
  if (fbo_ && context_->makeCurrent(surface_.get())) {
    fbo_.reset();
    context_->doneCurrent();
  }
  fbo_.reset();
  context_.reset();
  surface_.reset();
  window_ = nullptr;
  captured_ = QImage();
}

void RegisterQtGLContextClass() {
  UnRegisterGLContextClass(kClassName);
  RegisterGLContextClass(kClassName, [](TGLContextManager* manager) {
    return std::unique_ptr<TGLContext>(std::make_unique<QtGLContext>(manager));
  });
}
