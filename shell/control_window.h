#pragma once
// The Control window: the developer panel that sets the displayed state by
// hand (time of day, weather, position, terrain type, monsters) and holds
// options the rest of the shell reads (movement step, day cycle, fog,
// coordinate-line hiding, statistics caption). A thin adapter over
// shell/core/control_values.

#include "shell/core/control_values.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class TConfigXML;
class TMudstate;

class Tfmcontrol : public QDialog {
public:
  Tfmcontrol();

  // The world description the default times and the location list come
  // from; nullptr while there is none.
  void SetWorld(TConfigXML* config) { FConfig = config; }

  // The menu command's part of the window: fills it from the current state,
  // shows it modally and, on OK, sets the states. True when OK changed them.
  bool Run(TMudstate& current, TMudstate& received);

  TControlValues GetValues() const;
  void SetValues(const TControlValues& values);

  void rgdefaulttimesClick(int index);
  void cbfogClick();
  void lbmudlocationsClick();
  void rbObjectsClick();
  // The location list from the world description.
  void display();

  QLineEdit* edtime = nullptr;
  QButtonGroup* rgdefaulttimes = nullptr;
  QSlider* tbclouds = nullptr;
  QSlider* tbwind = nullptr;
  QSlider* tbfog = nullptr;
  QSlider* tbrain = nullptr;
  QLineEdit* edx = nullptr;
  QLineEdit* edy = nullptr;
  QListWidget* lbmudlocations = nullptr;
  QLineEdit* edLevel = nullptr;
  QLineEdit* edspeed = nullptr;
  QCheckBox* cbdoday = nullptr;
  QCheckBox* cbfly = nullptr;
  QCheckBox* cbfog = nullptr;
  QCheckBox* cbstriptelnetcoords = nullptr;
  QCheckBox* cbstats = nullptr;
  QCheckBox* cbshowmudxy = nullptr;
  QButtonGroup* rbObjects = nullptr;
  QLineEdit* edObject = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  // Says why OK did not close the window.
  QLabel* lberror = nullptr;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void OkClick();

  TConfigXML* FConfig = nullptr;
  std::vector<TMudLocation> FLocations;
};
