// The Control window over the real main window's client core: Cancel leaves
// the states, the view and the caption as they were; OK puts the player
// where the window says, resets the caption and moves the camera there.
#include "tests/shell/main_window_session.h"

#include "client/config_xml.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/camera.h"
#include "shell/control_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <functional>

namespace {

class MainWindowControl : public MainWindowSession {
protected:
  // Opens the window from the menu; `user` acts while it is open.
  void ControlWith(std::function<void()> user) {
    QTimer::singleShot(0, fmcontrol, [user] { user(); });
    main->Control1Click();
  }
};

TEST_F(MainWindowControl, OkMovesTheViewWhereTheWindowSaysAndCancelLeavesIt) {
  ASSERT_NE(fmcontrol, nullptr);
  TMud* core = main->GetMud();
  ASSERT_NE(core, nullptr);
  ASSERT_TRUE(core->GetBuilt()) << core->GetCreateError();
  fmcontrol->cbstats->setChecked(false);
  main->setWindowTitle("12 fps");
  const TVector4f start = core->CurrentState->GetPosition()->AsVector();
  const TVector4f camera = core->Camera->GetPosition()->AsVector();

  ControlWith([] {
    fmcontrol->edx->setText("100");
    fmcontrol->Button2->click();
  });
  EXPECT_TRUE(core->CurrentState->GetPosition()->Equals(start));
  EXPECT_TRUE(core->Camera->GetPosition()->Equals(camera));
  EXPECT_EQ(main->windowTitle(), "12 fps");

  ControlWith([] {
    fmcontrol->edx->setText("100");
    fmcontrol->edy->setText("150");
    fmcontrol->Button1->click();
  });
  const TVector4f& now = core->CurrentState->GetPosition()->AsVector();
  EXPECT_EQ(now[0], 100);
  EXPECT_EQ(now[1], 150);
  EXPECT_TRUE(core->ReceivedState->GetPosition()->Equals(now));
  EXPECT_EQ(main->windowTitle(), "Tallowmer 3D Client");
  // The camera a little behind the player, looking the way the player
  // faces: map (x, y) to scene ((x - 358) s, ., (358 - y) s).
  const TVector4f& d = core->CurrentState->GetDirection()->AsVector();
  const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  const double v = core->VisualScale, offset = core->Config->positionoffset;
  const TVector4f& at = core->Camera->GetPosition()->AsVector();
  EXPECT_NEAR(at[0], (100 - offset * d[0] / length - 358) * v, 1e-3 * v);
  EXPECT_NEAR(at[2], (358 - (150 - offset * d[1] / length)) * v, 1e-3 * v);
}

}  // namespace
