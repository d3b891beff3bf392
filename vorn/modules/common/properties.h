// Connection properties: the small XML text that travels beside every value
// on a connection, "<?xml version='1.0'?><PROPS>...</PROPS>", one child
// element of PROPS per property holding its value as text.
//
// PropertiesDocument is the document a module object works on: loaded from
// text before each use, changed, and written back to text. The text comes
// from other modules, scripts and peers, so it is parsed without external
// entities or DTDs and with bounded entity expansion. As the servers always
// read it, only element children of PROPS are properties, and white space
// alone is no part of a value. What a module passes on is what it received
// (attributes, nested elements and all), changed only where it set a
// property; a text it changed is written back in the form above.
#ifndef VORN_MODULES_COMMON_PROPERTIES_H
#define VORN_MODULES_COMMON_PROPERTIES_H

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/guid.h"

namespace VornModules {

// The properties text with no properties.
inline constexpr char16_t kEmptyProperties[] = u"<?xml version='1.0'?><PROPS></PROPS>";

// The interfaces named by the COM errors that document operations raise.
PLATFORM_DEFINE_GUID(IID_PropertiesDocument, "2933BF81-7B36-11D2-B20E-00C04F983E60");
PLATFORM_DEFINE_GUID(IID_PropertiesNode, "2933BF80-7B36-11D2-B20E-00C04F983E60");

class PropertiesDocument {
public:
  // Null when the XML platform cannot be set up; callers then skip every
  // properties operation.
  static std::unique_ptr<PropertiesDocument> Create();
  ~PropertiesDocument();
  PropertiesDocument(const PropertiesDocument&) = delete;
  PropertiesDocument& operator=(const PropertiesDocument&) = delete;

  // Replaces the content with the parsed text; false (content unchanged)
  // when the text does not parse.
  bool LoadXml(std::u16string_view text);
  // The document as text: as it was loaded until a property is written,
  // and always for a document whose root is not PROPS.
  std::u16string Xml() const;

  // Sets property name to value, keeping its position when it exists.
  // Raises ComError: E_POINTER without a PROPS element, E_INVALIDARG for a
  // name that is no XML element name or a value XML cannot hold.
  void WriteProperty(std::u16string_view name, std::u16string_view value);
  // The value of property name; empty when absent. E_POINTER without PROPS.
  std::u16string ReadProperty(std::u16string_view name) const;
  // The property names in document order. E_POINTER without PROPS.
  std::vector<std::u16string> PropertyNames() const;

private:
  PropertiesDocument();
  void RequireProps() const;

  struct Parser;
  // A child of PROPS as received (its markup), or a property written since
  // (no markup); only element children are properties.
  struct Child {
    bool property = false;
    std::u16string name;
    std::u16string value;
    std::u16string markup;
  };
  std::unique_ptr<Parser> parser_;
  bool hasProps_ = false;
  bool changed_ = false;
  std::u16string loadedText_;
  std::u16string propsAttributes_;
  std::vector<Child> children_;
};

}  // namespace VornModules

#endif
