#include "platform/xml/xml_document.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <mutex>

namespace xml {

// Owns one libxml2 document, and the nodes that were unlinked from it while
// handles may still point at them.
class DocumentHolder {
public:
  explicit DocumentHolder(xmlDocPtr doc) : doc_(doc) {}
  ~DocumentHolder() {
    for (xmlNodePtr node : unlinked_) xmlFreeNode(node);
    xmlFreeDoc(doc_);
  }
  DocumentHolder(const DocumentHolder&) = delete;
  DocumentHolder& operator=(const DocumentHolder&) = delete;
  xmlDocPtr Doc() const { return doc_; }
  void KeepUnlinked(xmlNodePtr node) { unlinked_.push_back(node); }

private:
  xmlDocPtr doc_;
  std::vector<xmlNodePtr> unlinked_;
};

struct NodeFactory {
  static Node Make(std::shared_ptr<DocumentHolder> doc, void* node) { return Node(std::move(doc), node); }
};

namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

xsltDocLoaderFunc g_defaultLoader = nullptr;

// Documents that a stylesheet imports or reads are loaded without the
// network and without external DTDs, like every other document.
xmlDocPtr SafeLoader(const xmlChar* uri, xmlDictPtr dict, int options, void* ctxt, xsltLoadType type) {
  options |= XML_PARSE_NONET;
  options &= ~(XML_PARSE_DTDLOAD | XML_PARSE_NOENT);
  return g_defaultLoader(uri, dict, options, ctxt, type);
}

void InitializeOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
    xsltSetDefaultSecurityPrefs(prefs);  // lives as long as the process
    g_defaultLoader = xsltDocDefaultLoader;
    xsltSetLoaderFunc(SafeLoader);
  });
}

xsltSecurityPrefsPtr SecurityPrefs() { return xsltGetDefaultSecurityPrefs(); }

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// Collects what libxml2 and libxslt report while it is alive, instead of
// letting them print to the terminal, and restores the previous handlers.
class ErrorCapture {
public:
  ErrorCapture() {
    previousStructured_ = xmlStructuredError;
    previousStructuredContext_ = xmlStructuredErrorContext;
    previousXslt_ = xsltGenericError;
    previousXsltContext_ = xsltGenericErrorContext;
    xmlSetStructuredErrorFunc(this, &ErrorCapture::OnStructured);
    xsltSetGenericErrorFunc(this, &ErrorCapture::OnGeneric);
  }
  ~ErrorCapture() {
    xmlSetStructuredErrorFunc(previousStructuredContext_, previousStructured_);
    xsltSetGenericErrorFunc(previousXsltContext_, previousXslt_);
  }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  const std::string& Message() {
    if (!pending_.empty()) {
      Add(Trimmed(pending_));
      pending_.clear();
    }
    return message_;
  }
  void Add(const std::string& text) {
    if (text.empty() || message_.size() > 2000) return;
    if (!message_.empty()) message_ += "; ";
    message_ += text;
  }

private:
  static void OnStructured(void* self, xmlErrorPtr error) {
    if (error == nullptr || error->level == XML_ERR_WARNING) return;
    std::string text;
    if (error->line > 0) text = "line " + std::to_string(error->line) + ": ";
    text += Trimmed(error->message != nullptr ? error->message : "unknown error");
    static_cast<ErrorCapture*>(self)->Add(text);
  }
  static void OnGeneric(void* self, const char* format, ...) {
    // libxslt reports in pieces; a message ends at its line end.
    auto* capture = static_cast<ErrorCapture*>(self);
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format != nullptr ? format : "", args);
    va_end(args);
    capture->pending_ += buffer;
    size_t end;
    while ((end = capture->pending_.find('\n')) != std::string::npos) {
      capture->Add(Trimmed(capture->pending_.substr(0, end)));
      capture->pending_.erase(0, end + 1);
    }
    if (capture->pending_.size() > 2000) capture->pending_.clear();
  }

  xmlStructuredErrorFunc previousStructured_;
  void* previousStructuredContext_;
  xmlGenericErrorFunc previousXslt_;
  void* previousXsltContext_;
  std::string message_;
  std::string pending_;
};

xmlNodePtr AsNode(void* p) { return static_cast<xmlNodePtr>(p); }

std::string FromXmlChar(xmlChar* text) {
  if (text == nullptr) return {};
  std::string result(reinterpret_cast<const char*>(text));
  xmlFree(text);
  return result;
}

std::string Copy(std::string_view s) { return std::string(s); }

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

bool HasEntityDeclarations(xmlDocPtr doc) {
  return (doc->intSubset != nullptr && doc->intSubset->entities != nullptr) ||
         (doc->extSubset != nullptr && doc->extSubset->entities != nullptr);
}

Node FinishParse(xmlDocPtr doc, ErrorCapture& errors, const std::string& what,
                 std::shared_ptr<DocumentHolder>* holderOut);

}  // namespace

std::string Node::Name() const {
  if (IsNull() || AsNode(node_)->name == nullptr) return {};
  return reinterpret_cast<const char*>(AsNode(node_)->name);
}

std::optional<std::string> Node::Attribute(std::string_view name) const {
  if (IsNull() || AsNode(node_)->type != XML_ELEMENT_NODE) return std::nullopt;
  const std::string key = Copy(name);
  if (!xmlHasProp(AsNode(node_), X(key))) return std::nullopt;
  return FromXmlChar(xmlGetProp(AsNode(node_), X(key)));
}

void Node::SetAttribute(std::string_view name, std::string_view value) {
  if (IsNull() || AsNode(node_)->type != XML_ELEMENT_NODE) throw EXmlError("Attribute set on an absent element");
  const std::string key = Copy(name);
  const std::string text = Copy(value);
  ErrorCapture errors;
  if (xmlSetProp(AsNode(node_), X(key), X(text)) == nullptr) {
    throw EXmlError("Attribute \"" + key + "\" cannot be set: " + errors.Message());
  }
}

int Node::ChildElementCount() const {
  if (IsNull()) return 0;
  int count = 0;
  for (xmlNodePtr child = AsNode(node_)->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) ++count;
  }
  return count;
}

Node Node::ChildElement(int index) const {
  if (IsNull() || index < 0) return {};
  for (xmlNodePtr child = AsNode(node_)->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (index-- == 0) return Node(doc_, child);
  }
  return {};
}

std::vector<Node> Node::SelectAll(std::string_view xpath) const {
  std::vector<Node> result;
  if (IsNull()) return result;
  InitializeOnce();
  const std::string expression = Copy(xpath);
  ErrorCapture errors;
  xmlXPathContextPtr context = xmlXPathNewContext(doc_->Doc());
  if (context == nullptr) throw EXmlError("XPath context cannot be created");
  context->node = AsNode(node_);
  xmlXPathObjectPtr found = xmlXPathEvalExpression(X(expression), context);
  xmlXPathFreeContext(context);
  if (found == nullptr) {
    throw EXmlError("Invalid XPath expression " + expression + ": " + errors.Message());
  }
  if (found->type == XPATH_NODESET && found->nodesetval != nullptr) {
    for (int i = 0; i < found->nodesetval->nodeNr; ++i) {
      xmlNodePtr node = found->nodesetval->nodeTab[i];
      if (node != nullptr && node->type == XML_ELEMENT_NODE) result.push_back(Node(doc_, node));
    }
  }
  xmlXPathFreeObject(found);
  return result;
}

Node Node::SelectSingle(std::string_view xpath) const {
  std::vector<Node> all = SelectAll(xpath);
  return all.empty() ? Node() : all.front();
}

Node Node::Parent() const {
  if (IsNull()) return {};
  xmlNodePtr parent = AsNode(node_)->parent;
  if (parent == nullptr || parent->type != XML_ELEMENT_NODE) return {};
  return Node(doc_, parent);
}

std::string Node::Content() const {
  if (IsNull()) return {};
  return FromXmlChar(xmlNodeGetContent(AsNode(node_)));
}

std::string Node::Xml() const {
  if (IsNull()) return {};
  xmlBufferPtr buffer = xmlBufferCreate();
  if (buffer == nullptr) throw EXmlError("Out of memory while writing XML");
  xmlNodeDump(buffer, doc_->Doc(), AsNode(node_), 0, 0);
  std::string result(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  return result;
}

Node Node::CloneToNewDocument() const {
  if (IsNull()) return {};
  InitializeOnce();
  xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  if (doc == nullptr) throw EXmlError("Out of memory while copying XML");
  auto holder = std::make_shared<DocumentHolder>(doc);
  xmlNodePtr copy = xmlDocCopyNode(AsNode(node_), doc, 1);
  if (copy == nullptr) throw EXmlError("Out of memory while copying XML");
  xmlDocSetRootElement(doc, copy);
  return Node(holder, copy);
}

Node Node::ReplaceWithCopyOf(const Node& other) {
  if (IsNull() || Parent().IsNull()) throw EXmlError("Only an element inside another can be replaced");
  if (other.IsNull()) throw EXmlError("An absent element cannot be copied");
  xmlNodePtr copy = xmlDocCopyNode(AsNode(other.node_), doc_->Doc(), 1);
  if (copy == nullptr) throw EXmlError("Out of memory while copying XML");
  xmlNodePtr old = xmlReplaceNode(AsNode(node_), copy);
  if (old != nullptr) doc_->KeepUnlinked(old);
  return Node(doc_, copy);
}

namespace {

Node FinishParse(xmlDocPtr doc, ErrorCapture& errors, const std::string& what,
                 std::shared_ptr<DocumentHolder>* holderOut) {
  if (doc == nullptr) {
    throw EXmlError(what + ": " + (errors.Message().empty() ? std::string("not well-formed XML") : errors.Message()));
  }
  auto holder = std::make_shared<DocumentHolder>(doc);
  // Entity declarations are the road to entity expansion bombs and to
  // reading other files; a world description has no use for them.
  if (HasEntityDeclarations(doc)) throw EXmlError(what + ": entity declarations are not allowed");
  xmlNodePtr root = xmlDocGetRootElement(doc);
  if (root == nullptr) throw EXmlError(what + ": no root element");
  if (holderOut != nullptr) *holderOut = holder;
  return NodeFactory::Make(holder, root);
}

}  // namespace

Node Document::LoadFile(const std::string& fileName) {
  InitializeOnce();
  ErrorCapture errors;
  xmlDocPtr doc = xmlReadFile(fileName.c_str(), nullptr, kParseOptions);
  return FinishParse(doc, errors, fileName, nullptr);
}

Node Document::ParseText(std::string_view text) {
  InitializeOnce();
  ErrorCapture errors;
  if (text.size() > static_cast<size_t>(INT32_MAX)) throw EXmlError("XML text too long");
  xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "text", nullptr, kParseOptions);
  return FinishParse(doc, errors, "XML text", nullptr);
}

Node Document::CreateElement(std::string_view tag) {
  InitializeOnce();
  xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  if (doc == nullptr) throw EXmlError("Out of memory while creating XML");
  auto holder = std::make_shared<DocumentHolder>(doc);
  const std::string name = tag.empty() ? std::string("ELEMENT") : Copy(tag);
  xmlNodePtr element = xmlNewDocNode(doc, nullptr, X(name), nullptr);
  if (element == nullptr) throw EXmlError("Out of memory while creating XML");
  xmlDocSetRootElement(doc, element);
  return Node(holder, element);
}

namespace {

// Compiled stylesheets by their text: the same few stylesheets are applied
// again and again (the texture lists of every monster on every update).
class StylesheetCache {
public:
  StylesheetCache() = default;
  StylesheetCache(const StylesheetCache&) = delete;
  StylesheetCache& operator=(const StylesheetCache&) = delete;
  ~StylesheetCache() {
    for (Entry& entry : entries_) xsltFreeStylesheet(entry.sheet);
  }
  xsltStylesheetPtr Find(const std::string& text) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].text == text) {
        std::rotate(entries_.begin(), entries_.begin() + static_cast<long>(i), entries_.begin() + static_cast<long>(i) + 1);
        return entries_.front().sheet;
      }
    }
    return nullptr;
  }
  void Add(const std::string& text, xsltStylesheetPtr sheet) {
    entries_.insert(entries_.begin(), Entry{text, sheet});
    if (entries_.size() > kCapacity) {
      xsltFreeStylesheet(entries_.back().sheet);
      entries_.pop_back();
    }
  }

private:
  static constexpr size_t kCapacity = 8;
  struct Entry {
    std::string text;
    xsltStylesheetPtr sheet;
  };
  std::vector<Entry> entries_;  // most recently used first
};

StylesheetCache& Stylesheets() {
  static StylesheetCache cache;
  return cache;
}

xsltStylesheetPtr CompileStylesheet(const std::string& text, ErrorCapture& errors) {
  if (text.size() > static_cast<size_t>(INT32_MAX)) throw EXmlError("Stylesheet too long");
  xmlDocPtr styleDoc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "stylesheet", nullptr, kParseOptions);
  if (styleDoc == nullptr) throw EXmlError("Stylesheet: " + errors.Message());
  if (HasEntityDeclarations(styleDoc) || xmlDocGetRootElement(styleDoc) == nullptr) {
    xmlFreeDoc(styleDoc);
    throw EXmlError("Stylesheet: no root element, or entity declarations");
  }
  xsltStylesheetPtr sheet = xsltParseStylesheetDoc(styleDoc);  // owns the document from here on
  if (sheet == nullptr) {
    xmlFreeDoc(styleDoc);
    throw EXmlError("Stylesheet cannot be compiled: " + errors.Message());
  }
  return sheet;
}

}  // namespace

std::string Transform(const Node& source, std::string_view stylesheetText) {
  InitializeOnce();
  if (source.IsNull()) throw EXmlError("Transform of an absent element");
  const Node sourceCopy = source.CloneToNewDocument();

  ErrorCapture errors;
  const std::string styleXml = Copy(stylesheetText);
  xsltStylesheetPtr sheet = Stylesheets().Find(styleXml);
  if (sheet == nullptr) {
    sheet = CompileStylesheet(styleXml, errors);
    Stylesheets().Add(styleXml, sheet);
  }
  xmlDocPtr input = sourceCopy.doc_->Doc();
  xsltTransformContextPtr context = xsltNewTransformContext(sheet, input);
  if (context == nullptr) throw EXmlError("Transform context cannot be created");
  xsltSetCtxtSecurityPrefs(SecurityPrefs(), context);
  xmlDocPtr result = xsltApplyStylesheetUser(sheet, input, nullptr, nullptr, nullptr, context);
  const bool failed = result == nullptr || context->state != XSLT_STATE_OK;
  xsltFreeTransformContext(context);
  std::string output;
  if (!failed) {
    xmlChar* buffer = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&buffer, &length, result, sheet) == 0 && buffer != nullptr) {
      output.assign(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
    }
    if (buffer != nullptr) xmlFree(buffer);
  }
  if (result != nullptr) xmlFreeDoc(result);
  if (failed) throw EXmlError("Transform failed: " + errors.Message());
  return output;
}

std::string XPathLiteral(std::string_view text) {
  if (text.find('"') == std::string_view::npos) return "\"" + Copy(text) + "\"";
  if (text.find('\'') == std::string_view::npos) return "'" + Copy(text) + "'";
  // Both quotes: concat of pieces, each quoted with the quote it lacks.
  std::string result = "concat(";
  size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    size_t next = text.find('"', start);
    std::string_view piece = text.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
    if (!piece.empty()) {
      if (!first) result += ", ";
      result += "\"" + Copy(piece) + "\"";
      first = false;
    }
    if (next == std::string_view::npos) break;
    if (!first) result += ", ";
    result += "'\"'";
    first = false;
    start = next + 1;
  }
  return result + ")";
}

}  // namespace xml
