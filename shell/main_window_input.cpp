// The main window's settings, keys, mouse and timer: the settings file read
// at the first activation into the windows and the client core's current
// state and written at close; key preview with the view keys and the mapped
// commands; drags, double clicks and right clicks over the 3D view; and the
// 240 ms timer (typing pause, statistics caption, day cycle, weather sounds).
#include "shell/main_window.h"

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/texture_cache.h"
#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/gl_coordinates.h"
#include "objects/dummy_cube.h"
#include "platform/ini/ini_file.h"
#include "client/xml_list_dom.h"
#include "shell/application.h"
#include "shell/control_window.h"
#include "shell/core/key_mappings.h"
#include "shell/core/view_input.h"
#include "shell/core/view_timer.h"
#include "shell/key_mappings_window.h"
#include "shell/options_window.h"
#include "shell/qt_keys.h"
#include "shell/scene_viewer.h"
#include "sound/bass_sound_manager.h"
#include "sound/sound_emitter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QTimer>

#include <iostream>
#include <random>

namespace {

// Settings kept in controls of the Control and Options windows; without
// the window the setting stays as it was read.
struct TextControl {
  QLineEdit* (*edit)();
  std::string TClientSettings::*value;
};
struct CheckControl {
  QCheckBox* (*box)();
  bool TClientSettings::*value;
};

template <class Window, class Control>
Control* Of(Window* window, Control* Window::*control) {
  return window ? window->*control : nullptr;
}

constexpr TextControl kTextControls[] = {
    {[] { return Of(fmcontrol, &Tfmcontrol::edspeed); }, &TClientSettings::Speed},
    {[] { return Of(fmcontrol, &Tfmcontrol::edLevel); }, &TClientSettings::Level},
    {[] { return Of(fmcontrol, &Tfmcontrol::edtime); }, &TClientSettings::Time},
    {[] { return Of(fmcontrol, &Tfmcontrol::edx); }, &TClientSettings::X},
    {[] { return Of(fmcontrol, &Tfmcontrol::edy); }, &TClientSettings::Y},
    {[] { return Of(fmoptions, &Tfmoptions::edmaxtelnetlines); }, &TClientSettings::MaxTelnetLines},
};
constexpr CheckControl kCheckControls[] = {
    {[] { return Of(fmoptions, &Tfmoptions::cbNoSound); }, &TClientSettings::NoSound},
    {[] { return Of(fmcontrol, &Tfmcontrol::cbfly); }, &TClientSettings::Fly},
    {[] { return Of(fmcontrol, &Tfmcontrol::cbshowmudxy); }, &TClientSettings::ShowMudXY},
    {[] { return Of(fmcontrol, &Tfmcontrol::cbstriptelnetcoords); }, &TClientSettings::StripTelnetCoords},
    {[] { return Of(fmcontrol, &Tfmcontrol::cbstats); }, &TClientSettings::ShowStats},
    {[] { return Of(fmcontrol, &Tfmcontrol::cbfog); }, &TClientSettings::FogEnabled},
    {[] { return Of(fmoptions, &Tfmoptions::cbmousemove); }, &TClientSettings::MouseMove},
};

// A check box of the Control window, or the fallback without the window.
bool ControlChecked(QCheckBox* Tfmcontrol::*box, bool fallback) {
  return fmcontrol ? (fmcontrol->*box)->isChecked() : fallback;
}

QString FromLatin(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

std::optional<TStartPosition> WorldStartPosition(TMud* core) {
  if (!core || !core->Config) return std::nullopt;
  TXMLListDOM* location = TConfigXML::GetGodModeLocation(core->Config->GetGodModeLocations(), 0);
  if (!location || location->IsEmpty()) return std::nullopt;
  return TStartPosition{location->GetString("x"), location->GetString("y")};
}

void SetEmitter(TGLBSoundEmitter* emitter, std::optional<float> volume) {
  if (!emitter) return;
  if (volume) emitter->Source().SetVolume(*volume);
  emitter->SetPlaying(volume.has_value());
}

}  // namespace

void Tfmtallowmer3dclient::ConnectInputHooks() {
  auto engine = std::make_shared<std::mt19937>(std::random_device{}());
  WeatherRandom = [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
  connect(timer, &QTimer::timeout, this, [this] { timerTimer(); });
}

void Tfmtallowmer3dclient::OpenSettings() {
  FIni = std::make_unique<IniFile>(SettingsFilePath());
  // A file that cannot be read is left as it is; the defaults hold.
  if (!FIni->GetLoadError().empty()) ShowError("Settings not read: " + FIni->GetLoadError());
  FSettings.NoSound = FIni->ReadBool(SettingsSection, "nosound", false);
  if (fmoptions) fmoptions->cbNoSound->setChecked(FSettings.NoSound);
}

TPanelRoom Tfmtallowmer3dclient::PanelRoom() const {
  const QScreen* shown = screen();
  if (!shown) return {};
  const QRect available = shown->availableGeometry();
  // The title bar and borders, and the rest of the window at its smallest:
  // the map panel and the 3D view may take what is left.
  const QSize frame = frameGeometry().size() - size();
  const QSize least = minimumSizeHint();
  const int leastView =
      pnviewer->minimumHeight() > 0 ? pnviewer->minimumHeight() : pnviewer->minimumSizeHint().height();
  return TPanelRoom{available.width() - frame.width() - (least.width() - pnright->width()),
                    available.height() - frame.height() - (least.height() - leastView)};
}

void Tfmtallowmer3dclient::ReadSettings() {
  FSettings = ReadClientSettings(*FIni, WorldStartPosition(mud), PanelRoom());
  for (const TextControl& control : kTextControls)
    if (QLineEdit* edit = control.edit()) {
      // A field holds 32,767 characters unless told otherwise: a longer
      // value of the file would be cut when written back.
      edit->setMaxLength(std::max(edit->maxLength(), static_cast<int>(IniFile::kMaxFileSize)));
      edit->setText(FromLatin(FSettings.*control.value));
    }
  for (const CheckControl& control : kCheckControls)
    if (QCheckBox* box = control.box()) box->setChecked(FSettings.*control.value);
  ApplyMouseMoveOption();
  if (auto* action = findChild<QAction*>("Map1")) action->setChecked(FSettings.Map);
  if (FSettings.GodMode) SetDeveloperMode(true);
  if (fmoptions) fmoptions->tbmousesensitivity->setValue(FSettings.MouseSensitivity);
  const QList<int> sizes = spviewer->sizes();
  spviewer->setSizes({FSettings.ViewerHeight, std::max(sizes.value(0) + sizes.value(1) - FSettings.ViewerHeight, 1)});
  pnright->setFixedWidth(FSettings.RightWidth);

  if (mud) {
    TMudstate& current = *mud->CurrentState;
    ApplyClientSettings(FSettings, current);
    current.GetDirection()->SetVector(0, -1, 0);
    mud->ReceivedState->Assign(&current);
  }
  FSettingsRead = true;
  // Key preview: the keys of the window and the 3D view's mouse reach
  // FormKeyUp and the view's handlers.
  qApp->installEventFilter(this);
  if (fmkeymappings) {
    fmkeymappings->LoadKeyMappings(*FIni);
    FKeyMappingsRead = true;
  }
}

TClientSettings Tfmtallowmer3dclient::ControlSettings() const {
  TClientSettings settings = FSettings;
  for (const TextControl& control : kTextControls)
    if (QLineEdit* edit = control.edit()) settings.*control.value = edit->text().toLatin1().toStdString();
  for (const CheckControl& control : kCheckControls)
    if (QCheckBox* box = control.box()) settings.*control.value = box->isChecked();
  if (auto* action = findChild<QAction*>("Map1")) settings.Map = action->isChecked();
  settings.GodMode = FDeveloperMode;
  if (fmoptions) settings.MouseSensitivity = fmoptions->tbmousesensitivity->value();
  settings.ViewerHeight = pnviewer->height();
  settings.RightWidth = pnright->width();
  return settings;
}

void Tfmtallowmer3dclient::WriteSettings() {
  if (!FIni) return;
  if (!FSettingsRead && !FKeyMappingsRead) {
    FIni.reset();
    return;
  }
  // Read again: what was written by hand while the program ran is kept.
  const auto ini = std::make_unique<IniFile>(FIni->GetFileName());
  FIni.reset();
  // A file that cannot be read is never overwritten.
  if (!ini->GetLoadError().empty()) return;
  try {
    if (mud && FSettingsRead) WriteClientSettings(*ini, ControlSettings(), !pnviewer->isHidden(), *mud->CurrentState);
    if (fmkeymappings && FKeyMappingsRead) fmkeymappings->SaveKeyMappings(*ini);
    ini->UpdateFile();
  } catch (const std::exception& e) {
    ShowError(std::string("Settings not saved: ") + e.what());
  }
}

void Tfmtallowmer3dclient::ApplyMouseMoveOption() {
  FMouseMoveHandled = !fmoptions || fmoptions->cbmousemove->isChecked();
  // The view hears of every move, button held or not, while it is handled.
  FView->GetViewer()->setMouseTracking(FMouseMoveHandled);
}

void Tfmtallowmer3dclient::SetDeveloperMode(bool value) {
  FDeveloperMode = value;
  for (const char* name : {"Images1", "Control1"})
    if (auto* action = findChild<QAction*>(name)) action->setVisible(value);
}

bool Tfmtallowmer3dclient::InputEvent(QObject* watched, QEvent* event) {
  // The application's filter outlives the view while the window goes.
  if (!FView) return false;
  if (event->type() == QEvent::KeyRelease) {
    // A key released in any control of the window travels up to the window
    // (controls leave key releases to their parents), where the
    // application's filter sees it once.
    auto* key = static_cast<QKeyEvent*>(event);
    // X11 repeats a held key as release and press pairs; a key goes up once.
    if (watched == this && !key->isAutoRepeat()) {
      const std::uint16_t code = VirtualKeyCode(*key);
      // Shift released is no longer held.
      const bool shift = code != VK_SHIFT && key->modifiers().testFlag(Qt::ShiftModifier);
      try {
        FormKeyUp(code, shift, key->modifiers().testFlag(Qt::ControlModifier));
      } catch (const std::exception& e) {
        ShowError(e.what());
      }
    }
    return false;
  }
  if (watched != FView->GetViewer()) return false;
  try {
    switch (event->type()) {
      case QEvent::MouseMove:
        if (FMouseMoveHandled) {
          auto* mouse = static_cast<QMouseEvent*>(event);
          const QPoint at = mouse->position().toPoint();
          GL3DSceneViewerMouseMove(mouse->buttons(), at.x(), at.y());
        }
        break;
      case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        // Only the left button's double click walks; another button's second
        // press is a press of its own (a right click twice is two clicks).
        if (mouse->button() == Qt::LeftButton)
          GL3DSceneViewerDblClick(at.x(), at.y());
        else
          GL3DSceneViewerMouseDown(mouse->button(), at.x(), at.y());
        break;
      }
      case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        GL3DSceneViewerMouseDown(mouse->button(), at.x(), at.y());
        break;
      }
      default: break;
    }
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  return false;
}

void Tfmtallowmer3dclient::FormKeyUp(std::uint16_t key, bool shift, bool ctrl) {
  if (AdvanceGodMode(FGodModeStep, key, ctrl)) {
    SetDeveloperMode(true);
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), "God Mode", QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
  if (!mud) return;
  const double step = MovementStep(fmcontrol ? fmcontrol->edspeed->text().toStdString() : FSettings.Speed);
  const TViewMove move = ViewKeyMove(key, shift, step, UseTerrainRenderer);
  if (move.kind != TViewMove::None) {
    ApplyViewMove(*mud->CurrentState, move, FDeveloperMode && !IdTelnet1->Connected());
    mud->Update();
  }
  if (!IdTelnet1->Connected() || !fmkeymappings) return;
  const std::string command = fmkeymappings->LookupKeyCommand(key);
  if (command.empty()) return;
  for (const std::string& part : SplitMappedCommand(command))
    if (!SendCommand(part)) return;
}

void Tfmtallowmer3dclient::GL3DSceneViewerMouseMove(Qt::MouseButtons buttons, int x, int y) {
  if (buttons.testFlag(Qt::LeftButton) && mud) {
    const int sensitivity = fmoptions ? fmoptions->tbmousesensitivity->value() : FSettings.MouseSensitivity;
    if (std::optional<TViewMove> move = DragMove(FLastMouse, x, y, sensitivity)) {
      ApplyViewMove(*mud->CurrentState, *move, true);
      mud->Update();
    }
  }
  FLastMouse = TMousePosition{x, y};
}

void Tfmtallowmer3dclient::GL3DSceneViewerDblClick(int x, int y) {
  if (!IdTelnet1->Connected() || !mud) return;
  const TGLCoordinates& position = *mud->CurrentState->GetPosition();
  if (position.GetX() == 0 && position.GetY() == 0 && position.GetZ() == 0) return;
  const TGLCoordinates& direction = *mud->CurrentState->GetDirection();
  GL3DSceneViewer& viewer = *FView->GetViewer();
  const std::string command =
      DoubleClickCommand(x, y, viewer.width(), viewer.height(), direction.GetX(), direction.GetY());
  if (!command.empty()) SendCommand(command);
}

void Tfmtallowmer3dclient::GL3DSceneViewerMouseDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::RightButton || !IdTelnet1->Connected() || !mud || !mud->MobSquare) return;
  TGLBaseSceneObject* picked = nullptr;
  bool pickedYet = false;
  for (int i = 0; i < mud->MobSquare->GetCount(); ++i) {
    TGLBaseSceneObject* monster = mud->MobSquare->GetChild(i);
    if (monster->GetCount() == 0) continue;
    TGLBaseSceneObject* sprite = monster->GetChild(0);
    if (sprite->GetName().size() <= 5) continue;
    // One picking render serves every monster.
    if (!pickedYet) {
      picked = FView->GetViewer()->GetPickedObject(x, y);
      pickedYet = true;
    }
    if (picked == sprite) {
      SendCommand(MonsterKillCommand(sprite->GetName()));
      return;
    }
  }
}

void Tfmtallowmer3dclient::timerTimer() {
  TGLCadencer& cadencer = *FView->GetCadencer();
  if (!cadencer.GetEnabled() && SecondsSince(FLastKeyTime) > TypingPauseSeconds) cadencer.SetEnabled(true);
  if (!cadencer.GetEnabled() || !mud) return;
  TMudstate& current = *mud->CurrentState;

  if (ControlChecked(&Tfmcontrol::cbstats, FSettings.ShowStats)) {
    GL3DSceneViewer& viewer = *FView->GetViewer();
    TStatistics statistics;
    statistics.FramesPerSecond = viewer.FramesPerSecond();
    viewer.ResetPerformanceMonitor();
    const double seconds = SecondsSince(FRateWindowStart);
    if (seconds >= DisplayRateWindowSeconds) {
      FDisplaysPerSecond = mud->UpdateCount / seconds;
      FRateWindowStart = ClientClock::now();
      mud->UpdateCount = 0;
    }
    statistics.DisplaysPerSecond = FDisplaysPerSecond;
    statistics.LastRenderMs = FLastRenderMs;
    statistics.TimeOfDay = current.Time;
    statistics.CacheSize = mud->TextureCache ? mud->TextureCache->GetCount() : 0;
    statistics.ShowMudXY = ControlChecked(&Tfmcontrol::cbshowmudxy, FSettings.ShowMudXY);
    const TVector4f position =
        statistics.ShowMudXY ? current.GetPosition()->AsVector() : FView->GetCamera()->GetAbsolutePosition();
    statistics.X = position[0];
    statistics.Y = position[1];
    statistics.Z = position[2];
    setWindowTitle(QString::fromStdString(StatisticsCaption(statistics)));
  }

  if (ControlChecked(&Tfmcontrol::cbdoday, false)) {
    current.Time = AdvanceDayTime(current.Time);
    mud->ApplyState(current.GetPosition()->AsVector(), current.GetDirection()->AsVector(),
                    current.GetUp()->AsVector(), current.Level, current.Time, current.Cloud, current.Wind,
                    current.Fog, current.Mobs());
  }

  if (GLSMBASS1->GetActive()) {
    const TWeatherSounds sounds = WeatherSounds(current, WeatherRandom);
    SetEmitter(mud->WindEmitter, sounds.Wind);
    if (mud->WingFlapEmitter) mud->WingFlapEmitter->SetPlaying(sounds.WingBeats);
    SetEmitter(mud->RainEmitter, sounds.Rain);
  }
}
