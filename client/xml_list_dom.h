#pragma once
// The element handle through which everything in the world description is
// read: attribute reads with fixed fall-backs, element children through one
// reused cursor, XPath selection, file loading, deep copies and stylesheet
// transforms.
//
// Each list owns one cursor. GetItem and every selection move that cursor,
// so a caller keeps at most one live child per list at a time and copies
// what it needs (or clones it with Assign) before the next call.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml/xml_document.h"

// Set while the client core is being created; gates the transform log.
inline bool XMLLogEnabled = false;
// Where LogXMLLine writes ("log.txt" in the current folder).
inline std::string XMLLogFileName = "log.txt";
// Appends the text as one line, without date, while XMLLogEnabled is set.
// A log that cannot be written is skipped: logging never stops the caller.
void LogXMLLine(std::string_view text);

class TXMLAttributeDOM {
public:
  explicit TXMLAttributeDOM(xml::Node element) : FElement(std::move(element)) {}
  void SetElement(xml::Node element) { FElement = std::move(element); }

  // All four raise EXmlError on an empty element; on a missing attribute
  // they give "", -1, -1.0 and false.
  std::string GetString(std::string_view name) const;
  // Any text that is not an integer gives -1.
  int32_t GetInteger(std::string_view name) const;
  // Blank text gives -1.0; text that is not a number raises EConvertError.
  double GetFloat(std::string_view name) const;
  // True exactly when the first character is T or t.
  bool GetBool(std::string_view name) const;
  void SetString(std::string_view name, std::string_view value);

private:
  void RequireElement(std::string_view name) const;
  xml::Node FElement;
};

class TXMLListDOM {
public:
  explicit TXMLListDOM(std::string tag);
  virtual ~TXMLListDOM();
  TXMLListDOM(const TXMLListDOM&) = delete;
  TXMLListDOM& operator=(const TXMLListDOM&) = delete;

  // The number of element children; 0 for an empty element.
  virtual int GetCount() const;
  // The cursor on child `index`, or nullptr past the end.
  TXMLListDOM* GetItem(int index);
  // Always the cursor; empty when nothing matches.
  TXMLListDOM* SelectSingle(std::string_view xpath);
  TXMLListDOM* SelectPath(std::string_view path) { return SelectSingle(path); }
  TXMLListDOM* SelectChild(std::string_view childName) { return SelectPath(childName); }
  // path[@attribute = "value"], the value quoted so that any text (quotes
  // included) selects exactly that text.
  TXMLListDOM* FindByAttribute(std::string_view path, std::string_view attribute, std::string_view value);

  bool IsEmpty() const { return FElement.IsNull(); }
  // Files of 20 bytes or fewer and missing files leave the element as it
  // was; a file that fails to parse leaves the list empty and its message in
  // GetLoadError().
  void LoadFromFile(const std::string& fileName);
  const std::string& GetLoadError() const { return FLoadError; }
  // A deep copy of the other's element (nullptr empties this list). When
  // this element sits inside another, the copy takes its place there.
  void Assign(const TXMLListDOM* other);

  // The text of the element and its descendants, blanks trimmed at both ends.
  std::string GetText() const;
  // The same without trimming.
  std::string GetRawText() const;
  std::string GetXml() const;
  std::string TransformNode(std::string_view stylesheet);
  std::string TransformFile(const std::string& fileName);

  TXMLAttributeDOM& GetAttributes() { return *FAttributes; }
  std::string GetString(std::string_view name) const { return FAttributes->GetString(name); }
  int32_t GetInteger(std::string_view name) const { return FAttributes->GetInteger(name); }
  double GetFloat(std::string_view name) const { return FAttributes->GetFloat(name); }
  bool GetBool(std::string_view name) const { return FAttributes->GetBool(name); }
  void SetString(std::string_view name, std::string_view value) { FAttributes->SetString(name, value); }

  const std::string& GetTag() const { return FTag; }
  const xml::Node& GetElement() const { return FElement; }
  // Points this list at a node of some document (no copy).
  void SetElement(xml::Node element);

private:
  TXMLListDOM* Cursor();

  std::string FTag;
  std::unique_ptr<TXMLListDOM> FCursor;
  xml::Node FElement;
  std::unique_ptr<TXMLAttributeDOM> FAttributes;
  std::string FLoadError;
};

// Splits a transform result or a text at line ends; a line end at the very
// end gives no empty last line, and "\r" before "\n" is dropped.
std::vector<std::string> SplitLines(std::string_view text);
