// Routing of texture coordinates to texture units, checked without a GL
// context: the calls go to a table of do-nothing entries and are recorded.
#include "engine/multitexture.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "engine/gl_recorder.h"
#include "platform/base/assertion.h"

namespace {

template <class R>
R Nothing() {
  if constexpr (!std::is_void_v<R>) return R{};
}

#define NOOP_ENTRY(ret, name, params, args) \
  ret GLAPIENTRY Noop_##name params { return Nothing<ret>(); }
#define NOOP_EXT_ENTRY(ext, ret, name, params, args) NOOP_ENTRY(ret, name, params, args)
CLIENT_GL_CORE_FUNCTIONS(NOOP_ENTRY)
CLIENT_GLU_FUNCTIONS(NOOP_ENTRY)
CLIENT_GL_EXTENSION_FUNCTIONS(NOOP_EXT_ENTRY)
#undef NOOP_ENTRY
#undef NOOP_EXT_ENTRY

// A driver that lists every extension and does nothing.
GLApi NoopTable(bool multitexture) {
  GLApi table{};
#define NOOP_FILL(ret, name, params, args) table.name = &Noop_##name;
#define NOOP_EXT_FILL(ext, ret, name, params, args) table.name = &Noop_##name;
  CLIENT_GL_CORE_FUNCTIONS(NOOP_FILL)
  CLIENT_GLU_FUNCTIONS(NOOP_FILL)
  CLIENT_GL_EXTENSION_FUNCTIONS(NOOP_EXT_FILL)
#undef NOOP_FILL
#undef NOOP_EXT_FILL
  table.Extensions.ARB_multitexture = multitexture;
  if (!multitexture) {
    table.glActiveTextureARB = nullptr;
    table.glClientActiveTextureARB = nullptr;
    table.glMultiTexCoord2fARB = nullptr;
  }
  return table;
}

class TexCoordMapping : public ::testing::Test {
protected:
  void SetUp() override { xgl::MapTexCoordToNull(); }
  void TearDown() override {
    xgl::AllowSecondTextureUnit();
    xgl::MapTexCoordToNull();
  }

  // The units selected by the calls of that name, in order.
  std::vector<GLenum> Units(const char* name) const {
    std::vector<GLenum> units;
    for (const GLCall& call : calls_.CallsOf(name)) units.push_back(static_cast<GLenum>(call.Args[0]));
    return units;
  }

  const GLApi table_ = NoopTable(true);
  ScopedGLApi scoped_{table_};
  GLCallRecorder calls_{table_};
};

TEST_F(TexCoordMapping, StartsAsNullSoNothingReachesGL) {
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmNull);
  xgl::TexCoord2f(1, 2);
  xgl::Enable(GL_TEXTURE_2D);
  xgl::TexCoordPointer(2, GL_FLOAT, 0, nullptr);
  EXPECT_TRUE(calls_.Calls().empty());
}

TEST_F(TexCoordMapping, MainSendsThePlainCalls) {
  xgl::MapTexCoordToMain();
  xgl::TexCoord2f(1, 2);
  xgl::TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  xgl::Enable(GL_TEXTURE_2D);
  xgl::EnableClientState(GL_TEXTURE_COORD_ARRAY);
  EXPECT_EQ(calls_.Names(),
            (std::vector<std::string>{"glTexCoord2f", "glTexGeni", "glEnable", "glEnableClientState"}));
}

TEST_F(TexCoordMapping, SecondSendsCoordinatesToUnitOneOnly) {
  xgl::MapTexCoordToSecond();
  xgl::TexCoord2f(0.25f, 0.5f);
  xgl::TexCoord3fv(std::vector<GLfloat>{1, 2, 3}.data());
  EXPECT_EQ(calls_.Names(), (std::vector<std::string>{"glMultiTexCoord2fARB", "glMultiTexCoord3fvARB"}));
  EXPECT_EQ(calls_.CallsOf("glMultiTexCoord2fARB")[0].Args, (std::vector<double>{GL_TEXTURE1_ARB, 0.25, 0.5}));
}

TEST_F(TexCoordMapping, DualSendsCoordinatesToBothUnits) {
  xgl::MapTexCoordToDual();
  xgl::TexCoord4f(1, 2, 3, 4);
  EXPECT_EQ(calls_.Names(), (std::vector<std::string>{"glTexCoord4f", "glMultiTexCoord4fARB"}));
  EXPECT_EQ(calls_.CallsOf("glMultiTexCoord4fARB")[0].Args, (std::vector<double>{GL_TEXTURE1_ARB, 1, 2, 3, 4}));
}

// Every multi-unit server or client call ends with unit 0 selected.
struct UnitCase {
  const char* label;
  void (*map)();
  std::vector<GLenum> activeUnits;        // glActiveTextureARB after one Enable
  std::vector<GLenum> clientActiveUnits;  // glClientActiveTextureARB after one EnableClientState
};

void MapSecond() { xgl::MapTexCoordToSecond(); }
void MapDual() { xgl::MapTexCoordToDual(); }
void MapUnits023() {
  const GLenum units[] = {GL_TEXTURE0_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB};
  xgl::MapTexCoordToArbitrary(units);
}

TEST_F(TexCoordMapping, MultiUnitCallsEndOnUnitZero) {
  const UnitCase cases[] = {
      {"second", MapSecond, {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}, {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}},
      {"dual", MapDual, {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}, {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}},
      {"arbitrary",
       MapUnits023,
       {GL_TEXTURE0_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB, GL_TEXTURE0_ARB},
       {GL_TEXTURE0_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB, GL_TEXTURE0_ARB}},
  };
  for (const UnitCase& c : cases) {
    SCOPED_TRACE(c.label);
    xgl::MapTexCoordToNull();
    c.map();
    for (auto call : {+[] { xgl::Enable(GL_TEXTURE_2D); }, +[] { xgl::Disable(GL_TEXTURE_2D); },
                      +[] { xgl::TexGenf(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR); }}) {
      calls_.Clear();
      call();
      EXPECT_EQ(Units("glActiveTextureARB"), c.activeUnits);
      EXPECT_EQ(calls_.Count("glClientActiveTextureARB"), 0);
    }
    for (auto call : {+[] { xgl::EnableClientState(GL_TEXTURE_COORD_ARRAY); },
                      +[] { xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY); },
                      +[] { xgl::TexCoordPointer(2, GL_FLOAT, 0, nullptr); }}) {
      calls_.Clear();
      call();
      EXPECT_EQ(Units("glClientActiveTextureARB"), c.clientActiveUnits);
      EXPECT_EQ(calls_.Count("glActiveTextureARB"), 0);
    }
  }
}

TEST_F(TexCoordMapping, ArbitrarySendsCoordinatesToEveryListedUnit) {
  MapUnits023();
  xgl::TexCoord2fv(std::vector<GLfloat>{5, 6}.data());
  EXPECT_EQ(Units("glMultiTexCoord2fvARB"),
            (std::vector<GLenum>{GL_TEXTURE0_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB}));
  EXPECT_EQ(calls_.Count("glTexCoord2fv"), 0);
}

TEST_F(TexCoordMapping, ForbiddenSecondUnitTurnsSecondIntoNullAndDualIntoMain) {
  xgl::ForbidSecondTextureUnit();
  xgl::MapTexCoordToSecond();
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmNull);
  xgl::TexCoord2f(1, 1);
  EXPECT_TRUE(calls_.Calls().empty());

  xgl::MapTexCoordToDual();
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmMain);
  xgl::TexCoord2f(1, 1);
  EXPECT_EQ(calls_.Names(), (std::vector<std::string>{"glTexCoord2f"}));
}

TEST_F(TexCoordMapping, ForbiddenSecondUnitIsLeftOutOfAnArbitraryList) {
  xgl::ForbidSecondTextureUnit();
  const GLenum units[] = {GL_TEXTURE0_ARB, GL_TEXTURE1_ARB, GL_TEXTURE2_ARB};
  xgl::BeginUpdate();
  xgl::MapTexCoordToArbitrary(units);
  // Stored at once, even inside an update.
  EXPECT_EQ(xgl::GetArbitraryUnits(), (std::vector<GLenum>{GL_TEXTURE0_ARB, GL_TEXTURE2_ARB}));
  xgl::EndUpdate();
  xgl::TexCoord2f(1, 1);
  EXPECT_EQ(Units("glMultiTexCoord2fARB"), (std::vector<GLenum>{GL_TEXTURE0_ARB, GL_TEXTURE2_ARB}));
}

TEST_F(TexCoordMapping, OnlyTheLastMappingOfAnUpdateIsAppliedAtItsEnd) {
  xgl::BeginUpdate();
  xgl::BeginUpdate();
  xgl::MapTexCoordToDual();
  xgl::MapTexCoordToSecond();
  xgl::EndUpdate();
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmNull);  // still inside the outer pair
  xgl::EndUpdate();
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmSecond);
  xgl::TexCoord2f(1, 1);
  EXPECT_EQ(calls_.Names(), (std::vector<std::string>{"glMultiTexCoord2fARB"}));
}

TEST_F(TexCoordMapping, UnbalancedEndUpdateIsAnAssertionFailure) {
  EXPECT_THROW(xgl::EndUpdate(), EAssertionFailed);
}

TEST_F(TexCoordMapping, PopRestoresTheUnitsAnArbitraryMappingWasPushedWith) {
  MapUnits023();
  xgl::PushTexCoordMapping();
  const GLenum other[] = {GL_TEXTURE1_ARB};
  xgl::MapTexCoordToArbitrary(other);
  xgl::PushTexCoordMapping();
  xgl::MapTexCoordToMain();

  xgl::PopTexCoordMapping();
  EXPECT_EQ(xgl::GetArbitraryUnits(), (std::vector<GLenum>{GL_TEXTURE1_ARB}));
  xgl::PopTexCoordMapping();
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmArbitrary);
  EXPECT_EQ(xgl::GetArbitraryUnits(), (std::vector<GLenum>{GL_TEXTURE0_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB}));
  EXPECT_THROW(xgl::PopTexCoordMapping(), EAssertionFailed);  // stack empty
}

TEST_F(TexCoordMapping, PushInsideAnUpdateIsAnAssertionFailure) {
  xgl::BeginUpdate();
  EXPECT_THROW(xgl::PushTexCoordMapping(), EAssertionFailed);
  xgl::EndUpdate();
}

TEST(TexCoordMappingWithoutMultitexture, MultiUnitModesAreRefusedAndNothingIsSent) {
  const GLApi table = NoopTable(false);
  ScopedGLApi scoped(table);
  GLCallRecorder calls(table);
  xgl::MapTexCoordToMain();
  EXPECT_THROW(xgl::MapTexCoordToSecond(), EAssertionFailed);
  EXPECT_THROW(xgl::MapTexCoordToDual(), EAssertionFailed);
  const GLenum units[] = {GL_TEXTURE0_ARB};
  EXPECT_THROW(xgl::MapTexCoordToArbitrary(units), EAssertionFailed);
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmMain);
  xgl::TexCoord2f(1, 1);
  xgl::Enable(GL_TEXTURE_2D);
  EXPECT_EQ(calls.Names(), (std::vector<std::string>{"glTexCoord2f", "glEnable"}));
  xgl::MapTexCoordToNull();
}

}  // namespace
