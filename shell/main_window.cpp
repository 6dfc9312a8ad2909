#include "shell/main_window.h"

#include "engine/camera.h"
#include "client/client_globals.h"
#include "client/mud.h"
#include "engine/cadencer.h"
#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"
#include "platform/ini/ini_file.h"
#include "platform/audio/audio_device.h"
#include "shell/about_window.h"
#include "shell/application.h"
#include "shell/busy_window.h"
#include "shell/command_line.h"
#include "shell/control_window.h"
#include "shell/core/client_options.h"
#include "shell/core/cp1252.h"
#include "shell/options_window.h"
#include "shell/scene_viewer.h"
#include "sound/bass_sound_manager.h"
#include "sound/sound_library.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <iostream>
#include <unistd.h>

namespace {

QToolButton* AddToolButton(QToolBar& bar, const char* name, const char* caption) {
  auto* button = new QToolButton(&bar);
  button->setObjectName(name);
  button->setText(caption);
  bar.addWidget(button);
  return button;
}

}  // namespace

Tfmtallowmer3dclient::Tfmtallowmer3dclient()
    : FDispatcher(std::make_unique<QtUiDispatcher>()),
      IdTelnet1(std::make_unique<TIdTelnet>(*FDispatcher)) {
  setObjectName("fmtallowmer3dclient");
  setWindowTitle("Tallowmer 3D Client");
  resize(772, 554);

  IdTelnet1->SetPort(DefaultServerPort);
  IdTelnet1->SetTerminal("dumb");
  IdTelnet1->SetHost(DefaultServerHost);
  IdTelnet1->OnDataAvailable = [this](const std::string& text) { IdTelnet1DataAvailable(text); };
  // A connection that died of an error says so; one the server closed does not.
  IdTelnet1->OnConnectionLost = [this](const std::string& message) { ShowError(message); };

  CreateMenus();

  auto* bar = addToolBar("Tools");
  bar->setObjectName("tbmain");
  bar->setMovable(false);
  btconnect = AddToolButton(*bar, "btconnect", "Connect");
  btdisconnect = AddToolButton(*bar, "btdisconnect", "Disconnect");
  btsave = AddToolButton(*bar, "btsave", "Save ");
  connect(btconnect, &QToolButton::clicked, this, [this] { btconnectClick(); });
  connect(btdisconnect, &QToolButton::clicked, this, [this] { btdisconnectClick(); });
  connect(btsave, &QToolButton::clicked, this, [this] { btsaveClick(); });
  CreateDeveloperTools(*bar);

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  spviewer = new QSplitter(Qt::Vertical, central);
  spviewer->setObjectName("spviewer");
  row->addWidget(spviewer, 1);

  // The 3D view goes here.
  pnviewer = new QWidget(spviewer);
  pnviewer->setObjectName("pnviewer");
  pnviewer->setMinimumHeight(1);
  MakeWhiteOnBlack(*pnviewer);
  spviewer->addWidget(pnviewer);
  FView = std::make_unique<MainViewPanel>(*pnviewer);
  GLSoundLibrary = std::make_unique<TGLSoundLibrary>();
  GLSoundLibrary->SetName("GLSoundLibrary");
  GLSMBASS1 = std::make_unique<TGLSMBASS>();
  GLSMBASS1->SetName("GLSMBASS1");
  GLSMBASS1->SetMaxChannels(32);
  GLSMBASS1->SetMasterVolume(1.0f);
  GLSMBASS1->SetListener(FView->GetCamera());
  GLSMBASS1->SetCadencer(FView->GetCadencer());
  GLSMBASS1->SetEnvironment(seForest);
  ConnectViewHooks();

  pntelnet = new QWidget(spviewer);
  pntelnet->setObjectName("pntelnet");
  auto* column = new QVBoxLayout(pntelnet);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  mmtelnet = new QPlainTextEdit(pntelnet);
  mmtelnet->setObjectName("mmtelnet");
  SetUpTelnetPaneEdit(*mmtelnet);
  column->addWidget(mmtelnet, 1);
  mmcommand = new TCommandLine(pntelnet);
  mmcommand->setObjectName("mmcommand");
  mmcommand->setFont(TerminalFont());
  mmcommand->setFixedHeight(QFontMetrics(mmcommand->font()).lineSpacing() * 2 + 12);
  MakeWhiteOnBlack(*mmcommand);
  mmcommand->OnKeyPress = [this](char16_t& key) { btcommandKeyPress(key); };
  // A click into the pane to select text takes the keyboard; what is typed
  // next still reaches the command line.
  ForwardTypingToCommandLine(*mmtelnet, *mmcommand);
  column->addWidget(mmcommand);
  // The keyboard is on the command line from the first shown frame: left to
  // itself the window would give it to its first button, Connect.
  mmcommand->setFocus();
  spviewer->addWidget(pntelnet);
  spviewer->setSizes({209, 331});

  // The map panel goes here; collapsed until the map is asked for.
  pnright = new QWidget(central);
  pnright->setObjectName("pnright");
  row->addWidget(pnright);
  CreateMapPanel();
  setCentralWidget(central);

  timer = new QTimer(this);
  timer->setObjectName("timer");
  timer->setInterval(240);
  ConnectInputHooks();

  FPane = std::make_unique<TelnetPane>(*mmtelnet);
  FSplitter = std::make_unique<ReceiveSplitter>(*FPane);
  FormCreate();
}

Tfmtallowmer3dclient::~Tfmtallowmer3dclient() {
  // Nothing received may reach the window while the core and the view go.
  IdTelnet1->Disconnect();
  if (mud == FMud.get()) mud = nullptr;
  FMud.reset();
  GLSMBASS1.reset();
  FView.reset();
  FDestroyed = true;
}

void Tfmtallowmer3dclient::FormCreate() {
  UseTerrainRenderer = true;
  FDestroyed = false;
  FActivated = false;
  pnright->setFixedWidth(1);
}

bool Tfmtallowmer3dclient::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(event);
}

void Tfmtallowmer3dclient::SetBusyCaption(const QString& text) {
  if (fmbusy) fmbusy->lbaction->setText(text);
  QApplication::processEvents();
}

void Tfmtallowmer3dclient::FormActivate() {
  if (FDestroyed || FActivated) return;
  // The busy captions and the error boxes let events through; a close asked
  // for meanwhile waits for the end of the start-up.
  FStartingUp = true;
  try {
    // Status lines and settings use a full stop whatever the desktop locale.
    std::setlocale(LC_NUMERIC, "C");
    FActivated = true;
    FStartupGuard = true;
    OpenSettings();
    GLSMBASS1->SetActive(SoundAvailable());

    FAppFolder = GetApplicationFolder();
    AppFolder = FAppFolder;
    if (chdir(FAppFolder.c_str()) != 0)
      std::cerr << "cannot enter the program folder " << FAppFolder << ": " << std::strerror(errno) << '\n';

    // The codec plug-ins of the program folder (JPEG 2000 among them) join
    // the picture formats before any picture is loaded.
    StartImageLibrary();
    ImageDLLLoader().ScanCodecDLLs(FAppFolder);

    if (fmbusy) {
      fmbusy->show();
      fmbusy->move(geometry().center() - fmbusy->rect().center());
    }
    QApplication::processEvents();

    // A picture that fails is reported and the start-up goes on without it.
    for (void (Tfmtallowmer3dclient::*step)() : {&Tfmtallowmer3dclient::UnpackFirstRunPictures,
                                                 &Tfmtallowmer3dclient::LoadAerialMap,
                                                 &Tfmtallowmer3dclient::LoadElevationAndDetails}) {
      try {
        (this->*step)();
      } catch (const std::exception& e) {
        ShowError(e.what());
      }
    }
    CreateMud();
    ReadSettings();

    FSplitter = std::make_unique<ReceiveSplitter>(*FPane);
    if (fmabout) fmabout->lbversion->setText("7.12");
    FRateWindowStart = ClientClock::now();
    FDisplaysPerSecond = 0;
    FLastMouse.reset();

    if (mud) mud->Update();
    timer->start();
    FView->Start();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  if (ApplicationWindows* windows = ApplicationWindows::Instance()) windows->FreeBusyWindow();
  FStartingUp = false;
  if (FCloseAsked) close();
}

bool Tfmtallowmer3dclient::SoundAvailable() const {
  if (fmoptions && fmoptions->cbNoSound->isChecked()) return false;
  return audio::PlaybackDeviceAvailable();
}

void Tfmtallowmer3dclient::closeEvent(QCloseEvent* event) {
  if (FStartingUp) {
    FCloseAsked = true;
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
}

void Tfmtallowmer3dclient::FormClose() {
  WriteSettings();
  IdTelnet1->Disconnect();
  timer->stop();
  FView->Stop();
}

void Tfmtallowmer3dclient::ShowError(const std::string& message) {
  if (OnShowError) {
    OnShowError(message);
    return;
  }
  QMessageBox::critical(this, QApplication::applicationName(), QString::fromStdString(message));
}

void Tfmtallowmer3dclient::btconnectClick() {
  try {
    FSplitter->ResetStream();
    IdTelnet1->Connect(-1);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  mmcommand->setFocus();
}

void Tfmtallowmer3dclient::btdisconnectClick() { IdTelnet1->Disconnect(); }

bool Tfmtallowmer3dclient::SavePaneText(const std::string& fileName) {
  std::string text = FPane->PlainText();
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (file) file.close();
  if (!file) {
    ShowError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    return false;
  }
  return true;
}

void Tfmtallowmer3dclient::btsaveClick() {
  QString name = QFileDialog::getSaveFileName(this, QString(), QString(), "Text (*.TXT)");
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += ".TXT";
  SavePaneText(name.toStdString());
}

void Tfmtallowmer3dclient::SetCommandFontColor(TColor color) {
  FCommandFontColor = color;
  QPalette palette = mmcommand->palette();
  palette.setColor(QPalette::Text, ToQColor(color));
  mmcommand->setPalette(palette);
}

void Tfmtallowmer3dclient::CommandKeyTyped() {
  // Typing after a slow frame pauses the animation; the timer resumes it.
  TGLCadencer& cadencer = *FView->GetCadencer();
  if (cadencer.GetEnabled() && FLastRenderMs >= 151) cadencer.SetEnabled(false);
  FLastKeyTime = ClientClock::now();
  // After a line that asks for a password, what is typed is not shown.
  if (IdTelnet1->Connected() && FPane->LineCount() >= 1) {
    if (LineAsksForPassword(FPane->LastLine(PasswordTestLength)))
      SetCommandFontColor(0x000000);
    else if (FCommandFontColor == 0x000000)
      SetCommandFontColor(0xFFFFFF);
  }
}

void Tfmtallowmer3dclient::btcommandKeyPress(char16_t& key) {
  CommandKeyTyped();
  if (key != u'\r') return;
  // Enter never enters the command line; while disconnected the text stays.
  key = 0;
  if (!IdTelnet1->Connected()) return;
  QString typed = mmcommand->toPlainText();
  std::string command = EncodeCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(typed.utf16()),
                                                         static_cast<std::size_t>(typed.size())));
  if (SendCommandLine(command)) mmcommand->clear();
}

bool Tfmtallowmer3dclient::SendCommand(const std::string& command) {
  CommandKeyTyped();
  return SendCommandLine(command);
}

bool Tfmtallowmer3dclient::SendCommandLine(const std::string& command) {
  try {
    IdTelnet1->SendLine(command);
  } catch (const std::exception& e) {
    ShowError(e.what());
    return false;
  }
  // A hidden password is not echoed.
  if (FCommandFontColor == 0xFFFFFF) {
    EchoCommand(*FPane, command, StripTelnetCoords());
    FPane->ShowNewestLine();
  }
  return true;
}

bool Tfmtallowmer3dclient::eventFilter(QObject* watched, QEvent* event) {
  if (InputEvent(watched, event)) return true;
  return QMainWindow::eventFilter(watched, event);
}

int Tfmtallowmer3dclient::MaxTelnetLines() const {
  if (!fmoptions) return 0;
  std::string text = fmoptions->edmaxtelnetlines->text().toStdString();
  if (!IsNumber(text)) return 0;
  int limit = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), limit);
  if (error == std::errc::result_out_of_range) return std::numeric_limits<int>::max();
  return limit;
}

bool Tfmtallowmer3dclient::StripTelnetCoords() const {
  return fmcontrol && fmcontrol->cbstriptelnetcoords->isChecked();
}

void Tfmtallowmer3dclient::IdTelnet1DataAvailable(const std::string& text) {
  // The receive handler is the boundary for anything the text raises.
  try {
    FSplitter->Receive(text, StripTelnetCoords(), MaxTelnetLines());
    ReadStatusLine();
  } catch (const std::exception& e) {
    std::cerr << "received text not shown: " << e.what() << '\n';
  }
  mmcommand->setFocus();
}
