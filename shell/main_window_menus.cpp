// The main window's menus ("View", "Options", "Help"), the map panel with
// the aerial picture and the player's spot, showing and hiding the 3D
// window, the screenshot, and the hidden developer tools.
#include "shell/main_window.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "client/client_helpers.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/texture_loading.h"
#include "engine/cadencer.h"
#include "engine/gl_coordinates.h"
#include "objects/height_data_bitmap.h"
#include "platform/ini/ini_file.h"
#include "shell/about_window.h"
#include "shell/application.h"
#include "shell/control_window.h"
#include "shell/core/client_settings.h"
#include "shell/core/developer_tools.h"
#include "shell/core/map_panel.h"
#include "shell/core/screen_shot.h"
#include "shell/core/status_line.h"
#include "shell/core/stored_scene.h"
#include "shell/help_window.h"
#include "shell/images_window.h"
#include "shell/key_mappings_window.h"
#include "shell/options_window.h"
#include "shell/scene_viewer.h"
#include "sound/bass_sound_manager.h"

namespace {

// Calls back when the watched widget is resized.
class ResizeWatcher : public QObject {
public:
  ResizeWatcher(QWidget& widget, std::function<void()> resized)
      : QObject(&widget), FResized(std::move(resized)) {
    widget.installEventFilter(this);
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) FResized();
    return false;
  }

private:
  std::function<void()> FResized;
};

}  // namespace

void Tfmtallowmer3dclient::CreateMenus() {
  // Named as the settings and the developer mode find them.
  auto name = [](QAction* action, const char* objectName) {
    action->setObjectName(objectName);
    return action;
  };
  QMenu* view = menuBar()->addMenu("View");
  Images1 = name(view->addAction("Images", this, [this] { Images1Click(); }), "Images1");
  Control1 = name(view->addAction("Control", this, [this] { Control1Click(); }), "Control1");
  // Both appear in the developer mode only.
  Images1->setVisible(false);
  Control1->setVisible(false);
  N3DWindow1 = name(view->addAction("3D Window", this, [this] { N3DWindow1Click(); }), "N3DWindow1");
  N3DWindow1->setCheckable(true);
  N3DWindow1->setChecked(true);
  Map1 = name(view->addAction("Map", this, [this] { Map1Click(); }), "Map1");
  Map1->setCheckable(true);

  QMenu* options = menuBar()->addMenu("Options");
  Options2 = name(options->addAction("Options", this, [this] { Options2Click(); }), "Options2");
  KeyMappings1 = name(options->addAction("Key Mappings", this, [this] { KeyMappings1Click(); }), "KeyMappings1");
  SaveScreenShot1 = name(options->addAction("Save Screen Shot", this, [this] { SaveScreenShot1Click(); }), "SaveScreenShot1");

  QMenu* help = menuBar()->addMenu("Help");
  Help1 = name(help->addAction("Help", this, [this] { Help1Click(); }), "Help1");
  About2 = name(help->addAction("About", this, [this] { About2Click(); }), "About2");
}

void Tfmtallowmer3dclient::CreateMapPanel() {
  pnmaptop = new QWidget(pnright);
  pnmaptop->setObjectName("pnmaptop");
  pnmapright = new QWidget(pnright);
  pnmapright->setObjectName("pnmapright");
  imAerial = new QLabel(pnright);
  imAerial->setObjectName("imAerial");
  imAerial->setScaledContents(true);
  spSpot = new QWidget(pnright);
  spSpot->setObjectName("spSpot");
  spSpot->setFixedSize(5, 5);
  spSpot->setStyleSheet("background-color: red;");
  spSpot->hide();
  new ResizeWatcher(*pnright, [this] { pnrightResize(); });
  pnrightResize();
}

void Tfmtallowmer3dclient::CreateDeveloperTools(QToolBar& bar) {
  // Never shown: the developer reaches them from code or a test.
  btreload = new QToolButton(&bar);
  btreload->setObjectName("btreload");
  btreload->setText("Reload");
  btdump = new QToolButton(&bar);
  btdump->setObjectName("btdump");
  btdump->setText("Dump");
  cbdumpheights = new QCheckBox("Dump Heights", &bar);
  cbdumpheights->setObjectName("cbdumpheights");
  for (QWidget* tool : {static_cast<QWidget*>(btreload), static_cast<QWidget*>(btdump),
                        static_cast<QWidget*>(cbdumpheights)})
    tool->hide();
  connect(btreload, &QToolButton::clicked, this, [this] { ReloadClick(); });
  connect(btdump, &QToolButton::clicked, this, [this] { DumpClick(); });
  connect(cbdumpheights, &QCheckBox::clicked, this, [this] { DumpHeightsClick(); });
}

void Tfmtallowmer3dclient::ShowAerialPicture(const Bitmap& northUp) {
  if (fmimages) fmimages->imaerial.SetBitmap(northUp);
  imAerial->setPixmap(QPixmap::fromImage(ToQImage(northUp)));
}

// ---------------------------------------------------------------- "View"

void Tfmtallowmer3dclient::Control1Click() {
  if (!fmcontrol || !mud) return;
  fmcontrol->SetWorld(mud->Config.get());
  // The window fills itself from the current state and, on OK, sets it.
  if (!fmcontrol->Run(*mud->CurrentState, *mud->ReceivedState)) return;
  if (!fmcontrol->cbstats->isChecked()) setWindowTitle("Tallowmer 3D Client");
  mud->Update();
}

int Tfmtallowmer3dclient::TelnetHeight() const {
  // A key of the settings file that the client never writes.
  return FIni ? ReadTelnetHeight(*FIni, PanelRoom()) : kDefaultTelnetHeight;
}

void Tfmtallowmer3dclient::N3DWindow1Click() {
  const bool shown = N3DWindow1->isChecked();
  pnviewer->setVisible(shown);
  FView->GetViewer()->setVisible(shown);
  FView->GetCadencer()->SetEnabled(shown);
  if (shown)
    timer->start();
  else
    timer->stop();
  Map1->setEnabled(shown);
  if (!shown) return;
  // The splitter gives the rest of its height to the view.
  const int total = spviewer->height() - spviewer->handleWidth();
  const int telnet = TelnetHeight();
  spviewer->setSizes({std::max(total - telnet, 1), telnet});
}

void Tfmtallowmer3dclient::Map1Click() {
  if (!Map1->isChecked()) {
    spSpot->hide();
    SetMapPanelWidth(kMapPanelCollapsedWidth);
    return;
  }
  bool moved = false;
  if (mud) {
    const TVector4f& previous = mud->PreviousState->GetPosition()->AsVector();
    moved = previous[0] != 0 || previous[1] != 0 || previous[2] != 0;
  }
  spSpot->setVisible(moved);
  SetMapPanelWidth(kMapPanelWidth);
  UpdateMapSpot();
}

void Tfmtallowmer3dclient::SetMapPanelWidth(int width) {
  pnright->setFixedWidth(width);
  // The row gives the view the rest at once, not at the next layout pass.
  centralWidget()->layout()->activate();
}

void Tfmtallowmer3dclient::pnrightResize() {
  const int width = pnright->width(), height = pnright->height();
  if (const auto margins = MapPanelMargins(width, height, kAerialPictureSize, kAerialPictureSize)) {
    pnmaptop->setGeometry(0, 0, width, margins->TopBarHeight);
    pnmapright->setGeometry(width - margins->RightMarginWidth, margins->TopBarHeight, margins->RightMarginWidth,
                            height - margins->TopBarHeight);
  }
  // The picture sits under the bar, against the margin.
  imAerial->setGeometry(width - pnmapright->width() - kAerialPictureSize, pnmaptop->height(), kAerialPictureSize,
                        kAerialPictureSize);
  UpdateMapSpot();
}

void Tfmtallowmer3dclient::UpdateMapSpot() {
  if (!mud) return;
  const TVector4f& position = mud->CurrentState->GetPosition()->AsVector();
  const TMapSpotOffset spot = MapSpotOffset(position[0], position[1]);
  spSpot->move(imAerial->x() + spot.Left, imAerial->y() + spot.Top);
  spSpot->raise();
}

// ------------------------------------------------------------- "Options"

void Tfmtallowmer3dclient::Options2Click() {
  if (!fmoptions || fmoptions->exec() != QDialog::Accepted) return;
  ApplyMouseMoveOption();
  // Sound can be switched off and on while the program runs.
  GLSMBASS1->SetActive(SoundAvailable());
}

void Tfmtallowmer3dclient::KeyMappings1Click() {
  if (fmkeymappings) fmkeymappings->exec();
}

void Tfmtallowmer3dclient::SaveScreenShot1Click() {
  QString name = QFileDialog::getSaveFileName(this, "Save Screen Shot", QString(), "JPEG (*.JPG)");
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += ".JPG";
  SaveScreenShot(name.toStdString());
}

bool Tfmtallowmer3dclient::SaveScreenShot(const std::string& fileName) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool saved = false;
  try {
    GL3DSceneViewer& viewer = *FView->GetViewer();
    ::SaveScreenShot(*viewer.GetBuffer(), viewer.ToDevicePixels(viewer.width()),
                     viewer.ToDevicePixels(viewer.height()), fileName);
    saved = true;
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  QApplication::restoreOverrideCursor();
  // A file dialog may have moved the current folder; every relative path of
  // the world is the program folder's.
  if (!FAppFolder.empty() && chdir(FAppFolder.c_str()) != 0)
    std::cerr << "cannot enter the program folder " << FAppFolder << ": " << std::strerror(errno) << '\n';
  return saved;
}

// ---------------------------------------------------------------- "Help"

void Tfmtallowmer3dclient::Help1Click() { ShowHTMLPage(GetApplicationFolder() + "help/help.html"); }

void Tfmtallowmer3dclient::About2Click() {
  if (fmabout) fmabout->exec();
}

// ------------------------------------------------------ developer tools

void Tfmtallowmer3dclient::ReloadClick() {
  if (!mud) return;
  TMudstate current, previous, received;
  current.Assign(mud->CurrentState.get());
  previous.Assign(mud->PreviousState.get());
  received.Assign(mud->ReceivedState.get());
  NewMud();
  mud->CurrentState->Assign(&current);
  mud->PreviousState->Assign(&previous);
  mud->ReceivedState->Assign(&received);
  // The new core starts unapplied; the player sees the same place again.
  mud->Update();
}

void Tfmtallowmer3dclient::DumpClick() {
  if (!mud) return;
  try {
    mud->DumpTextureCache(GetApplicationFolder() + "fist.txt");
    mud->DumpMaterialNames(GetApplicationFolder() + "fist2.txt");
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void Tfmtallowmer3dclient::DumpHeightsClick() {
  try {
    SaveHeightsPicture(*FView->GetStoredScene().GetHeightSource(), GetApplicationFolder() + "fist.bmp");
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}
