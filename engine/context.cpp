#include "engine/context.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

#include "engine/context_handle.h"
#include "platform/base/assertion.h"

namespace {

thread_local TGLContext* vCurrentGLContext = nullptr;

struct ContextClass {
  std::string name;
  TGLContextFactory factory;
};

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::vector<ContextClass>& ContextClasses() {
  static std::vector<ContextClass> classes;
  return classes;
}

// The process-wide manager lives from its first use to the end of the
// program; at shutdown it is terminated and freed, unless contexts are still
// registered (leaked), which then keep using it.
struct GlobalManager {
  std::unique_ptr<TGLContextManager> owned = std::make_unique<TGLContextManager>();
  TGLContextManager* current = owned.get();
  ~GlobalManager() {
    current->Terminate();
    current = nullptr;
    if (owned->ContextCount() != 0) (void)owned.release();
  }
};

GlobalManager& Global() {
  static GlobalManager global;
  return global;
}

// The links to what was bound under a context are read by the destruction
// of any context of the manager, so they change under its lock.
struct ManagerLock {
  explicit ManagerLock(TGLContextManager* manager) : manager_(manager) { manager_->Lock(); }
  ~ManagerLock() { manager_->UnLock(); }
  ManagerLock(const ManagerLock&) = delete;
  ManagerLock& operator=(const ManagerLock&) = delete;
  TGLContextManager* manager_;
};

void Remove(std::vector<TGLContext*>& list, const TGLContext* context) {
  list.erase(std::remove(list.begin(), list.end(), context), list.end());
}

}  // namespace

TGLContext* CurrentGLContext() { return vCurrentGLContext; }

void RaiseOnGLError() {
  const GLenum error = GL().glGetError();
  if (error == GL_NO_ERROR) return;
  for (int i = 0; i < 6; ++i)
    if (GL().glGetError() == GL_NO_ERROR) break;
  const GLubyte* text = GL().gluErrorString(error);
  if (text) throw EOpenGLError(reinterpret_cast<const char*>(text));
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "Unknown OpenGL error 0x%04X", error);
  throw EOpenGLError(buffer);
}

void ClearGLError() {
  for (int i = 0; i < 7; ++i)
    if (GL().glGetError() == GL_NO_ERROR) break;
}

// ---------------------------------------------------------------- TGLContext

TGLContext::TGLContext(TGLContextManager* manager)
    : FManager(manager ? manager : GLContextManager()) {
  CLIENT_ASSERT(FManager != nullptr, "No context manager");
  FManager->RegisterContext(this);
}

TGLContext::~TGLContext() {
  // A concrete context destroys itself in its own destructor, where its
  // platform operations still work; this only unhooks what is left.
  for (TGLContextHandle* handle : FOwnedHandles) handle->ForgetOwner();
  FOwnedHandles.clear();
  for (TGLContext* other : FSharedContexts)
    if (other != this) Remove(other->FSharedContexts, this);
  FSharedContexts.clear();
  {
    ManagerLock lock(FManager);
    for (TGLContext* other : FManager->Contexts())
      if (other->FPreviousContext == this) other->FPreviousContext = FPreviousContext;
  }
  if (vCurrentGLContext == this) vCurrentGLContext = nullptr;
  try {
    FManager->UnRegisterContext(this);
  } catch (...) {
    // Never registered: nothing to undo.
  }
}

void TGLContext::CheckInactive() const {
  if (GetActive()) throw EGLContext("Cannot alter an active context");
}

void TGLContext::SetColorBits(int value) {
  CheckInactive();
  FColorBits = value;
}

void TGLContext::SetAlphaBits(int value) {
  CheckInactive();
  FAlphaBits = value;
}

void TGLContext::SetDepthBits(int value) {
  CheckInactive();
  FDepthBits = value;
}

void TGLContext::SetStencilBits(int value) {
  CheckInactive();
  FStencilBits = value;
}

void TGLContext::SetAccumBits(int value) {
  CheckInactive();
  FAccumBits = value;
}

void TGLContext::SetAuxBuffers(int value) {
  CheckInactive();
  FAuxBuffers = value;
}

void TGLContext::SetAntiAliasing(TGLAntiAliasing value) {
  CheckInactive();
  FAntiAliasing = value;
}

void TGLContext::SetOptions(TGLRCOptions value) {
  CheckInactive();
  FOptions = value;
}

void TGLContext::CreateContext(TGLOutputDevice device, TGLContext* sharePartner) {
  if (IsValid()) throw EGLContext("Context already created");
  if (sharePartner && (sharePartner == this || !sharePartner->IsValid()))
    throw EGLContext("Context not created");
  FAcceleration = TGLContextAcceleration::Unknown;
  DoCreateContext(device, sharePartner);
  AfterCreation(sharePartner);
}

void TGLContext::CreateMemoryContext(TGLOutputDevice device, int width, int height,
                                     int bufferCount, TGLContext* sharePartner) {
  if (IsValid()) throw EGLContext("Context already created");
  if (sharePartner && (sharePartner == this || !sharePartner->IsValid()))
    throw EGLContext("Context not created");
  FAcceleration = TGLContextAcceleration::Unknown;
  DoCreateMemoryContext(device, width, height, bufferCount, sharePartner);
  AfterCreation(sharePartner);
}

void TGLContext::AfterCreation(TGLContext* sharePartner) {
  FSharedContexts.clear();
  if (sharePartner) FSharedContexts = sharePartner->FSharedContexts;
  FSharedContexts.push_back(this);
  PropagateSharing();
  FManager->ContextCreatedBy(this);
}

void TGLContext::PropagateSharing() {
  for (TGLContext* other : FSharedContexts)
    if (other != this) other->FSharedContexts = FSharedContexts;
}

bool TGLContext::SharesListsWith(const TGLContext* other) const {
  return std::find(FSharedContexts.begin(), FSharedContexts.end(), other) !=
         FSharedContexts.end();
}

void TGLContext::ShareLists(TGLContext* other) {
  if (!IsValid()) throw EGLContext("Context not created");
  if (!other || other == this || SharesListsWith(other)) return;
  if (!other->IsValid()) throw EGLContext("Context not created");
  DoShareLists(other);
  // Both groups now see one namespace: every member gets the union, so
  // nobody keeps a list that misses a member.
  std::vector<TGLContext*> merged = FSharedContexts;
  for (TGLContext* member : other->FSharedContexts)
    if (std::find(merged.begin(), merged.end(), member) == merged.end()) merged.push_back(member);
  FSharedContexts = std::move(merged);
  PropagateSharing();
}

void TGLContext::Activate() {
  if (FActivationCount == 0) {
    if (!IsValid()) throw EGLContext("Context not created");
    TGLContext* previous = vCurrentGLContext;
    DoActivate();
    {
      ManagerLock lock(FManager);
      FPreviousContext = previous == this ? nullptr : previous;
    }
    vCurrentGLContext = this;
  } else {
    CLIENT_ASSERT(vCurrentGLContext == this);
  }
  ++FActivationCount;
}

void TGLContext::Deactivate() {
  CLIENT_ASSERT(vCurrentGLContext == this);
  --FActivationCount;
  if (FActivationCount > 0) return;
  if (FActivationCount < 0) {
    FActivationCount = 0;
    throw EGLContext("Unbalanced context activations");
  }
  if (!IsValid()) throw EGLContext("Context not created");
  TGLContext* previous;
  {
    ManagerLock lock(FManager);
    previous = std::exchange(FPreviousContext, nullptr);
  }
  vCurrentGLContext = nullptr;
  DoDeactivate();
  // An activation of another context inside this one's ends by binding that
  // one again, so its open activation keeps working.
  if (previous) {
    previous->DoActivate();
    vCurrentGLContext = previous;
  }
}

void TGLContext::SetActive(bool value) {
  if (value) {
    if (!GetActive()) Activate();
  } else {
    while (GetActive()) Deactivate();
  }
}

void TGLContext::DestroyAllHandles() {
  Activate();
  try {
    while (!FOwnedHandles.empty()) FOwnedHandles.back()->DestroyHandle();
  } catch (...) {
    Deactivate();
    throw;
  }
  Deactivate();
}

void TGLContext::DestroyContext() {
  if (!IsValid()) throw EGLContext("Context not created");
  std::exception_ptr failure;
  {
    ContextBinding binding(this);
    TGLContext* heir = nullptr;
    for (TGLContext* other : FSharedContexts)
      if (other != this) {
        heir = other;
        break;
      }
    if (heir) {
      // The GL objects live on in the shared namespace.
      for (TGLContextHandle* handle : FOwnedHandles) {
        handle->FRenderingContext = heir;
        heir->FOwnedHandles.push_back(handle);
      }
      FOwnedHandles.clear();
    } else {
      while (!FOwnedHandles.empty()) {
        TGLContextHandle* handle = FOwnedHandles.back();
        FOwnedHandles.pop_back();
        try {
          handle->DeleteNow();
        } catch (...) {
          if (!failure) failure = std::current_exception();
        }
      }
    }
  }
  FManager->DestroyingContextBy(this);
  for (TGLContext* other : FSharedContexts)
    if (other != this) Remove(other->FSharedContexts, this);
  FSharedContexts.clear();

  // Whoever was bound over this context falls back to what was under it.
  TGLContext* previous;
  {
    ManagerLock lock(FManager);
    for (TGLContext* other : FManager->Contexts())
      if (other->FPreviousContext == this) other->FPreviousContext = FPreviousContext;
    previous = std::exchange(FPreviousContext, nullptr);
  }
  if (FActivationCount > 0) {
    FActivationCount = 0;
    if (vCurrentGLContext == this) {
      vCurrentGLContext = nullptr;
      try {
        DoDeactivate();
        if (previous) {
          previous->DoActivate();
          vCurrentGLContext = previous;
        }
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
  }
  try {
    DoDestroyContext();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  FAcceleration = TGLContextAcceleration::Unknown;
  if (failure) std::rethrow_exception(failure);
}

void TGLContext::DestroyContextOnDestruction() noexcept {
  try {
    if (IsValid()) DestroyContext();
  } catch (...) {
    // A GL error while deleting the last objects cannot be acted upon here.
  }
}

// --------------------------------------------------------- ContextBinding

ContextBinding::ContextBinding(TGLContext* target)
    : target_(target), previous_(vCurrentGLContext), switched_(previous_ != target) {
  if (!switched_) return;
  target_->DoActivate();
  vCurrentGLContext = target_;
}

ContextBinding::~ContextBinding() {
  if (!switched_) return;
  vCurrentGLContext = previous_;
  try {
    if (previous_)
      previous_->DoActivate();
    else
      target_->DoDeactivate();
  } catch (...) {
    // A platform that cannot bind back leaves the thread unbound; the next
    // activation reports it.
    vCurrentGLContext = nullptr;
  }
}

// ------------------------------------------------------------------ registry

void RegisterGLContextClass(const std::string& className, TGLContextFactory factory) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  ContextClasses().push_back(ContextClass{className, std::move(factory)});
}

void UnRegisterGLContextClass(const std::string& className) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto& classes = ContextClasses();
  classes.erase(std::remove_if(classes.begin(), classes.end(),
                               [&](const ContextClass& c) { return c.name == className; }),
                classes.end());
}

// --------------------------------------------------------- TGLContextManager

TGLContextManager::TGLContextManager() = default;
TGLContextManager::~TGLContextManager() = default;

TGLContextManager* GLContextManager() { return Global().current; }

std::unique_ptr<TGLContext> TGLContextManager::CreateContext() {
  TGLContextFactory factory;
  {
    std::lock_guard<std::mutex> guard(RegistryLock());
    if (ContextClasses().empty()) return nullptr;
    factory = ContextClasses().front().factory;
  }
  return factory(this);
}

int TGLContextManager::ContextCount() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return static_cast<int>(FContexts.size());
}

std::vector<TGLContext*> TGLContextManager::Contexts() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FContexts;
}

void TGLContextManager::RegisterContext(TGLContext* context) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  if (std::find(FContexts.begin(), FContexts.end(), context) != FContexts.end())
    throw EGLContext("Invalid context registration");
  FContexts.push_back(context);
}

void TGLContextManager::UnRegisterContext(TGLContext* context) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  auto it = std::find(FContexts.begin(), FContexts.end(), context);
  if (it == FContexts.end()) throw EGLContext("Invalid context registration");
  FContexts.erase(it);
}

void TGLContextManager::ContextCreatedBy(TGLContext*) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  ++FCreatedCount;
}

void TGLContextManager::DestroyingContextBy(TGLContext*) {
  {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    --FCreatedCount;
    if (FCreatedCount != 0) return;
  }
  // Last queued first; each leaves the queue before it runs, so an event
  // that queues another one does not run it twice.
  for (;;) {
    Notification next;
    {
      std::lock_guard<std::recursive_mutex> guard(FLock);
      if (FNotifications.empty()) return;
      next = std::move(FNotifications.back());
      FNotifications.pop_back();
    }
    if (next.event) next.event(next.sender);
  }
}

void TGLContextManager::NotifyWhenLastContextGoes(void* sender,
                                                  std::function<void(void* sender)> event) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FNotifications.push_back(Notification{sender, std::move(event)});
}

void TGLContextManager::Terminate() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FTerminated = true;
}

void TGLContextManager::DestroyAllHandles() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  for (auto it = FContexts.rbegin(); it != FContexts.rend(); ++it) {
    TGLContext* context = *it;
    if (context->IsValid()) context->DestroyAllHandles();
  }
}
