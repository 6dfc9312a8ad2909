#include "client/xml_list_dom.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "client/client_globals.h"
#include "platform/base/path_resolve.h"

void LogXMLLine(std::string_view text) {
  if (!XMLLogEnabled) return;
  std::ofstream log(XMLLogFileName, std::ios::app | std::ios::binary);
  if (!log) return;
  log << text << '\n';
  log.flush();
}

void TXMLAttributeDOM::RequireElement(std::string_view name) const {
  if (FElement.IsNull()) {
    throw EXmlError("Attribute \"" + std::string(name) + "\" read from an absent element");
  }
}

std::string TXMLAttributeDOM::GetString(std::string_view name) const {
  RequireElement(name);
  return FElement.Attribute(name).value_or(std::string());
}

int32_t TXMLAttributeDOM::GetInteger(std::string_view name) const {
  const std::string text = GetString(name);
  try {
    return StrToInt(text);
  } catch (const EConvertError&) {
    return -1;
  }
}

double TXMLAttributeDOM::GetFloat(std::string_view name) const {
  const std::string text = GetString(name);
  if (TrimText(text).empty()) return -1.0;
  return StrToFloat(text);
}

bool TXMLAttributeDOM::GetBool(std::string_view name) const {
  const std::string text = GetString(name);
  return !text.empty() && (text[0] == 'T' || text[0] == 't');
}

void TXMLAttributeDOM::SetString(std::string_view name, std::string_view value) {
  RequireElement(name);
  FElement.SetAttribute(name, value);
}

TXMLListDOM::TXMLListDOM(std::string tag) : FTag(std::move(tag)) {
  FElement = xml::Document::CreateElement(FTag);
  FAttributes = std::make_unique<TXMLAttributeDOM>(FElement);
}

TXMLListDOM::~TXMLListDOM() = default;

void TXMLListDOM::SetElement(xml::Node element) {
  FElement = std::move(element);
  FAttributes->SetElement(FElement);
}

TXMLListDOM* TXMLListDOM::Cursor() {
  if (!FCursor) FCursor = std::make_unique<TXMLListDOM>(FTag);
  return FCursor.get();
}

int TXMLListDOM::GetCount() const { return FElement.ChildElementCount(); }

TXMLListDOM* TXMLListDOM::GetItem(int index) {
  if (index < 0 || index >= GetCount()) return nullptr;
  TXMLListDOM* cursor = Cursor();
  cursor->SetElement(FElement.ChildElement(index));
  return cursor;
}

TXMLListDOM* TXMLListDOM::SelectSingle(std::string_view xpath) {
  TXMLListDOM* cursor = Cursor();
  cursor->SetElement(IsEmpty() ? xml::Node() : FElement.SelectSingle(xpath));
  return cursor;
}

TXMLListDOM* TXMLListDOM::FindByAttribute(std::string_view path, std::string_view attribute,
                                          std::string_view value) {
  std::string xpath(path);
  xpath += "[@";
  xpath += attribute;
  xpath += " = ";
  xpath += xml::XPathLiteral(value);
  xpath += "]";
  return SelectSingle(xpath);
}

void TXMLListDOM::LoadFromFile(const std::string& fileName) {
  const std::string path = ResolvePath(fileName);
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size <= 20) {
    FLoadError = error ? fileName + ": file not found" : fileName + ": file too small";
    return;
  }
  SetElement(xml::Node());
  try {
    SetElement(xml::Document::LoadFile(path));
    FLoadError.clear();
  } catch (const EXmlError& e) {
    FLoadError = e.Message();
  }
}

void TXMLListDOM::Assign(const TXMLListDOM* other) {
  if (other == nullptr || other->IsEmpty()) {
    SetElement(xml::Node());
    return;
  }
  if (!FElement.IsNull() && !FElement.Parent().IsNull()) {
    SetElement(FElement.ReplaceWithCopyOf(other->FElement));
  } else {
    SetElement(other->FElement.CloneToNewDocument());
  }
}

std::string TXMLListDOM::GetRawText() const { return FElement.Content(); }

std::string TXMLListDOM::GetText() const { return std::string(TrimText(GetRawText())); }

std::string TXMLListDOM::GetXml() const { return FElement.Xml(); }

std::string TXMLListDOM::TransformNode(std::string_view stylesheet) {
  LogXMLLine("return transform:" + std::string(stylesheet.substr(0, 100)));
  if (IsEmpty()) throw EXmlError("Transform of an absent " + FTag + " element");
  std::string result = xml::Transform(FElement, stylesheet);
  LogXMLLine("out return transform");
  return result;
}

std::string TXMLListDOM::TransformFile(const std::string& fileName) {
  LogXMLLine("return transform filename:" + fileName);
  std::ifstream file(ResolvePath(fileName), std::ios::binary);
  if (!file) throw EXmlError("Cannot open stylesheet " + fileName);
  std::ostringstream text;
  text << file.rdbuf();
  std::string result = TransformNode(text.str());
  LogXMLLine("out return transform iflename");
  return result;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}
