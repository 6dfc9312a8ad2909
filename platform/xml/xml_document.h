#pragma once
// Our XML document layer on libxml2 and libxslt: documents loaded from files
// or text, element handles with attribute reads, element-only child lists,
// XPath selection, deep copies and XSLT transforms. Parsing never touches the
// network, and stylesheets may neither reach the network nor write files.
//
// A handle keeps its document alive (documents are shared), so a node taken
// from a list stays valid for as long as anyone holds it. Nodes unlinked by
// a replace are kept until their document goes, for the same reason.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exception.h"

CLIENT_DECLARE_EXCEPTION(EXmlError, Exception);

namespace xml {

class DocumentHolder;
struct NodeFactory;

class Node {
public:
  Node() = default;

  bool IsNull() const { return node_ == nullptr; }
  std::string Name() const;

  // Absent attributes give nothing (not an empty text).
  std::optional<std::string> Attribute(std::string_view name) const;
  void SetAttribute(std::string_view name, std::string_view value);

  // Only element children count: blank text, comments and processing
  // instructions between them are skipped.
  int ChildElementCount() const;
  Node ChildElement(int index) const;

  // The first element that the XPath 1.0 expression selects with this node
  // as the context node; a null node when nothing (or no element) matches.
  // An invalid expression raises EXmlError with libxml2's message.
  Node SelectSingle(std::string_view xpath) const;
  std::vector<Node> SelectAll(std::string_view xpath) const;

  Node Parent() const;  // the parent element, null at the top
  std::string Content() const;  // the text of the node and its descendants
  std::string Xml() const;  // the node serialized as XML text

  // A deep copy as the root of a document of its own.
  Node CloneToNewDocument() const;
  // A deep copy of `other` replaces this node in its parent; returns the copy.
  // This node must have a parent element.
  Node ReplaceWithCopyOf(const Node& other);

  bool operator==(const Node& other) const { return node_ == other.node_; }

private:
  friend class Document;
  friend struct NodeFactory;
  friend std::string Transform(const Node& source, std::string_view stylesheetText);
  Node(std::shared_ptr<DocumentHolder> doc, void* node) : doc_(std::move(doc)), node_(node) {}
  std::shared_ptr<DocumentHolder> doc_;
  void* node_ = nullptr;  // xmlNodePtr, kept opaque so libxml2 stays out of our headers
};

class Document {
public:
  // Raise EXmlError carrying the parser's message (with line) on bad input.
  static Node LoadFile(const std::string& fileName);
  static Node ParseText(std::string_view text);
  // A free-standing element: the root of a new empty document.
  static Node CreateElement(std::string_view tag);
};

// Applies an XSLT 1.0 stylesheet (given as its text) to a copy of the node
// and returns the serialized result. Errors raise EXmlError.
std::string Transform(const Node& source, std::string_view stylesheetText);

// An XPath literal that stands for exactly this text: quoted with ' or ",
// or built with concat() when the text holds both quote characters.
std::string XPathLiteral(std::string_view text);

}  // namespace xml
