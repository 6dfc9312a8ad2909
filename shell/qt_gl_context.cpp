#include "shell/qt_gl_context.h"  // first: see there

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLWidget>

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

}  // namespace

QtGLContext::QtGLContext(TGLContextManager* manager) : TGLContext(manager) {}

QtGLContext::~QtGLContext() { DestroyContextOnDestruction(); }

TGLOutputDevice QtGLContext::DeviceOf(QOpenGLWidget* widget) { return reinterpret_cast<TGLOutputDevice>(widget); }

bool QtGLContext::IsValid() const {
  if (widget_) return widget_->context() != nullptr && widget_->context()->isValid();
  return context_ != nullptr && fbo_ != nullptr;
}

TGLOutputDevice QtGLContext::RenderOutputDevice() const { return DeviceOf(widget_); }

QOpenGLContext* QtGLContext::NativeContext() const { return widget_ ? widget_->context() : context_.get(); }

void QtGLContext::DoActivate() {
  if (widget_) {
    widget_->makeCurrent();
    if (QOpenGLContext::currentContext() != widget_->context())
      throw EGLContext("Context activation failed: the view has no GL context");
  } else {
    if (!context_->makeCurrent(surface_.get())) throw EGLContext("Context activation failed: off-screen surface");
    fbo_->bind();
  }
  LoadDriverGLApi(&LoadFromCurrentContext);
}

void QtGLContext::DoDeactivate() {
  if (widget_) {
    if (!painting_) widget_->doneCurrent();
  } else {
    fbo_->release();
    context_->doneCurrent();
  }
}

void QtGLContext::DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) {
  auto* widget = reinterpret_cast<QOpenGLWidget*>(device);
  if (!widget || !widget->context()) throw EGLContext("Failed to create RenderingContext.");
  if (QOpenGLContext* partner = NativeOf(sharePartner);
      sharePartner && (!partner || !QOpenGLContext::areSharing(partner, widget->context())))
    throw EGLContext("Incompatible contexts");
  widget_ = widget;
  SetAcceleration(TGLContextAcceleration::Unknown);
}

void QtGLContext::DoCreateMemoryContext(TGLOutputDevice, int width, int height, int, TGLContext* sharePartner) {
  QOpenGLContext* partner = NativeOf(sharePartner);
  if (sharePartner && !partner) throw EGLContext("Incompatible contexts");
  auto context = std::make_unique<QOpenGLContext>();
  QSurfaceFormat format = partner ? partner->format() : QSurfaceFormat::defaultFormat();
  context->setFormat(format);
  if (partner) context->setShareContext(partner);
  if (!context->create()) throw EGLContext("Failed to create RenderingContext.");
  auto surface = std::make_unique<QOffscreenSurface>();
  surface->setFormat(context->format());
  surface->create();
  // What was current (the view, perhaps mid-paint) is bound again below.
  QOpenGLContext* previous = QOpenGLContext::currentContext();
  QSurface* previousSurface = previous ? previous->surface() : nullptr;
  if (!context->makeCurrent(surface.get())) throw EGLContext("Context activation failed: off-screen surface");
  auto fbo = std::make_unique<QOpenGLFramebufferObject>(width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
  const bool valid = fbo->isValid();
  context->doneCurrent();
  if (previous && previousSurface) previous->makeCurrent(previousSurface);
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
  widget_ = nullptr;
  if (context_) {
    QOpenGLContext* own = context_.get();
    QOpenGLContext* previous = QOpenGLContext::currentContext();
    QSurface* previousSurface = previous ? previous->surface() : nullptr;
    // The frame buffer object is deleted in its own context.
    if (context_->makeCurrent(surface_.get())) {
      fbo_.reset();
      context_->doneCurrent();
    }
    fbo_.reset();
    context_.reset();
    surface_.reset();
    if (previous && previous != own && previousSurface) previous->makeCurrent(previousSurface);
  }
}

void RegisterQtGLContextClass() {
  UnRegisterGLContextClass(kClassName);
  RegisterGLContextClass(kClassName, [](TGLContextManager* manager) {
    return std::unique_ptr<TGLContext>(std::make_unique<QtGLContext>(manager));
  });
}
