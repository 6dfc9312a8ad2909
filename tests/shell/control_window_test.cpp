// The Control window as the user sees it: filled from the state, Cancel and a
// bad number change nothing, OK sets the state, the default times and the
// location list of the sample world, and the controls that enable others.

#include "shell/control_window.h"

#include "client/config_xml.h"
#include "client/mud_state.h"
#include "gui_test_support.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

class ControlWindow : public ::testing::Test {
protected:
  void SetUp() override {
    current.Time = 14.5;
    current.Cloud = 6;
    current.Wind = 2.5;
    current.Fog = 10;
    current.Rain = 0;
    current.Level = 9;
    current.GetPosition()->SetPoint(120, 85, 0);
    current.Mobs().Cell(0, 0) = {"Orc"};
  }

  // Shows the window as the menu command does; `user` acts while it is open.
  bool RunWith(std::function<void()> user) {
    bool acted = false;
    QTimer::singleShot(0, &window, [&] {
      user();
      acted = true;
      // Whatever the user did, the window goes away.
      if (window.isVisible()) window.Button2->click();
    });
    bool changed = window.Run(current, received);
    EXPECT_TRUE(acted);
    return changed;
  }

  // The application comes before the window.
  QCoreApplication& application = gui_test::AnyApplication();
  Tfmcontrol window;
  TMudstate current, received;
};

TEST_F(ControlWindow, FilledFromTheStateAndCancelChangesNothing) {
  const double timeBefore = current.Time;
  const float xBefore = current.GetPosition()->GetX();
  bool changed = RunWith([&] {
    EXPECT_EQ(window.edtime->text(), "14.50");
    EXPECT_EQ(window.tbclouds->value(), 6);
    EXPECT_EQ(window.tbwind->value(), 2);
    EXPECT_EQ(window.tbfog->value(), 10);
    EXPECT_EQ(window.tbrain->value(), 0);
    EXPECT_EQ(window.edx->text(), "120.00");
    EXPECT_EQ(window.edy->text(), "85.00");
    window.edtime->setText("3");
    window.edx->setText("7");
    window.Button2->click();
  });
  EXPECT_FALSE(changed);
  EXPECT_EQ(current.Time, timeBefore);
  EXPECT_EQ(current.GetPosition()->GetX(), xBefore);
  EXPECT_EQ(current.Mobs().Cell(0, 0), std::vector<std::string>{"Orc"});
}

TEST_F(ControlWindow, OkWithOneBadNumberStaysOpenAndChangesNothing) {
  bool changed = RunWith([&] {
    window.edtime->setText("20");
    window.edy->setText("north");
    window.Button1->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.lberror->text().contains("north")) << window.lberror->text().toStdString();
  });
  EXPECT_FALSE(changed);
  EXPECT_EQ(current.Time, 14.5);
  EXPECT_EQ(current.GetPosition()->GetY(), 85);
}

TEST_F(ControlWindow, OkSetsTheStateFromEveryControl) {
  bool changed = RunWith([&] {
    window.edtime->setText("21");
    window.tbclouds->setValue(1);
    window.tbwind->setValue(2);
    window.tbrain->setValue(4);
    window.edx->setText("10.5");
    window.edy->setText("11");
    window.edLevel->setText("10");
    window.rbObjects->button(1)->click();
    window.edObject->setText("Wolf");
    window.Button1->click();
  });
  ASSERT_TRUE(changed);
  EXPECT_EQ(current.Time, 21);
  EXPECT_EQ(current.Cloud, 1);
  EXPECT_EQ(current.Wind, 2);
  EXPECT_EQ(current.Fog, 10);
  EXPECT_EQ(current.Rain, 4);
  EXPECT_EQ(current.GetPosition()->GetX(), 10.5f);
  EXPECT_EQ(current.GetPosition()->GetY(), 11);
  EXPECT_EQ(current.Level, 10);
  EXPECT_EQ(current.Mobs().Cell(0, 0), (std::vector<std::string>{"Orc", "Wolf"}));
  EXPECT_EQ(received.Time, 21);
  EXPECT_EQ(received.Level, 9);
}

TEST_F(ControlWindow, FogBarFollowsFogEnabledAndObjectEditFollowsAdd) {
  window.tbfog->setValue(7);
  window.cbfog->setChecked(false);
  EXPECT_EQ(window.tbfog->value(), 0);
  EXPECT_FALSE(window.tbfog->isEnabled());
  window.cbfog->setChecked(true);
  EXPECT_TRUE(window.tbfog->isEnabled());

  EXPECT_FALSE(window.edObject->isEnabled()) << "Clear is selected at first";
  window.rbObjects->button(1)->click();
  EXPECT_TRUE(window.edObject->isEnabled());
  window.rbObjects->button(0)->click();
  EXPECT_FALSE(window.edObject->isEnabled());
}

TEST_F(ControlWindow, SampleWorldGivesLocationsAndDefaultTimes) {
  const std::string folder = std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/";
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);  // the stylesheets are found from the program folder
  TConfigXML config(folder + "config.xml");
  std::filesystem::current_path(previous);
  window.SetWorld(&config);
  window.display();
  ASSERT_EQ(window.lbmudlocations->count(), 6);
  EXPECT_EQ(window.lbmudlocations->item(0)->text(),
            "The well and the fire in the middle of the village  (x=176  y=174)");
  window.lbmudlocations->setCurrentRow(3);
  window.lbmudlocationsClick();
  EXPECT_EQ(window.edx->text(), "53");  // the beach
  EXPECT_EQ(window.edy->text(), "122");

  const std::pair<int, const char*> times[] = {{dtDay, "12"}, {dtNight, "0"}, {dtMorning, "6.00"}, {dtSunset, "19.00"}};
  for (const auto& [button, text] : times) {
    window.rgdefaulttimes->button(button)->click();
    EXPECT_EQ(window.edtime->text(), text);
  }
}

}  // namespace
