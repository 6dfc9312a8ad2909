#include "shell/key_mappings_window.h"

#include "shell/core/cp1252.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString FromCp1252(const std::string& text) {
  const std::u16string wide = DecodeCp1252(text);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string ToCp1252(const QString& text) {
  return EncodeCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}

}  // namespace

Tfmkeymappings::Tfmkeymappings() {
  setObjectName("fmkeymappings");
  setWindowTitle("Key Mappings");
  resize(420, 480);
  auto* layout = new QVBoxLayout(this);
  sgkeys = new QTableWidget(static_cast<int>(KeyCount), 2, this);
  sgkeys->setObjectName("sgkeys");
  sgkeys->setHorizontalHeaderLabels({"Key", "String"});
  sgkeys->verticalHeader()->hide();
  sgkeys->horizontalHeader()->setStretchLastSection(true);
  sgkeys->setColumnWidth(0, 140);
  for (int row = 0; row < static_cast<int>(KeyCount); ++row) {
    auto* name = new QTableWidgetItem(QString::fromLatin1(KeyCaption(KeyTable[static_cast<std::size_t>(row)])));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    sgkeys->setItem(row, 0, name);
    sgkeys->setItem(row, 1, new QTableWidgetItem());
  }
  layout->addWidget(sgkeys, 1);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  btOk = new QPushButton("Ok", this);
  btOk->setObjectName("btOk");
  btCancel = new QPushButton("Cancel", this);
  btCancel->setObjectName("btCancel");
  buttons->addWidget(btOk);
  buttons->addWidget(btCancel);
  layout->addLayout(buttons);
  connect(btOk, &QPushButton::clicked, this, [this] { btOkClick(); });
  connect(btCancel, &QPushButton::clicked, this, [this] { btCancelClick(); });
}

void Tfmkeymappings::btOkClick() {
  std::vector<std::string> rows;
  for (int row = 0; row < sgkeys->rowCount(); ++row) rows.push_back(ToCp1252(sgkeys->item(row, 1)->text()));
  FMappings.SetRows(rows);
  accept();
}

void Tfmkeymappings::btCancelClick() { reject(); }

void Tfmkeymappings::LoadKeyMappings(const IniFile& ini) {
  FMappings.Load(ini);
  for (int row = 0; row < sgkeys->rowCount(); ++row)
    sgkeys->item(row, 1)->setText(FromCp1252(FMappings.Lookup(KeyTable[static_cast<std::size_t>(row)].Code)));
}

void Tfmkeymappings::SaveKeyMappings(IniFile& ini) const { FMappings.Save(ini); }
