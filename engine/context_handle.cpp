#include "engine/context_handle.h"

#include <algorithm>
#include <optional>

#include "engine/context.h"
#include "platform/base/assertion.h"

TGLContextHandle::~TGLContextHandle() {
  // Only reached with a handle when a concrete handle did not destroy it:
  // at least keep the owner from listing a dead object.
  if (FHandle != 0 && FRenderingContext) {
    auto& list = FRenderingContext->FOwnedHandles;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TGLContextHandle::AllocateHandle() {
  CLIENT_ASSERT(FHandle == 0);
  TGLContext* current = CurrentGLContext();
  CLIENT_ASSERT(current != nullptr);
  FHandle = DoAllocateHandle();
  if (FHandle != 0) {
    FRenderingContext = current;
    current->FOwnedHandles.push_back(this);
  }
}

void TGLContextHandle::DestroyHandle() {
  if (FHandle == 0) return;
  TGLContext* owner = FRenderingContext;
  auto& list = owner->FOwnedHandles;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  TGLContext* current = CurrentGLContext();
  // The name is only visible in the owner's namespace.
  std::optional<ContextBinding> binding;
  if (owner != current && (!current || !current->SharesListsWith(owner))) binding.emplace(owner);
  DeleteNow();
}

void TGLContextHandle::DeleteNow() {
  struct Forget {
    TGLContextHandle* self;
    ~Forget() { self->ForgetOwner(); }
  };
  {
    Forget forget{this};
    ClearGLError();
    DoDestroyHandle();
  }
  RaiseOnGLError();
}

void TGLContextHandle::ForgetOwner() {
  FHandle = 0;
  FRenderingContext = nullptr;
}

void TGLContextHandle::DestroyHandleQuietly() noexcept {
  try {
    DestroyHandle();
  } catch (...) {
    // The handle is forgotten either way; a destructor cannot report.
  }
}

// ------------------------------------------------------------ TGLListHandle

TGLListHandle::~TGLListHandle() { DestroyHandleQuietly(); }

GLuint TGLListHandle::DoAllocateHandle() { return GL().glGenLists(1); }

void TGLListHandle::DoDestroyHandle() {
  GL().glDeleteLists(GetHandle(), 1);
  FEffects = {};
}

void TGLListHandle::Compile(TGLStates& states, const std::function<void()>& build) {
  if (GetHandle() == 0) AllocateHandle();
  CLIENT_ASSERT(GetHandle() != 0, "Display list allocation failed");
  const GLApi& gl = GL();
  gl.glNewList(GetHandle(), GL_COMPILE);
  try {
    GLListCompilation compilation(states, FEffects);
    build();
  } catch (...) {
    // A list left open would swallow every later call of the frame.
    gl.glEndList();
    throw;
  }
  gl.glEndList();
}

void TGLListHandle::Call(TGLStates& states) const {
  GL().glCallList(GetHandle());
  GLListReplayed(states, FEffects);
}

// --------------------------------------------------------- TGLTextureHandle

TGLTextureHandle::~TGLTextureHandle() { DestroyHandleQuietly(); }

GLuint TGLTextureHandle::DoAllocateHandle() {
  GLuint name = 0;
  GL().glGenTextures(1, &name);
  return name;
}

void TGLTextureHandle::DoDestroyHandle() {
  const GLuint name = GetHandle();
  if (GL().glIsTexture(name)) GL().glDeleteTextures(1, &name);
}

// --------------------------------------------------------- TGLVirtualHandle

TGLVirtualHandle::~TGLVirtualHandle() { DestroyHandleQuietly(); }

GLuint TGLVirtualHandle::DoAllocateHandle() {
  GLuint handle = 0;
  if (OnAllocate) OnAllocate(this, handle);
  return handle;
}

void TGLVirtualHandle::DoDestroyHandle() {
  GLuint handle = GetHandle();
  if (OnDestroy) OnDestroy(this, handle);
}
