#pragma once
// Handles of GL objects that live in a context's namespace: a display list,
// a texture name or a caller-defined object. The handle object belongs to
// whoever uses it (a scene object, a texture); the context only lists it, so
// that destroying the context can hand the GL object over to a sharing
// context or delete it. Destroying the handle deletes its GL object in a
// context that can see the name and takes it off the owner's list.

#include <functional>

#include <GL/gl.h>

#include "engine/gl_state_cache.h"

class TGLContext;

class TGLContextHandle {
public:
  TGLContextHandle() = default;
  virtual ~TGLContextHandle();
  TGLContextHandle(const TGLContextHandle&) = delete;
  TGLContextHandle& operator=(const TGLContextHandle&) = delete;

  // Makes the GL object in the current context, which then owns it.
  void AllocateHandle();
  // Deletes the GL object, switching to a context that can see it when the
  // current one cannot; nothing when there is no handle.
  void DestroyHandle();

  GLuint GetHandle() const { return FHandle; }
  TGLContext* GetRenderingContext() const { return FRenderingContext; }

protected:
  virtual GLuint DoAllocateHandle() = 0;
  virtual void DoDestroyHandle() = 0;
  // For the destructors of concrete handles: DoDestroyHandle cannot be
  // reached from the base destructor, so each of them calls this.
  void DestroyHandleQuietly() noexcept;

private:
  friend class TGLContext;
  // The context's destruction: the GL object is gone or moved elsewhere.
  void ForgetOwner();
  void DeleteNow();

  TGLContext* FRenderingContext = nullptr;
  GLuint FHandle = 0;
};

// A display list (glGenLists / glDeleteLists). A list whose drawing goes
// through the GL state cache is compiled and called through Compile and
// Call, so that the cache knows what the list does to GL each time it
// replays (a terrain patch's list of bare triangles needs neither).
class TGLListHandle final : public TGLContextHandle {
public:
  ~TGLListHandle() override;

  // The list (allocated first when there is none) made anew of what
  // `build` sends, with GL_COMPILE; `states` are the cached capabilities
  // the build switches.
  void Compile(TGLStates& states, const std::function<void()>& build);
  // glCallList; the cache then holds what the list left in GL.
  void Call(TGLStates& states) const;
  const TGLListEffects& GetEffects() const { return FEffects; }

protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;

private:
  TGLListEffects FEffects;
};

// A texture name (glGenTextures / glDeleteTextures). A name that never became
// a texture is forgotten without a delete call.
class TGLTextureHandle final : public TGLContextHandle {
public:
  ~TGLTextureHandle() override;

protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

// Any other GL object: the caller allocates and deletes it in the events.
class TGLVirtualHandle final : public TGLContextHandle {
public:
  ~TGLVirtualHandle() override;

  std::function<void(TGLVirtualHandle* sender, GLuint& handle)> OnAllocate;
  std::function<void(TGLVirtualHandle* sender, GLuint& handle)> OnDestroy;

protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};
