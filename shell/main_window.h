#pragma once
// The main window: tool bar, the 3D view and map panels, the coloured text
// pane and the command line, and the telnet connection to the game server.
// Its creation does little; its first activation runs the start-up once.

#include "client/client_helpers.h"
#include "shell/core/client_settings.h"
#include "shell/core/receive_splitter.h"
#include "shell/core/status_line.h"
#include "shell/core/telnet_client.h"
#include "shell/core/view_input.h"
#include "shell/command_line.h"
#include "shell/qt_dispatcher.h"
#include "shell/telnet_pane.h"

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Bitmap;
class IniFile;
class MainViewPanel;
class TGLSMBASS;
class TGLSoundLibrary;
class TMud;

// The client core, from the first activation on; nullptr before.
extern TMud* mud;
class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;

class Tfmtallowmer3dclient : public QMainWindow {
public:
  Tfmtallowmer3dclient();
  ~Tfmtallowmer3dclient() override;

  void FormCreate();
  void FormActivate();
  void FormClose();
  void SetBusyCaption(const QString& text);

  void btconnectClick();
  void btdisconnectClick();
  void btsaveClick();
  // The command line's key handler; Enter (CR) sends the command line. A key
  // set to 0 is swallowed.
  void btcommandKeyPress(char16_t& key);
  void IdTelnet1DataAvailable(const std::string& text);
  // The newest status line among the recent lines into the client core's
  // states and the view (main_window_status.cpp).
  void ReadStatusLine();
  // Render timing of the 3D view and the cadencer's progress event.
  void GL3DSceneViewerBeforeRender();
  void GL3DSceneViewerAfterRender();
  void GLCadencer1Progress(double deltaTime);
  // The menus (main_window_menus.cpp). "3D Window" and "Map" are checked
  // items: their handlers follow the check that the click toggled.
  void Images1Click() {}
  void Control1Click();
  void N3DWindow1Click();
  void Map1Click();
  void Options2Click();
  void KeyMappings1Click();
  void SaveScreenShot1Click();
  void Help1Click();
  void About2Click();
  // The 3D view as a JPEG file of its size; false (with the error shown)
  // when it cannot be made or written.
  bool SaveScreenShot(const std::string& fileName);
  // The map panel: its margins follow its size; the spot marks the current
  // position on the aerial picture.
  void pnrightResize();
  void UpdateMapSpot();
  // Hidden developer tools: a new client core on the same scene with the
  // states carried over, and the dumps into the program folder ("fist.txt"
  // the texture cache, "fist2.txt" the material names, "fist.bmp" the
  // heights).
  void ReloadClick();
  void DumpClick();
  void DumpHeightsClick();

  // Settings, keys, mouse and timer (main_window_input.cpp).
  // Key-up anywhere in the window (key preview): developer-mode sequence,
  // view keys, then the key's mapped commands while connected.
  void FormKeyUp(std::uint16_t key, bool shift, bool ctrl);
  void GL3DSceneViewerMouseMove(Qt::MouseButtons buttons, int x, int y);
  void GL3DSceneViewerDblClick(int x, int y);
  void GL3DSceneViewerMouseDown(Qt::MouseButton button, int x, int y);
  void timerTimer();
  // The 3D view follows the mouse only while Options' "Mouse Move" is checked.
  void ApplyMouseMoveOption();
  // One command sent as if typed and sent with Enter (its characters, then
  // a carriage return, echoed unless a password is asked for), leaving what
  // the user is typing alone; false (with the error shown) when the
  // connection fails. Mapped keys, double clicks and right clicks send so.
  bool SendCommand(const std::string& command);
  // Developer mode: the View menu's "Images" and "Control" shown, moves by
  // key while disconnected.
  bool GetDeveloperMode() const { return FDeveloperMode; }
  void SetDeveloperMode(bool value);
  // The weather sounds' flutter; a fresh number in [0, 1) each tick.
  std::function<double()> WeatherRandom;

  // Writes the pane's lines as plain text; false (with the error shown)
  // when the file cannot be written.
  bool SavePaneText(const std::string& fileName);

  // The application's default error report; a message box unless replaced.
  std::function<void(const std::string& message)> OnShowError;

  TIdTelnet& GetTelnet() { return *IdTelnet1; }
  const ReceiveSplitter& GetSplitter() const { return *FSplitter; }
  TelnetPane& GetPane() { return *FPane; }
  bool GetActivated() const { return FActivated; }
  // The 3D panel's viewer, scene and cadencer.
  MainViewPanel* GetView() const { return FView.get(); }
  // The weather sounds' library and the 3D sound manager (listening at the
  // camera, on the cadencer, in a forest), active exactly when sound is
  // available.
  TGLSoundLibrary* GetSoundLibrary() const { return GLSoundLibrary.get(); }
  TGLSMBASS* GetSoundManager() const { return GLSMBASS1.get(); }
  // Sound is wanted (Options' "No Sound" is not checked) and a playback
  // device opens.
  bool SoundAvailable() const;
  TMud* GetMud() const { return FMud.get(); }
  int GetLastRenderMs() const { return FLastRenderMs; }

  QToolButton* btconnect = nullptr;
  QToolButton* btdisconnect = nullptr;
  QToolButton* btsave = nullptr;
  QPlainTextEdit* mmtelnet = nullptr;
  TCommandLine* mmcommand = nullptr;
  QWidget* pnviewer = nullptr;
  QWidget* pntelnet = nullptr;
  QWidget* pnright = nullptr;
  QSplitter* spviewer = nullptr;
  QTimer* timer = nullptr;
  QAction* Images1 = nullptr;
  QAction* Control1 = nullptr;
  QAction* N3DWindow1 = nullptr;
  QAction* Map1 = nullptr;
  QAction* Options2 = nullptr;
  QAction* KeyMappings1 = nullptr;
  QAction* SaveScreenShot1 = nullptr;
  QAction* Help1 = nullptr;
  QAction* About2 = nullptr;
  QWidget* pnmaptop = nullptr;
  QWidget* pnmapright = nullptr;
  QLabel* imAerial = nullptr;
  QWidget* spSpot = nullptr;
  QToolButton* btreload = nullptr;
  QToolButton* btdump = nullptr;
  QCheckBox* cbdumpheights = nullptr;

protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ShowError(const std::string& message);
  // What every key typed into the command line does, and every command sent
  // as if typed: a pause of a slow animation, the time of the key, and the
  // command line's colour after a line that asks for a password.
  void CommandKeyTyped();
  // The command on the wire and its echo.
  bool SendCommandLine(const std::string& command);
  // Settings steps of the start-up and the close (main_window_input.cpp).
  void ConnectInputHooks();
  void OpenSettings();
  void ReadSettings();
  void WriteSettings();
  bool InputEvent(QObject* watched, QEvent* event);
  TClientSettings ControlSettings() const;
  // What the screen leaves for the map panel and the splitter's panels.
  TPanelRoom PanelRoom() const;
  // Start-up steps of the 3D world (main_window_world.cpp).
  void ConnectViewHooks();
  void UnpackFirstRunPictures();
  void LoadAerialMap();
  void LoadElevationAndDetails();
  void CreateMud();
  // The client core on the stored scene, with the start-up's arguments.
  void NewMud();
  // The menus, the map panel and the hidden tools (main_window_menus.cpp).
  void CreateMenus();
  void CreateMapPanel();
  void CreateDeveloperTools(QToolBar& bar);
  // The map panel's aerial picture, north up.
  void ShowAerialPicture(const Bitmap& northUp);
  void SetMapPanelWidth(int width);
  // The text panel's height when the 3D window comes back.
  int TelnetHeight() const;
  void SetCommandFontColor(TColor color);
  int MaxTelnetLines() const;
  bool StripTelnetCoords() const;

  bool FDestroyed = false;
  bool FActivated = false;
  // The first activation's start-up is running; a close was asked for then.
  bool FStartingUp = false;
  bool FCloseAsked = false;
  bool FStartupGuard = false;
  ClientClock::time_point FLastKeyTime{};
  ClientClock::time_point FRateWindowStart{};
  double FDisplaysPerSecond = 0;
  // The last mouse position over the 3D view; none until the mouse moves
  // there (past the view's left or top edge it is negative, and still known).
  std::optional<TMousePosition> FLastMouse;
  TColor FCommandFontColor = 0xFFFFFF;
  std::string FAppFolder;

  std::unique_ptr<QtUiDispatcher> FDispatcher;
  std::unique_ptr<TIdTelnet> IdTelnet1;
  std::unique_ptr<TelnetPane> FPane;
  // Holds FRecentLines and FTextAttributes.
  std::unique_ptr<ReceiveSplitter> FSplitter;
  StatusLineReader FStatusReader;
  // Goes before the panels it draws in.
  std::unique_ptr<MainViewPanel> FView;
  std::unique_ptr<TGLSoundLibrary> GLSoundLibrary;
  // Goes before the view, whose camera and cadencer it follows.
  std::unique_ptr<TGLSMBASS> GLSMBASS1;
  // Goes before the view, whose scene it holds objects of.
  std::unique_ptr<TMud> FMud;
  ClientClock::time_point FRenderStart{};
  int FLastRenderMs = 0;
  // The open settings file, from the first activation until close, and
  // the settings as read, for the ones no control holds.
  std::unique_ptr<IniFile> FIni;
  TClientSettings FSettings;
  // What was read is written back at close, and nothing else: a start-up
  // cut short leaves the user's file as it was.
  bool FSettingsRead = false;
  bool FKeyMappingsRead = false;
  std::uint8_t FGodModeStep = 0;
  bool FDeveloperMode = false;
  bool FMouseMoveHandled = false;
};
