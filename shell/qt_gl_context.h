#pragma once
// The engine's rendering context on Qt's OpenGL. A window context is a
// QOpenGLContext of its own on a native window of the view (a QWindow with
// an OpenGL surface): activation makes it current on the window, and
// SwapBuffers presents the frame, so the view is drawn straight into its
// window and never copied through a widget's frame buffer. A memory context
// is a QOpenGLContext on an off-screen surface, drawing into a frame buffer
// object of the asked size and sharing lists and textures with its partner
// (a screenshot of the view).
//
// Sharing is fixed when a context is made: a window context shares with its
// partner, or without one with Qt's global share context when the
// application has Qt::AA_ShareOpenGLContexts.

// Include this before any Qt OpenGL header. Qt's native-interface header
// (pulled in by <QOpenGLContext>) declares a type named EGLContext, the
// name of the engine's context error; nothing here uses those interfaces.
#ifndef QOPENGLCONTEXT_PLATFORM_H
#define QOPENGLCONTEXT_PLATFORM_H
#endif

#include <QImage>
#include <memory>

#include "engine/context.h"

class QWindow;
class QOpenGLContext;
class QOffscreenSurface;
class QOpenGLFramebufferObject;

class QtGLContext : public TGLContext {
public:
  explicit QtGLContext(TGLContextManager* manager = nullptr);
  ~QtGLContext() override;

  // The device that names a native window with an OpenGL surface in
  // CreateContext; the window's platform surface must exist.
  static TGLOutputDevice DeviceOf(QWindow* window);

  bool IsValid() const override;
  // Presents a window context's frame (double buffered); nothing for a
  // memory context.
  void SwapBuffers() override;
  TGLOutputDevice RenderOutputDevice() const override;

  // The next SwapBuffers first reads the frame it presents into an image
  // (device pixels, top row first), which TakeCapturedFrame then hands out.
  void CaptureNextFrame(bool capture) { capture_ = capture; }
  QImage TakeCapturedFrame() { return std::move(captured_); }

  // The Qt context behind this one; nullptr before creation.
  QOpenGLContext* NativeContext() const { return context_.get(); }

protected:
  void DoActivate() override;
  void DoDeactivate() override;
  void DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) override;
  void DoCreateMemoryContext(TGLOutputDevice device, int width, int height, int bufferCount,
                             TGLContext* sharePartner) override;
  void DoShareLists(TGLContext* other) override;
  void DoDestroyContext() override;

private:
  QImage ReadFrame() const;

  // A window context: the view's window; a memory context: none.
  QWindow* window_ = nullptr;
  std::unique_ptr<QOpenGLContext> context_;
  // A memory context: its surface and frame buffer.
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  bool capture_ = false;
  QImage captured_;
};

// Registers QtGLContext as a context class of the manager (once), ahead of
// nothing: call it before any other class is registered, so that the scene
// buffers of the program get Qt contexts.
void RegisterQtGLContextClass();
