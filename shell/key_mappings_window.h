#pragma once
// The Key Mappings window: the 63 keys a player can bind, each with an
// editable command, over the window-free TKeyMappings. OK keeps the grid's
// commands; Cancel closes without a change (the grid keeps what was typed
// until the next OK).

#include "shell/core/key_mappings.h"

#include <QDialog>
#include <cstdint>
#include <string>

class IniFile;
class QPushButton;
class QTableWidget;

class Tfmkeymappings : public QDialog {
public:
  Tfmkeymappings();

  void btOkClick();
  void btCancelClick();
  // Section "keymapping" into the list and the grid's command column.
  void LoadKeyMappings(const IniFile& ini);
  // The list into section "keymapping", which is rewritten.
  void SaveKeyMappings(IniFile& ini) const;
  // The command bound to a virtual-key code, or "".
  std::string LookupKeyCommand(std::uint16_t code) const { return FMappings.Lookup(code); }
  const TKeyMappings& GetMappings() const { return FMappings; }

  // Column 0 "Key", column 1 "String" (editable); one row per key of the table.
  QTableWidget* sgkeys = nullptr;
  QPushButton* btOk = nullptr;
  QPushButton* btCancel = nullptr;

private:
  TKeyMappings FMappings;
};
