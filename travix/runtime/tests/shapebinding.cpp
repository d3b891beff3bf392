// Member functions of the hand-written binding, laid out as the binding
// writer lays out generated source (see shapebinding.h).
#include "shapebinding.h"

#define Q(x) SHAPE_NAMESPACE(x)
#define N(x) SHAPE_CLASS(x)

#define SIZE_FACET TXR(XFacet)< TXR(integer), true >
#define STRING_FACET TXR(XFacet)< TXR(string), false >

// Functions for class 'size'
// Default constructor
Q(size)::N(size)() : 
  TXR(XDatatype)< TXR(integer), true >("size")
{
  m_facets.SHAPE_APPEND(SIZE_FACET(SIZE_FACET::minInclusive, 1));
  m_facets.SHAPE_APPEND(SIZE_FACET(SIZE_FACET::maxInclusive, 10));
}

// Copy constructor
Q(size)::N(size)(const N(size) & other) : 
  TXR(XDatatype)< TXR(integer), true > (other)
{
}

// conversion constructor
Q(size)::N(size)(const TXR(integer) value) : 
  TXR(XDatatype)< TXR(integer), true >("size", value)
{
  m_facets.SHAPE_APPEND(SIZE_FACET(SIZE_FACET::minInclusive, 1));
  m_facets.SHAPE_APPEND(SIZE_FACET(SIZE_FACET::maxInclusive, 10));
}

// conversion constructor
Q(size)::N(size)(const long value) : 
   TXR(XDatatype)< TXR(integer), true >("size", TXR(integer)(value))
{
  m_facets.SHAPE_APPEND(SIZE_FACET(SIZE_FACET::minInclusive, 1));
  m_facets.SHAPE_APPEND(SIZE_FACET(SIZE_FACET::maxInclusive, 10));
}

// Destructor
Q(size)::~N(size)()
{
}

Q(size) & Q(size)::operator=(const N(size) & other)
{
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  m_value = other.m_value;
  return (*this);
}

// Functions for class 'color'
// Default constructor
Q(color)::N(color)() : 
  TXR(XDatatype)< TXR(string), false >("color")
{
  m_facets.SHAPE_APPEND(STRING_FACET(STRING_FACET::literal, "red"));
  m_facets.SHAPE_APPEND(STRING_FACET(STRING_FACET::literal, "green"));
}

// Copy constructor
Q(color)::N(color)(const N(color) & other) : 
  TXR(XDatatype)< TXR(string), false > (other)
{
}

// conversion constructor
Q(color)::N(color)(const TXR(string) value) : 
  TXR(XDatatype)< TXR(string), false >("color", value)
{
  m_facets.SHAPE_APPEND(STRING_FACET(STRING_FACET::literal, "red"));
  m_facets.SHAPE_APPEND(STRING_FACET(STRING_FACET::literal, "green"));
}

// Destructor
Q(color)::~N(color)()
{
}

Q(color) & Q(color)::operator=(const N(color) & other)
{
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  m_value = other.m_value;
  return (*this);
}

// Functions for class 'code'
// Default constructor
Q(code)::N(code)() : 
  TXR(XDatatype)< TXR(string), false >("code")
{
  m_facets.SHAPE_APPEND(STRING_FACET(STRING_FACET::maxLength, "4"));
}

// Copy constructor
Q(code)::N(code)(const N(code) & other) : 
  TXR(XDatatype)< TXR(string), false > (other)
{
}

// conversion constructor
Q(code)::N(code)(const TXR(string) value) : 
  TXR(XDatatype)< TXR(string), false >("code", value)
{
  m_facets.SHAPE_APPEND(STRING_FACET(STRING_FACET::maxLength, "4"));
}

// Destructor
Q(code)::~N(code)()
{
}

Q(code) & Q(code)::operator=(const N(code) & other)
{
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  m_value = other.m_value;
  return (*this);
}

// Functions for class 'item'
// Default constructor
Q(item)::N(item)() : 
  TXR(XObject)("item"),
  m_psize(0),
  m_pnote(0),
  m_tagList()
{
  {
    Q(color) temp;
    temp.SetTag("color");
    temp = "red";
    setAttribute("color", &temp);
  }
  m_tagList.SetTag("tag");
}

// Copy constructor
Q(item)::N(item)(const N(item) & other) : 
  TXR(XObject)(other),
  m_tagList(other.m_tagList)
{
  if (other.m_psize)
  {
    m_psize = new Q(size)(*other.m_psize);
    if (!m_psize)
      throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) " copy constructor: out of memory"),__FILE__,__LINE__);
    m_psize->SetTag("size");
  }
  else
  {
    m_psize = 0;
  }
  if (other.m_pnote)
  {
    m_pnote = new TXR(string)(*other.m_pnote);
    if (!m_pnote)
      throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) " copy constructor: out of memory"),__FILE__,__LINE__);
    m_pnote->SetTag("note");
  }
  else
  {
    m_pnote = 0;
  }
  m_tagList.SetTag("tag");
}

// Destructor
Q(item)::~N(item)()
{
  if (m_psize)
    delete m_psize;
  if (m_pnote)
    delete m_pnote;
  m_tagList.freeElems();
}

Q(item) & Q(item)::operator=(const N(item) & other)
{
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  if (other.m_psize)
  {
    if (m_psize)
    {
      *m_psize = *other.m_psize;
      m_psize->SetTag("size");
    }
    else
    {
      m_psize = new Q(size)(*other.m_psize);
      if (!m_psize)
        throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) " assignment operator: out of memory"),__FILE__,__LINE__);
      m_psize->SetTag("size");
    }
  }
  else if (m_psize)
  {
    delete m_psize;
    m_psize = 0;
  }
  if (other.m_pnote)
  {
    if (m_pnote)
    {
      *m_pnote = *other.m_pnote;
      m_pnote->SetTag("note");
    }
    else
    {
      m_pnote = new TXR(string)(*other.m_pnote);
      if (!m_pnote)
        throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) " assignment operator: out of memory"),__FILE__,__LINE__);
      m_pnote->SetTag("note");
    }
  }
  else if (m_pnote)
  {
    delete m_pnote;
    m_pnote = 0;
  }
  m_tagList = other.m_tagList;
  m_tagList.SetTag("tag");
  return (*this);
}

void Q(item)::Set_size(const Q(size) & value)
{
  if (m_psize)
  {
    *m_psize = value;
    m_psize->SetTag("size");
  }
  else
  {
    m_psize = new Q(size)(value);
    if (!m_psize)
      throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) "::Set_size(): out of memory"),__FILE__,__LINE__);
    m_psize->SetTag("size");
  }
}
const Q(size) & Q(item)::Get_size()
{
  if (!m_psize)
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) "::Get_size(): attempt to return null object"),__FILE__,__LINE__);
  return *m_psize;
}
void Q(item)::Set_note(const TXR(string) & value)
{
  if (m_pnote)
  {
    *m_pnote = value;
    m_pnote->SetTag("note");
  }
  else
  {
    m_pnote = new TXR(string)(value);
    if (!m_pnote)
      throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) "::Set_note(): out of memory"),__FILE__,__LINE__);
    m_pnote->SetTag("note");
  }
}
const TXR(string) & Q(item)::Get_note()
{
  if (!m_pnote)
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) "::Get_note(): attempt to return null object"),__FILE__,__LINE__);
  return *m_pnote;
}
TXR(XList)<TXR(string) *> & Q(item)::Get_tagList()
{
  return m_tagList;
}

bool Q(item)::HasElement(std::string elemName) const
{
  if (elemName == "size")
    return (m_psize ? true : false);
  if (elemName == "note")
    return (m_pnote ? true : false);
  return false;
}

void Q(item)::RemoveElement(std::string elemName)
{
  if ( (elemName == "size") && m_psize)
  {
    delete m_psize;
    m_psize = 0;
  }
  if ( (elemName == "note") && m_pnote)
  {
    delete m_pnote;
    m_pnote = 0;
  }
}

bool Q(item)::EmitXML(std::ostream & oStrm, int indentLevel)
{
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << GetTag();
  EmitAttributes(oStrm);
  oStrm << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  if (m_psize)
    m_psize->EmitXML(oStrm,indentLevel+1);
  if (m_pnote)
    m_pnote->EmitXML(oStrm,indentLevel+1);
  m_tagList.EmitXML(oStrm,indentLevel+1);
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << TXR(SLASH) << GetTag() << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  return true;
}

bool Q(item)::IsValid()
{
  if (!hasValidAttributes())
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(item) " has invalid (probably missing) attributes"),__FILE__,__LINE__);
  if (!HasAttribute("id"))
      throw TXR(XException)(std::string("Error: Required attribute 'id' of object " SHAPE_KEY(item) " was not found"),__FILE__,__LINE__);
  if (!m_psize || (m_psize->IsValid() == false) )
    return false;
  if (m_pnote && (m_pnote->IsValid() == false) )
    return false;
  if (m_tagList.IsValid() == false)
    return false;
  return true;
}

// Functions for classes 'circle' and 'square' (empty content)
#define EMPTY_ARCHETYPE(name, required)                                                           \
  Q(name)::N(name)() : TXR(XObject)(#name) {}                                                     \
  Q(name)::N(name)(const N(name) & other) : TXR(XObject)(other) {}                                \
  Q(name)::~N(name)() {}                                                                          \
  Q(name) & Q(name)::operator=(const N(name) & other)                                             \
  {                                                                                               \
    SetTag(other.GetTag());                                                                       \
    copyAttributesFrom(other.m_pAttributesMap);                                                   \
    return (*this);                                                                               \
  }                                                                                               \
  bool Q(name)::HasElement(std::string) const { return false; }                                   \
  void Q(name)::RemoveElement(std::string) {}                                                     \
  bool Q(name)::EmitXML(std::ostream & oStrm, int indentLevel)                                    \
  {                                                                                               \
    oStrm << doIndent(indentLevel);                                                               \
    oStrm << TXR(LEFT_ANGLE) << GetTag();                                                         \
    EmitAttributes(oStrm);                                                                        \
    oStrm << " " << TXR(SLASH) << TXR(RIGHT_ANGLE) << SHAPE_ENDL;                                 \
    return true;                                                                                  \
  }                                                                                               \
  bool Q(name)::IsValid()                                                                         \
  {                                                                                               \
    if (!hasValidAttributes())                                                                    \
      throw TXR(XException)(std::string("Error: " SHAPE_KEY(name) " has invalid (probably missing) attributes"),__FILE__,__LINE__); \
    if (!HasAttribute(required))                                                                  \
      throw TXR(XException)(std::string("Error: Required attribute '" required "' of object " SHAPE_KEY(name) " was not found"),__FILE__,__LINE__); \
    return true;                                                                                  \
  }

EMPTY_ARCHETYPE(circle, "r")
EMPTY_ARCHETYPE(square, "side")

// Functions for class 'figure'
// Default constructor
Q(figure)::N(figure)() : 
  TXR(XObject)("figure"),
  m_choice(0)
{
}

// Copy constructor
Q(figure)::N(figure)(const N(figure) & other) : 
  TXR(XObject)(other),
  m_choice(0)
{
  if (other.m_choice)
    m_choice = other.m_choice->clone();
}

// Destructor
Q(figure)::~N(figure)()
{
  if (m_choice)
    delete m_choice;
}

Q(figure) & Q(figure)::operator=(const N(figure) & other)
{
  if (this == &other)
    return (*this);
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  if (m_choice)
    delete m_choice;
  m_choice = 0;
  if (other.m_choice)
    m_choice = other.m_choice->clone();
  return (*this);
}

bool Q(figure)::HasElement(std::string elemName) const
{
  (void)elemName;
  return false;
}

void Q(figure)::RemoveElement(std::string)
{
}

bool Q(figure)::EmitXML(std::ostream & oStrm, int indentLevel)
{
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << GetTag();
  EmitAttributes(oStrm);
  oStrm << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  if (m_choice)
    m_choice->EmitXML(oStrm, indentLevel);
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << TXR(SLASH) << GetTag() << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  return true;
}

bool Q(figure)::IsValid()
{
  if (!hasValidAttributes())
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(figure) " has invalid (probably missing) attributes"),__FILE__,__LINE__);
  if (m_choice == 0)
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(figure) " contains a null choice"),__FILE__,__LINE__);
  if (m_choice->GetTag() != "circle" &&
      m_choice->GetTag() != "square")
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(figure) " contains an invalid choice of '")+m_choice->GetTag()+"'",__FILE__,__LINE__);
  return m_choice->IsValid();
}

// Functions for class 'para'
// Default constructor
Q(para)::N(para)() : 
  TXR(XObject)("para"),
  m_mixed()
{
}

// Copy constructor
Q(para)::N(para)(const N(para) & other) : 
  TXR(XObject)(other),
  m_mixed()
{
  m_mixed = other.m_mixed;
}

// Destructor
Q(para)::~N(para)()
{
}

Q(para) & Q(para)::operator=(const N(para) & other)
{
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  m_mixed = other.m_mixed;
  return (*this);
}

bool Q(para)::HasElement(std::string) const
{
  return false;
}

void Q(para)::RemoveElement(std::string)
{
}

bool Q(para)::EmitXML(std::ostream & oStrm, int indentLevel)
{
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << GetTag();
  EmitAttributes(oStrm);
  // If there is no mixed content then this tag is empty
  if (m_mixed.SHAPE_SIZE == 0)
    oStrm << " " << TXR(SLASH) << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  else
  {
    // The content as it stands: a line end or indent added here would be
    // read back as part of its text
    oStrm << TXR(RIGHT_ANGLE);
    m_mixed.EmitContentXML(oStrm);
    oStrm << TXR(LEFT_ANGLE) << TXR(SLASH) << GetTag() << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  }
  return true;
}

bool Q(para)::IsValid()
{
  if (!hasValidAttributes())
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(para) " has invalid (probably missing) attributes"),__FILE__,__LINE__);
  if (m_mixed.IsValid() == false)
    return false;
  return true;
}

// Functions for class 'order'
// Default constructor
Q(order)::N(order)() : 
  TXR(XObject)("order"),
  m_itemList(),
  m_pfigure(0),
  m_ppara(0)
{
  m_itemList.SetTag("item");
}

// Copy constructor
Q(order)::N(order)(const N(order) & other) : 
  TXR(XObject)(other),
  m_itemList(other.m_itemList)
{
  m_itemList.SetTag("item");
  if (other.m_pfigure)
  {
    m_pfigure = new Q(figure)(*other.m_pfigure);
    m_pfigure->SetTag("figure");
  }
  else
  {
    m_pfigure = 0;
  }
  if (other.m_ppara)
  {
    m_ppara = new Q(para)(*other.m_ppara);
    m_ppara->SetTag("para");
  }
  else
  {
    m_ppara = 0;
  }
}

// Destructor
Q(order)::~N(order)()
{
  m_itemList.freeElems();
  if (m_pfigure)
    delete m_pfigure;
  if (m_ppara)
    delete m_ppara;
}

Q(order) & Q(order)::operator=(const N(order) & other)
{
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
  m_itemList = other.m_itemList;
  m_itemList.SetTag("item");
  if (other.m_pfigure)
  {
    if (m_pfigure)
    {
      *m_pfigure = *other.m_pfigure;
      m_pfigure->SetTag("figure");
    }
    else
    {
      m_pfigure = new Q(figure)(*other.m_pfigure);
      m_pfigure->SetTag("figure");
    }
  }
  else if (m_pfigure)
  {
    delete m_pfigure;
    m_pfigure = 0;
  }
  if (other.m_ppara)
  {
    if (m_ppara)
    {
      *m_ppara = *other.m_ppara;
      m_ppara->SetTag("para");
    }
    else
    {
      m_ppara = new Q(para)(*other.m_ppara);
      m_ppara->SetTag("para");
    }
  }
  else if (m_ppara)
  {
    delete m_ppara;
    m_ppara = 0;
  }
  return (*this);
}

TXR(XList)<Q(item) *> & Q(order)::Get_itemList()
{
  return m_itemList;
}
void Q(order)::Set_figure(const Q(figure) & value)
{
  if (m_pfigure)
  {
    *m_pfigure = value;
    m_pfigure->SetTag("figure");
  }
  else
  {
    m_pfigure = new Q(figure)(value);
    m_pfigure->SetTag("figure");
  }
}
const Q(figure) & Q(order)::Get_figure()
{
  if (!m_pfigure)
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(order) "::Get_figure(): attempt to return null object"),__FILE__,__LINE__);
  return *m_pfigure;
}
void Q(order)::Set_para(const Q(para) & value)
{
  if (m_ppara)
  {
    *m_ppara = value;
    m_ppara->SetTag("para");
  }
  else
  {
    m_ppara = new Q(para)(value);
    m_ppara->SetTag("para");
  }
}
const Q(para) & Q(order)::Get_para()
{
  if (!m_ppara)
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(order) "::Get_para(): attempt to return null object"),__FILE__,__LINE__);
  return *m_ppara;
}

bool Q(order)::HasElement(std::string elemName) const
{
  if (elemName == "figure")
    return (m_pfigure ? true : false);
  if (elemName == "para")
    return (m_ppara ? true : false);
  return false;
}

void Q(order)::RemoveElement(std::string elemName)
{
  if ( (elemName == "figure") && m_pfigure)
  {
    delete m_pfigure;
    m_pfigure = 0;
  }
  if ( (elemName == "para") && m_ppara)
  {
    delete m_ppara;
    m_ppara = 0;
  }
}

bool Q(order)::EmitXML(std::ostream & oStrm, int indentLevel)
{
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << GetTag();
  EmitAttributes(oStrm);
  oStrm << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  m_itemList.EmitXML(oStrm,indentLevel+1);
  if (m_pfigure)
    m_pfigure->EmitXML(oStrm,indentLevel+1);
  if (m_ppara)
    m_ppara->EmitXML(oStrm,indentLevel+1);
  oStrm << doIndent(indentLevel);
  oStrm << TXR(LEFT_ANGLE) << TXR(SLASH) << GetTag() << TXR(RIGHT_ANGLE) << SHAPE_ENDL;
  return true;
}

bool Q(order)::IsValid()
{
  if (!hasValidAttributes())
    throw TXR(XException)(std::string("Error: " SHAPE_KEY(order) " has invalid (probably missing) attributes"),__FILE__,__LINE__);
  if (m_itemList.IsValid() == false)
    return false;
  if (m_itemList.SHAPE_SIZE < 1)
    throw TXR(XException)(std::string("Error: order:item must contain at least 1 element(s)."),__FILE__,__LINE__);
  if (!m_pfigure || (m_pfigure->IsValid() == false) )
    return false;
  if (m_ppara && (m_ppara->IsValid() == false) )
    return false;
  return true;
}

// If XML Read support is not disabled, define the Initialize() function
// Initialize() registers the create functions for every class in this
// file. The classes are registered with Travix::XObjectFactory
#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)
void SHAPE_NAMESPACE(Initialize)(void)
{
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(size), Q(size)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(color), Q(color)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(code), Q(code)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(item), Q(item)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(circle), Q(circle)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(square), Q(square)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(figure), Q(figure)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(para), Q(para)::create);
  TXR(XObjectFactory)::RegisterCreateFunction(SHAPE_KEY(order), Q(order)::create);
}
#endif // defined(_TRAVIX_SUPPRESS_READ_SUPPORT)
