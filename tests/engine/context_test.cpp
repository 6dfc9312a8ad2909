// The context, its activation, sharing and handles, on a fake platform
// context that logs its operations; GL errors come from a fake glGetError.
#include "engine/context.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/context_handle.h"
#include "engine/gl_api.h"
#include "platform/base/assertion.h"

namespace {

std::vector<std::string> g_log;
std::mutex g_logLock;

void Log(std::string line) {
  std::lock_guard<std::mutex> guard(g_logLock);
  g_log.push_back(std::move(line));
}
std::deque<GLenum> g_pendingErrors;
int g_getErrorCalls = 0;

GLenum GLAPIENTRY FakeGetError() {
  ++g_getErrorCalls;
  if (g_pendingErrors.empty()) return GL_NO_ERROR;
  GLenum e = g_pendingErrors.front();
  g_pendingErrors.pop_front();
  return e;
}

class FakeContext : public TGLContext {
public:
  FakeContext(std::string name, TGLContextManager* manager) : TGLContext(manager), name_(std::move(name)) {}
  ~FakeContext() override { DestroyContextOnDestruction(); }

  bool IsValid() const override { return valid_; }
  void SwapBuffers() override {}
  TGLOutputDevice RenderOutputDevice() const override { return 0; }
  void Create(TGLContext* partner = nullptr) { CreateContext(0, partner); }

protected:
  void DoActivate() override { Log(name_ + ".bind"); }
  void DoDeactivate() override { Log(name_ + ".unbind"); }
  void DoCreateContext(TGLOutputDevice, TGLContext*) override { valid_ = true; }
  void DoCreateMemoryContext(TGLOutputDevice, int, int, int, TGLContext*) override { valid_ = true; }
  void DoShareLists(TGLContext*) override { Log(name_ + ".share"); }
  void DoDestroyContext() override {
    valid_ = false;
    Log(name_ + ".destroy");
  }

private:
  std::string name_;
  bool valid_ = false;
};

// A virtual handle whose events log which context was current.
struct LoggedHandle {
  explicit LoggedHandle(GLuint name) {
    handle.OnAllocate = [name](TGLVirtualHandle*, GLuint& h) { h = name; };
    handle.OnDestroy = [](TGLVirtualHandle*, GLuint& h) {
      g_log.push_back("delete " + std::to_string(h));
      g_deletedIn.push_back(CurrentGLContext());
    };
  }
  TGLVirtualHandle handle;
  static std::vector<TGLContext*> g_deletedIn;
};
std::vector<TGLContext*> LoggedHandle::g_deletedIn;

class GLContextFake : public ::testing::Test {
protected:
  void SetUp() override {
    g_log.clear();
    g_pendingErrors.clear();
    g_getErrorCalls = 0;
    LoggedHandle::g_deletedIn.clear();
    table_ = GLDriverApi();
    table_.glGetError = &FakeGetError;
  }
  void TearDown() override { EXPECT_EQ(CurrentGLContext(), nullptr); }

  GLApi table_;
  ScopedGLApi scoped_{table_};
  TGLContextManager manager_;
};

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

TEST_F(GLContextFake, NestedActivationsOfOneContextBindOnceAndTheThirdDeactivateAsserts) {
  FakeContext a("A", &manager_);
  a.Create();
  a.Activate();
  a.Activate();
  a.Deactivate();
  EXPECT_TRUE(a.GetActive());
  EXPECT_EQ(CurrentGLContext(), &a);
  a.Deactivate();
  EXPECT_FALSE(a.GetActive());
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_THROW(a.Deactivate(), EAssertionFailed);
  EXPECT_EQ(g_log, (std::vector<std::string>{"A.bind", "A.unbind"}));
}

TEST_F(GLContextFake, ActivatingAnotherContextInsideOneBindsTheOuterOneBack) {
  FakeContext a("A", &manager_), b("B", &manager_);
  a.Create();
  b.Create();
  a.Activate();
  b.Activate();
  EXPECT_EQ(CurrentGLContext(), &b);
  EXPECT_THROW(a.Deactivate(), EAssertionFailed);  // not the current one
  b.Deactivate();
  EXPECT_EQ(CurrentGLContext(), &a);
  a.Deactivate();
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"A.bind", "B.bind", "B.unbind", "A.bind", "A.unbind"}));
}

TEST_F(GLContextFake, LifecycleErrorsCarryTheirMessages) {
  FakeContext a("A", &manager_), b("B", &manager_);
  EXPECT_EQ(MessageOf([&] { a.Activate(); }), "Context not created");
  EXPECT_EQ(MessageOf([&] { a.ShareLists(&b); }), "Context not created");
  EXPECT_EQ(MessageOf([&] { a.DestroyContext(); }), "Context not created");
  EXPECT_EQ(MessageOf([&] { b.Create(&a); }), "Context not created");  // partner not created
  a.Create();
  EXPECT_EQ(MessageOf([&] { a.Create(); }), "Context already created");
  EXPECT_EQ(MessageOf([&] { manager_.RegisterContext(&a); }), "Invalid context registration");
  TGLContextManager elsewhere;
  FakeContext stranger("S", &elsewhere);
  EXPECT_EQ(MessageOf([&] { manager_.UnRegisterContext(&stranger); }), "Invalid context registration");
}

TEST_F(GLContextFake, PropertiesCannotChangeWhileActive) {
  FakeContext a("A", &manager_);
  a.Create();
  const std::vector<std::function<void()>> setters = {
      [&] { a.SetColorBits(16); },   [&] { a.SetAlphaBits(8); },   [&] { a.SetDepthBits(24); },
      [&] { a.SetStencilBits(8); },  [&] { a.SetAccumBits(8); },   [&] { a.SetAuxBuffers(1); },
      [&] { a.SetOptions(rcoDoubleBuffered); }, [&] { a.SetAntiAliasing(aa4x); }};
  a.Activate();
  for (const auto& set : setters) EXPECT_EQ(MessageOf(set), "Cannot alter an active context");
  EXPECT_EQ(a.GetColorBits(), 32);
  EXPECT_EQ(a.GetAntiAliasing(), aaDefault);
  a.Deactivate();
  for (const auto& set : setters) EXPECT_NO_THROW(set());
  EXPECT_EQ(a.GetColorBits(), 16);
  EXPECT_EQ(a.GetDepthBits(), 24);
  EXPECT_EQ(a.GetOptions(), rcoDoubleBuffered);
}

TEST_F(GLContextFake, SetActiveFalseUnwindsEveryActivation) {
  FakeContext a("A", &manager_);
  a.Create();
  a.SetActive(true);
  a.SetActive(true);  // already active: no second activation
  a.Activate();
  a.SetActive(false);
  EXPECT_FALSE(a.GetActive());
  EXPECT_EQ(CurrentGLContext(), nullptr);
}

TEST_F(GLContextFake, DestroyingASharerHandsItsHandlesOverWithoutDeletingThem) {
  FakeContext a("A", &manager_), b("B", &manager_);
  a.Create();
  b.Create(&a);
  ASSERT_EQ(a.SharingContexts(), (std::vector<TGLContext*>{&a, &b}));
  LoggedHandle h1(1), h2(2);
  a.Activate();
  h1.handle.AllocateHandle();
  h2.handle.AllocateHandle();
  a.Deactivate();
  a.DestroyContext();
  EXPECT_TRUE(LoggedHandle::g_deletedIn.empty());
  EXPECT_EQ(h1.handle.GetRenderingContext(), &b);
  EXPECT_EQ(b.OwnedHandles().size(), 2u);
  EXPECT_EQ(b.SharingContexts(), (std::vector<TGLContext*>{&b}));

  b.DestroyContext();  // no partner left: deleted, last first, in B
  EXPECT_EQ(LoggedHandle::g_deletedIn, (std::vector<TGLContext*>{&b, &b}));
  EXPECT_EQ(h1.handle.GetHandle(), 0u);
  EXPECT_EQ(h2.handle.GetRenderingContext(), nullptr);
  const std::vector<std::string> tail(g_log.end() - 2, g_log.end());
  EXPECT_EQ(tail[1], "B.destroy");
}

TEST_F(GLContextFake, HandlesOfALoneContextAreDeletedLastFirst) {
  FakeContext a("A", &manager_);
  a.Create();
  LoggedHandle h1(10), h2(11), h3(12);
  a.Activate();
  for (LoggedHandle* h : {&h1, &h2, &h3}) h->handle.AllocateHandle();
  a.Deactivate();
  g_log.clear();
  a.DestroyAllHandles();
  EXPECT_EQ(g_log, (std::vector<std::string>{"A.bind", "delete 12", "delete 11", "delete 10", "A.unbind"}));
  EXPECT_TRUE(a.OwnedHandles().empty());
}

TEST_F(GLContextFake, DeletingAHandleFromAnUnrelatedNestedContextSwitchesAndComesBack) {
  FakeContext owner("A", &manager_), other("B", &manager_);
  owner.Create();
  other.Create();
  LoggedHandle h(5);
  owner.Activate();
  h.handle.AllocateHandle();
  owner.Deactivate();

  other.Activate();
  other.Activate();  // nested: a one-step deactivation would leave it current
  g_log.clear();
  h.handle.DestroyHandle();
  EXPECT_EQ(LoggedHandle::g_deletedIn, (std::vector<TGLContext*>{&owner}));
  EXPECT_EQ(CurrentGLContext(), &other);
  EXPECT_EQ(g_log.front(), "A.bind");
  EXPECT_EQ(g_log.back(), "B.bind");
  EXPECT_NO_THROW(other.Deactivate());
  EXPECT_NO_THROW(other.Deactivate());
  EXPECT_EQ(CurrentGLContext(), nullptr);
}

TEST_F(GLContextFake, DeletingAHandleFromASharingContextNeedsNoSwitch) {
  FakeContext owner("A", &manager_), sharer("B", &manager_);
  owner.Create();
  sharer.Create(&owner);
  LoggedHandle h(5);
  owner.Activate();
  h.handle.AllocateHandle();
  owner.Deactivate();
  sharer.Activate();
  g_log.clear();
  h.handle.DestroyHandle();
  EXPECT_EQ(LoggedHandle::g_deletedIn, (std::vector<TGLContext*>{&sharer}));
  EXPECT_EQ(g_log, (std::vector<std::string>{"delete 5"}));
  sharer.Deactivate();
}

TEST_F(GLContextFake, DestroyingAContextUnderAnotherActiveOneKeepsThatOneCurrent) {
  FakeContext a("A", &manager_), b("B", &manager_);
  a.Create();
  b.Create();
  a.Activate();
  b.Activate();
  a.DestroyContext();  // A was under B
  EXPECT_EQ(CurrentGLContext(), &b);
  b.Deactivate();      // must not bind the destroyed A again
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_EQ(g_log.back(), "B.unbind");
}

TEST_F(GLContextFake, DestroyingTheCurrentContextBindsWhatWasUnderIt) {
  FakeContext a("A", &manager_), b("B", &manager_);
  a.Create();
  b.Create();
  a.Activate();
  b.Activate();
  b.Activate();
  b.DestroyContext();
  EXPECT_EQ(CurrentGLContext(), &a);
  EXPECT_FALSE(b.GetActive());
  a.Deactivate();
}

TEST_F(GLContextFake, ShareListsMergesBothGroupsIntoEveryMember) {
  FakeContext a("A", &manager_), b("B", &manager_), c("C", &manager_), d("D", &manager_);
  a.Create();
  b.Create(&a);
  c.Create();
  d.Create(&c);
  c.ShareLists(&a);
  for (FakeContext* member : {&a, &b, &c, &d}) {
    EXPECT_EQ(member->SharingContexts().size(), 4u);
    for (FakeContext* other : {&a, &b, &c, &d}) EXPECT_TRUE(member->SharesListsWith(other));
  }
  g_log.clear();
  c.ShareLists(&b);  // already one group: nothing to do
  EXPECT_TRUE(g_log.empty());
}

TEST_F(GLContextFake, AllocatingWithoutCurrentContextOrTwiceAsserts) {
  FakeContext a("A", &manager_);
  a.Create();
  LoggedHandle h(3);
  EXPECT_THROW(h.handle.AllocateHandle(), EAssertionFailed);
  a.Activate();
  h.handle.AllocateHandle();
  EXPECT_THROW(h.handle.AllocateHandle(), EAssertionFailed);
  a.Deactivate();
}

TEST_F(GLContextFake, AHandleThatAllocatesNothingIsNotListed) {
  FakeContext a("A", &manager_);
  a.Create();
  TGLVirtualHandle h;  // no OnAllocate: name 0
  a.Activate();
  h.AllocateHandle();
  EXPECT_EQ(h.GetHandle(), 0u);
  EXPECT_EQ(h.GetRenderingContext(), nullptr);
  EXPECT_TRUE(a.OwnedHandles().empty());
  a.Deactivate();
}

TEST_F(GLContextFake, DestroyedHandleLeavesItsOwnersList) {
  FakeContext a("A", &manager_);
  a.Create();
  a.Activate();
  {
    LoggedHandle h(9);
    h.handle.AllocateHandle();
    EXPECT_EQ(a.OwnedHandles().size(), 1u);
  }
  EXPECT_TRUE(a.OwnedHandles().empty());
  EXPECT_EQ(LoggedHandle::g_deletedIn, (std::vector<TGLContext*>{&a}));
  a.Deactivate();
}

TEST_F(GLContextFake, RaiseOnGLErrorDrainsAtMostSixMoreAndNamesTheFirst) {
  g_pendingErrors = {GL_INVALID_ENUM, GL_INVALID_VALUE, GL_INVALID_VALUE, GL_INVALID_VALUE,
                     GL_INVALID_VALUE, GL_INVALID_VALUE, GL_INVALID_VALUE, GL_OUT_OF_MEMORY,
                     GL_OUT_OF_MEMORY};
  EXPECT_EQ(MessageOf([] { RaiseOnGLError(); }), "invalid enumerant");
  EXPECT_EQ(g_getErrorCalls, 7);
  EXPECT_EQ(g_pendingErrors.size(), 2u);
  g_getErrorCalls = 0;
  EXPECT_NO_THROW(ClearGLError());
  EXPECT_EQ(g_getErrorCalls, 3);  // two errors, then GL_NO_ERROR
  g_pendingErrors.assign(10, GL_INVALID_OPERATION);
  g_getErrorCalls = 0;
  ClearGLError();
  EXPECT_EQ(g_getErrorCalls, 7);
  g_pendingErrors.clear();
  EXPECT_NO_THROW(RaiseOnGLError());
}

TEST_F(GLContextFake, AnUnknownErrorCodeStillRaises) {
  g_pendingErrors = {0x1234};
  EXPECT_EQ(MessageOf([] { RaiseOnGLError(); }).rfind("Unknown OpenGL error 0x1234", 0), 0u);
}

TEST_F(GLContextFake, HandleDeletionChecksGLErrorsAfterwards) {
  FakeContext a("A", &manager_);
  a.Create();
  TGLVirtualHandle h;
  h.OnAllocate = [](TGLVirtualHandle*, GLuint& name) { name = 4; };
  h.OnDestroy = [](TGLVirtualHandle*, GLuint&) { g_pendingErrors.push_back(GL_INVALID_VALUE); };
  a.Activate();
  h.AllocateHandle();
  g_pendingErrors = {GL_OUT_OF_MEMORY};  // pending before: drained, not blamed on the deletion
  EXPECT_EQ(MessageOf([&] { h.DestroyHandle(); }), "invalid value");
  EXPECT_EQ(h.GetHandle(), 0u);
  EXPECT_TRUE(a.OwnedHandles().empty());
  a.Deactivate();
}

TEST_F(GLContextFake, LastContextDestroyedFiresQueuedEventsLastFirst) {
  std::vector<int> fired;
  int tag1 = 1, tag2 = 2;
  manager_.NotifyWhenLastContextGoes(&tag1, [&](void* s) { fired.push_back(*static_cast<int*>(s)); });
  manager_.NotifyWhenLastContextGoes(&tag2, [&](void* s) { fired.push_back(*static_cast<int*>(s)); });
  FakeContext a("A", &manager_), b("B", &manager_);
  a.Create();
  b.Create();
  a.DestroyContext();
  EXPECT_TRUE(fired.empty());
  b.DestroyContext();
  EXPECT_EQ(fired, (std::vector<int>{2, 1}));
}

TEST_F(GLContextFake, ManagerMakesTheFirstRegisteredClass) {
  EXPECT_EQ(manager_.CreateContext(), nullptr);
  RegisterGLContextClass("FakeContext", [](TGLContextManager* m) {
    return std::unique_ptr<TGLContext>(std::make_unique<FakeContext>("made", m));
  });
  RegisterGLContextClass("Other", [](TGLContextManager*) { return nullptr; });
  std::unique_ptr<TGLContext> made = manager_.CreateContext();
  UnRegisterGLContextClass("FakeContext");
  UnRegisterGLContextClass("Other");
  ASSERT_NE(made, nullptr);
  EXPECT_NE(dynamic_cast<FakeContext*>(made.get()), nullptr);
  EXPECT_EQ(made->GetManager(), &manager_);
  EXPECT_EQ(manager_.ContextCount(), 1);
  made.reset();
  EXPECT_EQ(manager_.ContextCount(), 0);
  EXPECT_EQ(manager_.CreateContext(), nullptr);
}

TEST_F(GLContextFake, ManagerDestroysTheHandlesOfEveryContext) {
  FakeContext a("A", &manager_), b("B", &manager_);
  a.Create();
  b.Create();
  LoggedHandle ha(1), hb(2);
  a.Activate();
  ha.handle.AllocateHandle();
  a.Deactivate();
  b.Activate();
  hb.handle.AllocateHandle();
  b.Deactivate();
  manager_.DestroyAllHandles();
  EXPECT_EQ(LoggedHandle::g_deletedIn, (std::vector<TGLContext*>{&b, &a}));
  EXPECT_EQ(CurrentGLContext(), nullptr);
}

TEST(GLContextThreads, TheCurrentContextIsKeptPerThread) {
  TGLContextManager manager;
  FakeContext a("A", &manager);
  a.Create();
  a.Activate();
  TGLContext* seenOnOtherThread = &a;
  std::thread([&] { seenOnOtherThread = CurrentGLContext(); }).join();
  EXPECT_EQ(seenOnOtherThread, nullptr);
  EXPECT_EQ(CurrentGLContext(), &a);
  a.Deactivate();
}

TEST(GLContextThreads, RegistrationFromSeveralThreadsKeepsTheListWhole) {
  TGLContextManager manager;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&manager, t] {
      for (int i = 0; i < 50; ++i) {
        FakeContext c("T" + std::to_string(t), &manager);
        c.Create();
        c.Activate();
        c.Deactivate();
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(manager.ContextCount(), 0);
}

}  // namespace
