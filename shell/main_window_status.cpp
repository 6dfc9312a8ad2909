// The status line in the main window: after the text side of every received
// block, the newest status line among the recent lines moves the client
// core's states and the view.
#include "shell/main_window.h"

#include "client/config_xml.h"
#include "client/mud.h"
#include "shell/application.h"
#include "shell/control_window.h"

#include <QAction>
#include <QCheckBox>

#include <iostream>

void Tfmtallowmer3dclient::ReadStatusLine() {
  // Without a world description there is no undefined area to place and no
  // ground heights to learn: the core was not built.
  if (!mud || !mud->Config) return;
  // With the 3D window hidden the view and the map wait.
  if (!N3DWindow1->isChecked()) return;
  TStatusTarget target{*mud->ReceivedState,
                       *mud->CurrentState,
                       *mud->PreviousState,
                       mud->Config->GetUndefinedArea(),
                       mud->Config->GetGroundHeights(),
                       [] { mud->Update(); }};
  const TStatusOptions options{fmcontrol && fmcontrol->cbfog->isChecked(), StripTelnetCoords()};
  const TStatusOutcome outcome =
      FStatusReader.Receive(FSplitter->GetRecentLines(), FSplitter->GetDroppedLineCount(), options, target);
  // A malformed line is the server's fault: logged, no dialog.
  if (!outcome.Rejected.empty()) std::cerr << outcome.Rejected << '\n';
  if (!outcome.Merged) return;
  spSpot->setVisible(outcome.SpotShown);
  if (outcome.SpotShown) UpdateMapSpot();
}
