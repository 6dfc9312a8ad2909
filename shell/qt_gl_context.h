#pragma once
// The engine's rendering context on Qt's OpenGL: a window context is the GL
// context of a QOpenGLWidget (activation makes it current with the widget's
// frame buffer bound; Qt presents the frame, so SwapBuffers does nothing); a
// memory context is a QOpenGLContext of its own on an off-screen surface,
// drawing into a frame buffer object of the asked size and sharing lists
// and textures with its partner (a screenshot of the view).
//
// Qt fixes sharing when a context is made; a widget's context shares with
// another one only when both exist under Qt::AA_ShareOpenGLContexts.

// Include this before any Qt OpenGL header. Qt's native-interface header
// (pulled in by <QOpenGLContext>) declares a type named EGLContext, the
// name of the engine's context error; nothing here uses those interfaces.
#ifndef QOPENGLCONTEXT_PLATFORM_H
#define QOPENGLCONTEXT_PLATFORM_H
#endif

#include <memory>

#include "engine/context.h"

class QOpenGLWidget;
class QOpenGLContext;
class QOffscreenSurface;
class QOpenGLFramebufferObject;

class QtGLContext : public TGLContext {
public:
  explicit QtGLContext(TGLContextManager* manager = nullptr);
  ~QtGLContext() override;

  // The device that names a widget in CreateContext.
  static TGLOutputDevice DeviceOf(QOpenGLWidget* widget);

  bool IsValid() const override;
  void SwapBuffers() override {}
  TGLOutputDevice RenderOutputDevice() const override;

  // While the widget paints, Qt needs its context current after the
  // engine's last deactivation: the viewer brackets paintGL with this.
  void SetPainting(bool painting) { painting_ = painting; }
  // The Qt context behind this one; nullptr before creation.
  QOpenGLContext* NativeContext() const;

protected:
  void DoActivate() override;
  void DoDeactivate() override;
  // `device` is DeviceOf(widget) of a widget whose GL context exists.
  void DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) override;
  void DoCreateMemoryContext(TGLOutputDevice device, int width, int height, int bufferCount,
                             TGLContext* sharePartner) override;
  void DoShareLists(TGLContext* other) override;
  void DoDestroyContext() override;

private:
  QOpenGLWidget* widget_ = nullptr;
  // A memory context: its own context, surface and frame buffer.
  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  bool painting_ = false;
};

// Registers QtGLContext as a context class of the manager (once), ahead of
// nothing: call it before any other class is registered, so that the scene
// buffers of the program get Qt contexts.
void RegisterQtGLContextClass();
