#include "engine/Config.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <climits>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "engine/Log.h"
#include "engine/StaticOrder.h"
#include "platform/win32/files.h"

// Built before every other static object of the program and destroyed after them.
STATIC_ORDER_CONFIG std::wstring g_Header;
STATIC_ORDER_CONFIG std::wstring g_CommonPackPath;
STATIC_ORDER_CONFIG std::wstring g_LocalPackPath;
STATIC_ORDER_CONFIG std::vector<SplashRecord> g_Splashes;
STATIC_ORDER_CONFIG std::map<TextKey, std::wstring> g_Texts;

namespace {

using namespace xercesc;

// Xerces strings are UTF-16 already: copied unit by unit.
std::wstring ToWide(const XMLCh* text) {
  std::wstring wide;
  if (text == nullptr) return wide;
  for (const XMLCh* at = text; *at != 0; ++at) wide += static_cast<wchar_t>(*at);
  return wide;
}

// The path as Xerces names the document in its messages, with "/" between folders.
std::u16string HostPathForXerces(const std::wstring& path) {
  std::u16string xml;
  xml.reserve(path.size());
  for (wchar_t unit : path) xml += unit == L'\\' ? u'/' : static_cast<char16_t>(unit);
  return xml;
}

// All text and CDATA inside node at any depth, in document order. Walked with an
// explicit path through the tree rather than DOMNode::getTextContent, which recurses
// once per level and so runs out of stack on a deeply nested file.
std::wstring TextContent(const DOMNode* node) {
  std::wstring text;
  const DOMNode* at = node->getFirstChild();
  while (at != nullptr) {
    const auto type = at->getNodeType();
    if (type == DOMNode::TEXT_NODE || type == DOMNode::CDATA_SECTION_NODE) {
      const XMLCh* value = at->getNodeValue();
      for (const XMLCh* c = value; c != nullptr && *c != 0; ++c) text += static_cast<wchar_t>(*c);
    }
    const bool container = type == DOMNode::ELEMENT_NODE || type == DOMNode::ENTITY_REFERENCE_NODE;
    if (container && at->getFirstChild() != nullptr) {
      at = at->getFirstChild();
      continue;
    }
    while (at != node && at->getNextSibling() == nullptr) at = at->getParentNode();
    if (at == node) break;
    at = at->getNextSibling();
  }
  return text;
}

bool Named(const DOMNode* node, const XMLCh* name) { return XMLString::equals(node->getNodeName(), name); }

std::wstring Attribute(const DOMElement* element, const XMLCh* name) { return ToWide(element->getAttribute(name)); }

// Calls visit for every element among the direct children of parent, in order.
template <typename Visit>
void ForEachChildElement(const DOMNode* parent, Visit visit) {
  for (const DOMNode* child = parent->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
    if (child->getNodeType() == DOMNode::ELEMENT_NODE) visit(static_cast<const DOMElement*>(child));
  }
}

// What a read produces. It starts as a copy of the globals and replaces them only once
// the whole document has been read, so a failed read leaves them untouched.
struct ConfigState {
  std::wstring header;
  std::wstring commonPackPath;
  std::wstring localPackPath;
  std::vector<SplashRecord> splashes;
  std::map<TextKey, std::wstring> texts;
};

SplashRecord ReadSplash(const DOMElement* element) {
  SplashRecord record;
  const XMLCh* resource = element->getAttribute(u"resource");
  if (XMLString::equals(resource, u"internal")) {
    record.resource = kSplashInternal;
  } else if (XMLString::equals(resource, u"external")) {
    record.resource = kSplashExternal;
  }
  record.id = Attribute(element, u"id");
  const XMLCh* when = element->getAttribute(u"when");
  if (XMLString::equals(when, u"start")) {
    record.when = kSplashAtStart;
  } else if (XMLString::equals(when, u"end")) {
    record.when = kSplashAtEnd;
  }
  return record;
}

void ReadDocument(const DOMElement* root, ConfigState& state) {
  ForEachChildElement(root, [&state](const DOMElement* element) {
    if (Named(element, u"Splash")) {
      ForEachChildElement(element, [&state](const DOMElement* child) { state.splashes.push_back(ReadSplash(child)); });
    } else if (Named(element, u"Translate")) {
      ForEachChildElement(element, [&state](const DOMElement* child) {
        TextKey key{Attribute(child, u"id"), ParseTextIndex(Attribute(child, u"idx"))};
        state.texts[key] = TextContent(child);
      });
    } else if (Named(element, u"Header")) {
      state.header = TextContent(element);
    } else if (Named(element, u"Resource")) {
      std::wstring common = Attribute(element, u"common");
      std::wstring local = Attribute(element, u"local");
      state.commonPackPath = std::move(common);
      state.localPackPath = std::move(local);
    }
  });
}

// Refuses every external DTD and entity, local files included: the document is read
// from memory and its references to anything outside it read as empty. The file's
// own internal entities are unaffected.
class NothingOutside : public XMLEntityResolver {
 public:
  InputSource* resolveEntity(XMLResourceIdentifier* resource) override {
    static const XMLByte kNothing[1] = {0};
    const XMLCh* systemId = resource->getSystemId();
    return new MemBufInputSource(kNothing, 0, systemId != nullptr ? systemId : u"", false);
  }
};

// The parser's memory, counted: past the budget an allocation fails as Xerces expects
// an exhausted heap to fail, and the read fails with it. Entity references in
// attribute values expand there without passing through the text count below.
class BudgetedMemory : public MemoryManager {
 public:
  explicit BudgetedMemory(std::size_t budget) : budget(budget) {}
  MemoryManager* getExceptionMemoryManager() override { return XMLPlatformUtils::fgMemoryManager; }
  // A heap that runs out fails the same way: Xerces unwinds cleanly only from its own
  // exception.
  void* allocate(XMLSize_t size) override {
    if (size > budget - used) throw OutOfMemoryException();
    auto* block = static_cast<std::max_align_t*>(::operator new(sizeof(std::max_align_t) + size, std::nothrow));
    if (block == nullptr) throw OutOfMemoryException();
    *reinterpret_cast<std::size_t*>(block) = size;
    used += size;
    return block + 1;
  }
  void deallocate(void* p) override {
    if (p == nullptr) return;
    auto* block = static_cast<std::max_align_t*>(p) - 1;
    used -= *reinterpret_cast<std::size_t*>(block);
    ::operator delete(block);
  }

 private:
  const std::size_t budget;
  std::size_t used = 0;
};

// Counts the document's text as it is scanned, entity expansions included, and stops
// the read once it passes kConfigMaxText characters.
class TextCountingParser : public XercesDOMParser {
 public:
  explicit TextCountingParser(MemoryManager* memory) : XercesDOMParser(nullptr, memory, nullptr) {}
  void docCharacters(const XMLCh* chars, XMLSize_t length, bool cdata) override {
    Count(length);
    XercesDOMParser::docCharacters(chars, length, cdata);
  }
  void ignorableWhitespace(const XMLCh* chars, XMLSize_t length, bool cdata) override {
    Count(length);
    XercesDOMParser::ignorableWhitespace(chars, length, cdata);
  }

 private:
  void Count(XMLSize_t length) {
    text += length;
    if (text > kConfigMaxText) throw OutOfMemoryException();
  }
  std::size_t text = 0;
};

// The whole file through the layer, which refuses anything but a regular file (a FIFO
// or a device would block a reader for ever). False when it can't be read whole or its
// bytes don't fit in memory.
bool ReadWholeFile(const std::wstring& path, std::vector<XMLByte>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsUsableHandle(file)) return false;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kConfigParseMemory;
  if (ok) {
    try {
      bytes.resize(size);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (ok) {
    DWORD read = 0;
    ok = ReadFile(file, bytes.data(), size, &read, nullptr) && read == size;
  }
  CloseHandle(file);
  return ok;
}

// Without an error handler Xerces ends the scan quietly at a fatal error and keeps the
// partial document, so a truncated file would read as a good one. This handler ignores
// warnings and validity errors just as that default does (a file without a grammar
// has plenty) and only remembers that the file was not well-formed.
class FatalErrorFlag : public ErrorHandler {
 public:
  void warning(const SAXParseException&) override {}
  void error(const SAXParseException&) override {}
  void fatalError(const SAXParseException&) override { seen = true; }
  void resetErrors() override { seen = false; }
  bool Seen() const { return seen; }

 private:
  bool seen = false;
};

}  // namespace

std::int32_t ParseTextIndex(const std::wstring& text) {
  std::size_t at = 0;
  auto isSpace = [](wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); };
  while (at < text.size() && isSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  long long value = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    value = value * 10 + (text[at] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<std::int32_t>(value);
}

bool ReadConfig(const std::wstring& path) {
  std::vector<XMLByte> bytes;
  if (!ReadWholeFile(path, bytes)) return false;

  try {
    XMLPlatformUtils::Initialize(XMLUni::fgXercescDefaultLocale);
  } catch (const XMLException&) {
    return false;
  }

  ConfigState state;
  NothingOutside resolver;
  FatalErrorFlag fatalErrors;
  BudgetedMemory memory(kConfigParseMemory);
  // Bounds the count of entity expansions; the memory budget and the text count bound
  // what they expand to.
  SecurityManager limits;
  try {
    state = {g_Header, g_CommonPackPath, g_LocalPackPath, g_Splashes, g_Texts};
    auto parser = std::make_unique<TextCountingParser>(&memory);
    parser->setValidationScheme(XercesDOMParser::Val_Always);
    parser->setXMLEntityResolver(&resolver);
    parser->setDisableDefaultEntityResolution(true);
    parser->setErrorHandler(&fatalErrors);
    parser->setSecurityManager(&limits);
    const std::u16string systemId = HostPathForXerces(path);
    MemBufInputSource source(bytes.data(), bytes.size(), systemId.c_str(), false, &memory);
    parser->parse(source);
    if (fatalErrors.Seen()) return false;
    const DOMDocument* document = parser->getDocument();
    const DOMElement* root = document != nullptr ? document->getDocumentElement() : nullptr;
    if (root == nullptr) return false;
    ReadDocument(root, state);
  } catch (const SAXException&) {
    return false;
  } catch (const XMLException&) {
    return false;
  } catch (const DOMException&) {
    return false;
  } catch (const OutOfMemoryException&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }

  g_Header = std::move(state.header);
  g_CommonPackPath = std::move(state.commonPackPath);
  g_LocalPackPath = std::move(state.localPackPath);
  g_Splashes = std::move(state.splashes);
  g_Texts = std::move(state.texts);
  return true;
}

std::wstring LookupText(const std::wstring& id, std::int32_t idx) {
  auto found = g_Texts.find(TextKey{id, idx});
  return found != g_Texts.end() ? found->second : std::wstring();
}

std::uint32_t CountSplashes(std::uint32_t when) {
  std::uint32_t count = 0;
  for (const SplashRecord& record : g_Splashes) {
    if (record.when == when) ++count;
  }
  return count;
}

SplashRecord GetSplash(std::uint32_t when, std::int32_t n) {
  std::int32_t seen = 0;
  for (const SplashRecord& record : g_Splashes) {
    if (record.when != when) continue;
    if (seen == n) return record;
    ++seen;
  }
  FailSilently("No such splash record");
}
