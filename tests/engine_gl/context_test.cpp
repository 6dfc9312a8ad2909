// Handles on real EGL contexts: sharing, hand-over when a context goes,
// deletion exactly once and from the right namespace.
#include "engine/context.h"

#include <gtest/gtest.h>

#include "engine/context_handle.h"
#include "engine/gl_recorder.h"
#include "tests/support/gl_fixture.h"

namespace {

class GLContextSharing : public GLContextTest {};

// Makes a texture image so that the name becomes a texture object.
void MakeTexture(const TGLTextureHandle& texture) {
  const std::uint8_t pixel[4] = {1, 2, 3, 4};
  GL().glBindTexture(GL_TEXTURE_2D, texture.GetHandle());
  GL().glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  GL().glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(GLContextSharing, ListAndTextureOfOneContextLiveOnInItsPartnerAndAreFreedOnce) {
  auto creator = std::make_unique<EglPbufferContext>();
  creator->CreateMemoryContext(0, 8, 8, 1, &Context());
  TGLListHandle list;
  TGLTextureHandle texture;
  creator->Activate();
  list.AllocateHandle();
  GL().glNewList(list.GetHandle(), GL_COMPILE);
  GL().glEndList();
  texture.AllocateHandle();
  MakeTexture(texture);
  creator->Deactivate();
  EXPECT_EQ(list.GetRenderingContext(), creator.get());

  // Visible in the partner (the fixture's context, current again).
  EXPECT_TRUE(GL().glIsList(list.GetHandle()));
  EXPECT_TRUE(GL().glIsTexture(texture.GetHandle()));

  {
    GLCallRecorder calls;
    creator.reset();  // hands both over to the partner
    EXPECT_EQ(calls.Count("glDeleteLists"), 0);
    EXPECT_EQ(calls.Count("glDeleteTextures"), 0);
  }
  EXPECT_EQ(list.GetRenderingContext(), &Context());
  EXPECT_EQ(texture.GetRenderingContext(), &Context());
  EXPECT_TRUE(GL().glIsList(list.GetHandle()));
  EXPECT_TRUE(GL().glIsTexture(texture.GetHandle()));

  const GLuint listName = list.GetHandle(), textureName = texture.GetHandle();
  GLCallRecorder calls;
  context_->SetActive(false);
  context_.reset();  // no partner left: deleted now
  EXPECT_EQ(calls.Count("glDeleteLists"), 1);
  EXPECT_EQ(calls.Count("glDeleteTextures"), 1);
  EXPECT_EQ(calls.CallsOf("glDeleteLists")[0].Args[0], listName);
  EXPECT_EQ(list.GetHandle(), 0u);
  EXPECT_EQ(texture.GetHandle(), 0u);
  list.DestroyHandle();
  texture.DestroyHandle();
  EXPECT_EQ(calls.Count("glDeleteLists"), 1);
  EXPECT_EQ(calls.Count("glDeleteTextures"), 1);
  (void)textureName;
}

TEST_F(GLContextSharing, DeletingFromAnUnrelatedContextSwitchesToTheOwnerAndBack) {
  EglPbufferContext owner;
  owner.CreateMemoryContext(0, 4, 4, 1);  // a namespace of its own
  TGLListHandle list;
  owner.Activate();
  list.AllocateHandle();
  GL().glNewList(list.GetHandle(), GL_COMPILE);
  GL().glEndList();
  const GLuint name = list.GetHandle();
  owner.Deactivate();
  ASSERT_EQ(CurrentGLContext(), &Context());
  Context().Activate();  // nested

  {
    GLCallRecorder calls;
    list.DestroyHandle();
    EXPECT_EQ(calls.Count("glDeleteLists"), 1);
  }
  EXPECT_EQ(list.GetHandle(), 0u);
  EXPECT_TRUE(Context().IsBoundToThisThread());
  EXPECT_EQ(CurrentGLContext(), &Context());
  Context().Deactivate();
  EXPECT_TRUE(Context().GetActive());
  owner.Activate();
  EXPECT_FALSE(GL().glIsList(name));  // gone from the owner's namespace
  owner.Deactivate();
  ExpectNoStateLeft();
}

TEST_F(GLContextSharing, ANameThatNeverBecameATextureIsForgottenWithoutADelete) {
  TGLTextureHandle texture;
  texture.AllocateHandle();
  ASSERT_NE(texture.GetHandle(), 0u);
  GLCallRecorder calls;
  texture.DestroyHandle();
  EXPECT_EQ(calls.Count("glIsTexture"), 1);
  EXPECT_EQ(calls.Count("glDeleteTextures"), 0);
  EXPECT_EQ(texture.GetHandle(), 0u);
}

TEST_F(GLContextSharing, HandlesOfALoneContextAreDeletedWhenItIsDestroyed) {
  auto lone = std::make_unique<EglPbufferContext>();
  lone->CreateMemoryContext(0, 4, 4, 1);
  TGLListHandle list;
  TGLTextureHandle texture;
  lone->Activate();
  list.AllocateHandle();
  texture.AllocateHandle();
  MakeTexture(texture);
  lone->Deactivate();
  GLCallRecorder calls;
  lone.reset();
  EXPECT_EQ(calls.Names(), (std::vector<std::string>{"glGetError", "glIsTexture", "glDeleteTextures",
                                                     "glGetError", "glGetError", "glDeleteLists",
                                                     "glGetError"}));
  EXPECT_EQ(list.GetHandle(), 0u);
  EXPECT_EQ(CurrentGLContext(), &Context());
  EXPECT_TRUE(Context().IsBoundToThisThread());
}

TEST_F(GLContextSharing, ALoneContextWithoutObjectsCanJoinAGroupLater) {
  EglPbufferContext late;
  late.CreateMemoryContext(0, 4, 4, 1);
  TGLListHandle list;
  list.AllocateHandle();  // in the fixture's context
  GL().glNewList(list.GetHandle(), GL_COMPILE);
  GL().glEndList();
  late.ShareLists(&Context());
  EXPECT_TRUE(late.SharesListsWith(&Context()));
  EXPECT_TRUE(Context().SharesListsWith(&late));
  late.Activate();
  EXPECT_TRUE(GL().glIsList(list.GetHandle()));
  late.Deactivate();

  // Joining while bound: the thread stays on it, now in the shared namespace.
  EglPbufferContext active;
  active.CreateMemoryContext(0, 4, 4, 1);
  active.Activate();
  active.ShareLists(&Context());
  EXPECT_TRUE(active.IsBoundToThisThread());
  EXPECT_TRUE(GL().glIsList(list.GetHandle()));
  active.Deactivate();
  EXPECT_TRUE(Context().IsBoundToThisThread());

  // One that already shares cannot move to another namespace.
  EglPbufferContext third, fourth;
  third.CreateMemoryContext(0, 4, 4, 1);
  fourth.CreateMemoryContext(0, 4, 4, 1, &third);
  EXPECT_THROW(fourth.ShareLists(&Context()), EGLContext);
  EXPECT_FALSE(fourth.SharesListsWith(&Context()));
}

}  // namespace
