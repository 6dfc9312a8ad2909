#pragma once
// The platform-neutral rendering context, the process-wide context manager
// and the GL error check. A platform layer (platform/egl for off-screen
// rendering) derives from TGLContext and supplies the Do... operations.
//
// Sharing of display lists and textures is fixed when a context is created:
// pass the share partner to CreateContext / CreateMemoryContext. ShareLists
// on a created context is kept for a platform that can re-create a context
// that owns nothing yet.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/gl_api.h"
#include "platform/base/exception.h"

CLIENT_DECLARE_EXCEPTION(EGLContext, Exception);
CLIENT_DECLARE_EXCEPTION(EOpenGLError, Exception);

class TGLContext;
class TGLContextHandle;
class TGLContextManager;

// What a context renders to: a native window id, or 0 for none.
using TGLOutputDevice = std::uintptr_t;

enum TGLAntiAliasing { aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ };

// Rendering options read by the platform context.
using TGLRCOptions = std::uint8_t;
constexpr TGLRCOptions rcoDoubleBuffered = 1;
constexpr TGLRCOptions rcoStereo = 2;

enum class TGLContextAcceleration { Unknown = 0, Hardware = 1, Software = 2 };

// The calling thread's current context, nullptr when none is active.
TGLContext* CurrentGLContext();

// Reads glGetError; on an error, drops up to 6 further pending ones and
// raises EOpenGLError with the GLU text of the first.
void RaiseOnGLError();
// Drops pending GL errors (at most 7 reads) and raises nothing.
void ClearGLError();

class TGLContext {
public:
  // Registers with `manager`, or with the process-wide manager when null.
  explicit TGLContext(TGLContextManager* manager = nullptr);
  virtual ~TGLContext();
  TGLContext(const TGLContext&) = delete;
  TGLContext& operator=(const TGLContext&) = delete;

  // Requested frame-buffer properties; stored only while inactive.
  int GetColorBits() const { return FColorBits; }
  void SetColorBits(int value);
  int GetAlphaBits() const { return FAlphaBits; }
  void SetAlphaBits(int value);
  int GetDepthBits() const { return FDepthBits; }
  void SetDepthBits(int value);
  int GetStencilBits() const { return FStencilBits; }
  void SetStencilBits(int value);
  int GetAccumBits() const { return FAccumBits; }
  void SetAccumBits(int value);
  int GetAuxBuffers() const { return FAuxBuffers; }
  void SetAuxBuffers(int value);
  TGLAntiAliasing GetAntiAliasing() const { return FAntiAliasing; }
  void SetAntiAliasing(TGLAntiAliasing value);
  TGLRCOptions GetOptions() const { return FOptions; }
  void SetOptions(TGLRCOptions value);

  TGLContextManager* GetManager() const { return FManager; }
  TGLContextAcceleration GetAcceleration() const { return FAcceleration; }

  // Creates the platform context. With a share partner, display lists and
  // textures are shared with it and with everything it shares with.
  void CreateContext(TGLOutputDevice device, TGLContext* sharePartner = nullptr);
  void CreateMemoryContext(TGLOutputDevice device, int width, int height, int bufferCount,
                           TGLContext* sharePartner = nullptr);
  // Joins the sharing group of `other`; see the platform for when this is
  // possible after creation.
  void ShareLists(TGLContext* other);
  // Hands the owned handles to a sharing context (or deletes their GL
  // objects when none is left), leaves the sharing group and destroys the
  // platform context.
  void DestroyContext();
  void DestroyAllHandles();

  // Nested pairs; the first activation binds the context to the thread,
  // the last deactivation binds again what was current before it.
  void Activate();
  void Deactivate();
  bool GetActive() const { return FActivationCount > 0; }
  void SetActive(bool value);

  virtual bool IsValid() const = 0;
  virtual void SwapBuffers() = 0;
  virtual TGLOutputDevice RenderOutputDevice() const = 0;

  // The contexts that see this one's display lists and textures (itself
  // included once created).
  const std::vector<TGLContext*>& SharingContexts() const { return FSharedContexts; }
  bool SharesListsWith(const TGLContext* other) const;
  // The handles whose GL objects live in this context's namespace.
  const std::vector<TGLContextHandle*>& OwnedHandles() const { return FOwnedHandles; }

protected:
  virtual void DoActivate() = 0;
  virtual void DoDeactivate() = 0;
  virtual void DoCreateContext(TGLOutputDevice device, TGLContext* sharePartner) = 0;
  virtual void DoCreateMemoryContext(TGLOutputDevice device, int width, int height,
                                     int bufferCount, TGLContext* sharePartner) = 0;
  // Makes this context's namespace that of `other`; raises when it cannot.
  virtual void DoShareLists(TGLContext* other) = 0;
  virtual void DoDestroyContext() = 0;

  void SetAcceleration(TGLContextAcceleration value) { FAcceleration = value; }
  // For the destructors of concrete contexts, whose platform operations are
  // gone by the time the base destructor runs: destroys the context when it
  // is still valid, and swallows what a destructor cannot report.
  void DestroyContextOnDestruction() noexcept;

private:
  friend class TGLContextHandle;
  friend class ContextBinding;

  void CheckInactive() const;
  void AfterCreation(TGLContext* sharePartner);
  void PropagateSharing();

  int FColorBits = 32;
  int FAlphaBits = 0;
  int FDepthBits = 0;
  int FStencilBits = 0;
  int FAccumBits = 0;
  int FAuxBuffers = 0;
  TGLAntiAliasing FAntiAliasing = aaDefault;
  TGLRCOptions FOptions = 0;
  TGLContextManager* FManager;
  int FActivationCount = 0;
  // What was current on the thread when the first activation bound this one.
  TGLContext* FPreviousContext = nullptr;
  std::vector<TGLContext*> FSharedContexts;
  std::vector<TGLContextHandle*> FOwnedHandles;
  TGLContextAcceleration FAcceleration = TGLContextAcceleration::Unknown;
};

// Binds a context to the thread for a short piece of work on its namespace
// (deleting a handle's GL object) without touching any activation count, and
// binds back what was current afterwards.
class ContextBinding {
public:
  explicit ContextBinding(TGLContext* target);
  ~ContextBinding();
  ContextBinding(const ContextBinding&) = delete;
  ContextBinding& operator=(const ContextBinding&) = delete;

private:
  TGLContext* target_;
  TGLContext* previous_;
  bool switched_;
};

using TGLContextFactory = std::function<std::unique_ptr<TGLContext>(TGLContextManager*)>;

// Appends a context class to the registry; CreateContext of the manager
// makes one of the first registered class.
void RegisterGLContextClass(const std::string& className, TGLContextFactory factory);
void UnRegisterGLContextClass(const std::string& className);

class TGLContextManager {
public:
  TGLContextManager();
  ~TGLContextManager();
  TGLContextManager(const TGLContextManager&) = delete;
  TGLContextManager& operator=(const TGLContextManager&) = delete;

  // A new context of the first registered class, nullptr when none is.
  std::unique_ptr<TGLContext> CreateContext();

  void Lock() { FLock.lock(); }
  void UnLock() { FLock.unlock(); }
  int ContextCount();
  void RegisterContext(TGLContext* context);
  void UnRegisterContext(TGLContext* context);
  // The registered contexts, copied under the lock.
  std::vector<TGLContext*> Contexts();

  void ContextCreatedBy(TGLContext* context);
  void DestroyingContextBy(TGLContext* context);
  // Queues an event fired once when the last created context is destroyed.
  void NotifyWhenLastContextGoes(void* sender, std::function<void(void* sender)> event);

  void Terminate();
  bool Terminated() const { return FTerminated; }
  void DestroyAllHandles();

private:
  struct Notification {
    void* sender;
    std::function<void(void*)> event;
  };

  std::recursive_mutex FLock;
  std::vector<TGLContext*> FContexts;
  int FCreatedCount = 0;
  std::vector<Notification> FNotifications;
  bool FTerminated = false;
};

// The process-wide manager; nullptr after the program has shut it down.
TGLContextManager* GLContextManager();
