#include "shell/control_window.h"

#include "client/config_xml.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }
std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

QSlider* AddBar(QGridLayout& grid, int row, const char* name, const char* caption, QWidget* parent) {
  auto* bar = Named(new QSlider(Qt::Horizontal, parent), name);
  bar->setRange(0, ControlBarMaximum);
  bar->setPageStep(1);
  bar->setTickPosition(QSlider::TicksBelow);
  grid.addWidget(new QLabel(caption, parent), row, 0);
  grid.addWidget(bar, row, 1);
  return bar;
}

QButtonGroup* AddRadioGroup(QGroupBox& box, const char* name, std::initializer_list<const char*> captions) {
  auto* group = new QButtonGroup(&box);
  group->setObjectName(name);
  auto* layout = new QVBoxLayout(&box);
  int id = 0;
  for (const char* caption : captions) {
    auto* button = new QRadioButton(caption, &box);
    group->addButton(button, id++);
    layout->addWidget(button);
  }
  return group;
}

}  // namespace

Tfmcontrol::Tfmcontrol() {
  setObjectName("fmcontrol");
  setWindowTitle("Control");
  auto* columns = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);

  auto* timeBox = new QGroupBox("Mud Time", this);
  auto* timeLayout = new QVBoxLayout(timeBox);
  edtime = Named(new QLineEdit("12", timeBox), "edtime");
  timeLayout->addWidget(edtime);
  left->addWidget(timeBox);
  auto* defaults = Named(new QGroupBox("Default Mud Times", this), "rgdefaulttimesbox");
  rgdefaulttimes = AddRadioGroup(*defaults, "rgdefaulttimes", {"Day", "Night", "Morning", "Sunset"});
  left->addWidget(defaults);

  auto* weather = new QGridLayout;
  tbclouds = AddBar(*weather, 0, "tbclouds", "Clouds", this);
  tbwind = AddBar(*weather, 1, "tbwind", "Wind", this);
  tbfog = AddBar(*weather, 2, "tbfog", "Fog", this);
  tbrain = AddBar(*weather, 3, "tbrain", "Rain", this);
  left->addLayout(weather);

  auto* coordinates = new QGroupBox("Mud Coordinates", this);
  auto* coordinateLayout = new QFormLayout(coordinates);
  edx = Named(new QLineEdit("253", coordinates), "edx");
  edy = Named(new QLineEdit("295", coordinates), "edy");
  coordinateLayout->addRow("x", edx);
  coordinateLayout->addRow("y", edy);
  left->addWidget(coordinates);

  lbmudlocations = Named(new QListWidget(this), "lbmudlocations");
  right->addWidget(lbmudlocations, 1);

  auto* fields = new QFormLayout;
  edLevel = Named(new QLineEdit(this), "edLevel");
  edspeed = Named(new QLineEdit("1", this), "edspeed");
  fields->addRow("Level", edLevel);
  fields->addRow("Walkthrough Scale", edspeed);
  right->addLayout(fields);

  auto addCheck = [&](const char* name, const char* caption, bool checked) {
    auto* box = Named(new QCheckBox(caption, this), name);
    box->setChecked(checked);
    right->addWidget(box);
    return box;
  };
  // Checked where the settings file's default is on, until that file is read.
  cbdoday = addCheck("cbdoday", "Do Day", false);
  cbfly = addCheck("cbfly", "Fly", false);
  cbfog = addCheck("cbfog", "Fog Enabled", true);
  cbstriptelnetcoords = addCheck("cbstriptelnetcoords", "Strip Telnet Coords", true);
  cbstats = addCheck("cbstats", "Show Stats in Caption", false);
  cbshowmudxy = addCheck("cbshowmudxy", "Show mud x,y", false);

  auto* objects = Named(new QGroupBox("Objects", this), "rbObjectsbox");
  rbObjects = AddRadioGroup(*objects, "rbObjects", {"Clear", "Add"});
  rbObjects->button(0)->setChecked(true);
  right->addWidget(objects);
  edObject = Named(new QLineEdit(this), "edObject");
  right->addWidget(edObject);

  lberror = Named(new QLabel(this), "lberror");
  lberror->setWordWrap(true);
  lberror->setStyleSheet("color: #c00000");
  left->addWidget(lberror);
  auto* buttons = new QHBoxLayout;
  Button1 = Named(new QPushButton("Ok", this), "Button1");
  Button2 = Named(new QPushButton("Cancel", this), "Button2");
  Button1->setDefault(true);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  left->addLayout(buttons);

  connect(rgdefaulttimes, &QButtonGroup::idClicked, this, [this](int id) { rgdefaulttimesClick(id); });
  connect(cbfog, &QCheckBox::toggled, this, [this] { cbfogClick(); });
  connect(lbmudlocations, &QListWidget::itemClicked, this, [this] { lbmudlocationsClick(); });
  connect(rbObjects, &QButtonGroup::idToggled, this, [this] { rbObjectsClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  cbfogClick();
  rbObjectsClick();
}

TControlValues Tfmcontrol::GetValues() const {
  TControlValues values;
  values.Time = Text(edtime);
  values.Clouds = tbclouds->value();
  values.Wind = tbwind->value();
  values.Fog = tbfog->value();
  values.Rain = tbrain->value();
  values.X = Text(edx);
  values.Y = Text(edy);
  values.Level = Text(edLevel);
  values.ClearObjects = rbObjects->checkedId() != 1;
  values.Object = Text(edObject);
  return values;
}

void Tfmcontrol::SetValues(const TControlValues& values) {
  edtime->setText(Text(values.Time));
  tbclouds->setValue(values.Clouds);
  tbwind->setValue(values.Wind);
  tbfog->setValue(values.Fog);
  tbrain->setValue(values.Rain);
  edx->setText(Text(values.X));
  edy->setText(Text(values.Y));
  edLevel->setText(Text(values.Level));
  rbObjects->button(values.ClearObjects ? 0 : 1)->setChecked(true);
  edObject->setText(Text(values.Object));
}

bool Tfmcontrol::Run(TMudstate& current, TMudstate& received) {
  TControlValues values = GetValues();
  FillControlValues(current, values);
  SetValues(values);
  lberror->clear();
  if (exec() != QDialog::Accepted) return false;
  std::string error;
  return ApplyControlValues(GetValues(), current, received, error);
}

void Tfmcontrol::OkClick() {
  // Every number is read before anything changes; a bad one keeps the
  // window open and says which.
  if (std::optional<std::string> error = CheckControlValues(GetValues())) {
    lberror->setText(Text(*error));
    return;
  }
  lberror->clear();
  accept();
}

void Tfmcontrol::rgdefaulttimesClick(int index) {
  if (index < dtDay || index > dtSunset) return;
  auto which = static_cast<TDefaultMudTime>(index);
  // The world's sunrise and sunset are needed for the last two.
  if (!FConfig && (which == dtMorning || which == dtSunset)) return;
  double sunrise = FConfig ? FConfig->environment.times.sunrise : 0;
  double sunset = FConfig ? FConfig->environment.times.sunset : 0;
  edtime->setText(Text(DefaultMudTime(which, sunrise, sunset)));
}

void Tfmcontrol::cbfogClick() {
  if (!cbfog->isChecked()) {
    tbfog->setValue(0);
    QApplication::processEvents();
  }
  tbfog->setEnabled(cbfog->isChecked());
}

void Tfmcontrol::lbmudlocationsClick() {
  int row = lbmudlocations->currentRow();
  if (row < 0 || row >= static_cast<int>(FLocations.size())) return;
  edx->setText(Text(FLocations[static_cast<std::size_t>(row)].X));
  edy->setText(Text(FLocations[static_cast<std::size_t>(row)].Y));
}

void Tfmcontrol::rbObjectsClick() { edObject->setEnabled(rbObjects->checkedId() == 1); }

void Tfmcontrol::display() {
  lbmudlocations->clear();
  FLocations = MudLocations(FConfig ? FConfig->GetGodModeLocations() : nullptr);
  for (const TMudLocation& location : FLocations) lbmudlocations->addItem(Text(location.Line));
}

void Tfmcontrol::showEvent(QShowEvent* event) {
  display();
  QDialog::showEvent(event);
}
