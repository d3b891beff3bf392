// The fixed text of the generated binding header and source.
//
// Every template is spliced with Splice (emitters/textsplice.h); "@NAME@"
// marks per-schema text. Names used throughout:
//   N          class name as declared (identifier, or ns_identifier)
//   Q          qualified class name, also the factory key (ns::item, ns_item)
//   XOBJECT, XEXCEPTION, ... runtime names in the naming form in use
//   TAB        one tab character (raw strings cannot spell it visibly)
// Internal to the binding writer.
#ifndef TRAVIX_CPPBINDINGTEMPLATES_H
#define TRAVIX_CPPBINDINGTEMPLATES_H

#include <string_view>

namespace Travix::CppBindingTemplates {

// ---------------------------------------------------------------- header

inline constexpr std::string_view kHeaderOpening = R"~(#if !defined(_@STEM@_H)
#define _@STEM@_H

@MFC_DEFINE@#include <@RUNTIME_HEADER@>

// disable certain compiler warnings
#if defined(_WIN32)
#pragma warning(push)
#pragma warning( disable : 4786)
#pragma warning( disable : 4275)
#pragma warning( disable : 4251)
#pragma warning( disable : 4503)
#endif // defined(_WIN32)

@EXPORT_MACRO_BLOCK@// If XML Read support is not disabled, include the appropriate headers
#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)
#include "xobjfactory.h"
#endif // defined(_TRAVIX_SUPPRESS_READ_SUPPORT)

// Namespace macros for use in cross-platform applications
#define @STEM@_NAMESPACE(x)@TAB@@TAB@@TAB@@TAB@@NAMESPACE_MACRO@
#define @STEM@_CLASS(x)@TAB@@TAB@@TAB@@TAB@@TAB@@CLASS_MACRO@

@NAMESPACE_OPEN@// If XML Read support is not disabled, declare the Initialize() function
// Initialize() registers the create functions for every class in this
// file. The classes are registered with @XOBJECTFACTORY@
#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)
void @EXPORT@@PREFIX@Initialize(void);
#endif // defined(_TRAVIX_SUPPRESS_READ_SUPPORT)

)~";

inline constexpr std::string_view kMfcDefine = R"~(#define TRAVIX_USE_MFC

)~";

inline constexpr std::string_view kExportMacroBlock = R"~(#if defined(_WIN32)
#if defined(@STEM@_EXPORTS)
#undef @STEM@_API
#define @STEM@_API __declspec(dllexport)
#else
#undef @STEM@_API
#define @STEM@_API __declspec(dllimport)
#endif
#else // not _WIN32
#undef @STEM@_API
#define @STEM@_API
#endif // defined(_WIN32)

)~";

inline constexpr std::string_view kNamespaceOpen = R"~(namespace @NS@
{
)~";

inline constexpr std::string_view kHeaderClosing = R"~(@NAMESPACE_CLOSE@// restore compiler warning settings
#if defined(_WIN32)
#pragma warning(pop)
#endif // defined(_WIN32)

#endif // !defined(_@STEM@_H)
)~";

inline constexpr std::string_view kNamespaceClose = R"~(} // end of namespace @NS@

)~";

inline constexpr std::string_view kSchemaDeclarations = R"~(// Start of schema

// Functions to return schema attributes
extern const char * @PREFIX@Get_targetNS();
extern const char * @PREFIX@Get_xmlns();
extern const char * @PREFIX@Get_version();
extern const char * @PREFIX@Get_model();

// Forward class declarations
@FORWARD_DECLARATIONS@
)~";

inline constexpr std::string_view kClassDeclaration = R"~(@COMMENTS@class @EXPORT@@N@ : public @BASE@
{
  public:
    // default constructor
    @N@();
    // copy constructor
    @N@(const @N@&);
@CONVERSIONS@    // destructor
    virtual ~@N@();
    // assignment operator
    @N@ & operator=(const @N@&);

@BASETYPE_ASSIGNMENT@    // create function
    static @XOBJECT@ * create() { return new @N@; }

  public:
@ACCESSORS@@ELEMENT_OPERATIONS@    virtual @XOBJECT@ * clone() const { return new @N@(*this); }

  protected:
@MEMBERS@
};

)~";

inline constexpr std::string_view kConversionDeclaration = R"~(    // conversion constructor
    @N@(const @VALUE_TYPE@);
)~";

inline constexpr std::string_view kBasetypeAssignment = R"~(    // basetype assignment operator
    @N@ & operator=(@T@ value) { m_value = value; return (*this); }

)~";

inline constexpr std::string_view kElementOperations = R"~(    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(@STREAM@ &, int indentLevel = 0);
    virtual bool IsValid();
)~";

inline constexpr std::string_view kMixedMember = R"~(    @XOBJPTRLIST@ m_mixed;
)~";
inline constexpr std::string_view kMixedAccessor = R"~(    @XOBJPTRLIST@ & GetMixedList() { return m_mixed; }
)~";
inline constexpr std::string_view kTextOnlyMember = R"~(    @STRING@ mContent;
)~";
inline constexpr std::string_view kTextOnlyAccessors = R"~(    @STRING@ GetContent() { return mContent; }
    void SetContent(@STRING@ content) { mContent = content; }
)~";
inline constexpr std::string_view kAnyMember = R"~(    @XOBJPTRLIST@ m_anyContent;
)~";
inline constexpr std::string_view kAnyAccessor = R"~(    @XOBJPTRLIST@ & GetAnyContentList() { return m_anyContent; }
)~";
inline constexpr std::string_view kChoiceMember = R"~(    @XOBJECT@ * m_choice;
)~";
// Setting the choice it already holds must not delete it.
inline constexpr std::string_view kChoiceAccessors = R"~(    @XOBJECT@ * GetChoice() { return m_choice; }
    void SetChoice(@XOBJECT@ * choice) { if (m_choice != choice) { delete m_choice; m_choice = choice; } }
)~";

// An attribute's accessors. getAttribute throws for a missing attribute; a
// value of another type is reported instead of dereferenced.
inline constexpr std::string_view kAttributeGetter = R"~(    const @T@ & Get_@MN@()
    {
      const @XOBJECT@ * pAttr = getAttribute("@X@");
      const @T@ * pType = dynamic_cast<const @T@ *>(pAttr);
      if (!pType)
        throw @XEXCEPTION@(std::string("Error: @Q@::Get_@MN@() failed a cast to '@T@ *' from ")+pAttr->GetTag(),__FILE__,__LINE__);
      return *pType;
    }
)~";
inline constexpr std::string_view kAttributeSetter = R"~(    void Set_@MN@(const @T@ & attr) { setAttribute("@X@", &attr); }
)~";

inline constexpr std::string_view kListMemberDeclaration = R"~(    @T@  m_@MN@;
)~";
inline constexpr std::string_view kSingleMemberDeclaration = R"~(    @T@  *m_p@MN@;
)~";
inline constexpr std::string_view kListAccessorDeclaration = R"~(    @T@ & Get_@MN@();

)~";
inline constexpr std::string_view kSingleAccessorDeclarations = R"~(    // Makes the object the member instead of a copy of it, and owns it
    // then; false (the object left to the caller) when the member is set
    // already or the object is of a class derived from its type.
    bool Adopt_@MN@(@T@ *);
    void Set_@MN@(const @T@ &);
    const @T@ & Get_@MN@();

)~";

// ---------------------------------------------------------------- source

inline constexpr std::string_view kSourceOpening = R"~(#include "@HEADER@"

)~";

inline constexpr std::string_view kSchemaAttributeFunction = R"~(const char * @PREFIX@Get_@ATTRIBUTE@()
{
  return "@VALUE@";
@AFTER_RETURN@}

)~";

inline constexpr std::string_view kInitializeDefinition = R"~(// If XML Read support is not disabled, define the Initialize() function
// Initialize() registers the create functions for every class in this
// file. The classes are registered with @XOBJECTFACTORY@
#if !defined(_TRAVIX_SUPPRESS_READ_SUPPORT)
void @PREFIX@Initialize(void)
{
@REGISTRATIONS@
}
#endif // defined(_TRAVIX_SUPPRESS_READ_SUPPORT)

)~";

inline constexpr std::string_view kRegistration = R"~(  @XOBJECTFACTORY@::RegisterCreateFunction("@Q@", @Q@::create);
)~";

inline constexpr std::string_view kClassFunctionsComment = R"~(// Functions for class '@Q@'
)~";

inline constexpr std::string_view kDefaultConstructor = R"~(// Default constructor
@Q@::@N@() : 
  @BASE@("@SCHEMA_NAME@")@CONTENT_INITIALISER@@MEMBER_INITIALISERS@
{
@BODY@}

)~";

inline constexpr std::string_view kCopyConstructor = R"~(// Copy constructor
@Q@::@N@(const @N@ & other) : 
  @BASE@(other)@CONTENT_INITIALISER@@MEMBER_INITIALISERS@
{
@CONTENT_COPY@@BODY@}

)~";

inline constexpr std::string_view kConversionConstructor = R"~(// conversion constructor
@Q@::@N@(const @T@ value) : 
  @BASE@("@SCHEMA_NAME@", value)
{
@BODY@}

)~";

inline constexpr std::string_view kNumericConversionConstructor = R"~(// conversion constructor
@Q@::@N@(const @C@ value) : 
   @BASE@("@SCHEMA_NAME@", @T@(value))
{
@BODY@}

)~";

inline constexpr std::string_view kDestructor = R"~(// Destructor
@Q@::~@N@()
{
@CHOICE_DELETE@@BODY@
}

)~";

inline constexpr std::string_view kChoiceDelete = R"~(  if (m_choice)
    delete m_choice;
)~";

// The guard keeps self-assignment from freeing what it is about to copy.
inline constexpr std::string_view kAssignment = R"~(@Q@ & @Q@::operator=(const @N@ & other)
{
  if (this == &other)
    return (*this);
  SetTag(other.GetTag());
  copyAttributesFrom(other.m_pAttributesMap);
@CONTENT_ASSIGNMENT@@BODY@  return (*this);
}

)~";

inline constexpr std::string_view kChoiceCopy = R"~(  if (other.m_choice)
    m_choice = other.m_choice->clone();
)~";

inline constexpr std::string_view kChoiceAssignment = R"~(  if (m_choice)
    delete m_choice;
  m_choice = 0;
  if (other.m_choice)
    m_choice = other.m_choice->clone();
)~";

inline constexpr std::string_view kHasElement = R"~(bool @Q@::HasElement(std::string elemName) const
{
@BODY@  return false;
}

)~";

inline constexpr std::string_view kRemoveElement = R"~(void @Q@::RemoveElement(std::string elemName)
{
@BODY@}

)~";

inline constexpr std::string_view kEmitXML = R"~(bool @Q@::EmitXML(std::ostream & oStrm, int indentLevel)
{
@BODY@  return true;
}

)~";

inline constexpr std::string_view kEmitOpening = R"~(  oStrm << doIndent(indentLevel);
  oStrm << @LA@ << GetTag();
  EmitAttributes(oStrm);
)~";

inline constexpr std::string_view kEmitEmpty = R"~(  oStrm << " " << @SL@ << @RA@ << @EL@;
)~";

// Mixed and any content: LIST is m_mixed or m_anyContent.
inline constexpr std::string_view kEmitList = R"~(  // If there is no @WHAT@ content then this tag is empty
  if (@LIST@.@SIZE@ == 0)
    oStrm << " " << @SL@ << @RA@ << @EL@;
  else
  {
    // The content as it stands: a line end or indent added here would be
    // read back as part of its text
    oStrm << @RA@;
    @LIST@.EmitContentXML(oStrm);
    oStrm << @LA@ << @SL@ << GetTag() << @RA@ << @EL@;
  }
)~";

inline constexpr std::string_view kEmitTextOnly = R"~(  oStrm << @RA@;
  mContent.EmitXML(oStrm, indentLevel);
  oStrm << @LA@ << @SL@ << GetTag() << @RA@ << @EL@;
)~";

inline constexpr std::string_view kEmitElementContent = R"~(  oStrm << @RA@ << @EL@;
@CHILDREN@  oStrm << doIndent(indentLevel);
  oStrm << @LA@ << @SL@ << GetTag() << @RA@ << @EL@;
)~";

inline constexpr std::string_view kEmitChoice = R"~(  if (m_choice)
    m_choice->EmitXML(oStrm, @INDENT@);
)~";

// A group writes no tags of its own: its content stands in its owner's.
inline constexpr std::string_view kEmitGroupList = R"~(  @LIST@.EmitXML(oStrm, indentLevel);
)~";

inline constexpr std::string_view kIsValid = R"~(bool @Q@::IsValid()
{
  if (!hasValidAttributes())
    throw @XEXCEPTION@(std::string("Error: @Q@ has invalid (probably missing) attributes"),__FILE__,__LINE__);
@BODY@}

)~";

inline constexpr std::string_view kValidList = R"~(  if (@LIST@.IsValid() == false)
    return false;
  return true;
)~";

inline constexpr std::string_view kValidReturn = R"~(  return true;
)~";

inline constexpr std::string_view kChoiceRequired = R"~(  if (m_choice == 0)
    throw @XEXCEPTION@(std::string("Error: @Q@ contains a null choice"),__FILE__,__LINE__);
)~";

inline constexpr std::string_view kChoiceOptional = R"~(  if (m_choice == 0)
    return true;
)~";

inline constexpr std::string_view kChoiceTagCheck = R"~(  if (@TAGS@)
    throw @XEXCEPTION@(std::string("Error: @Q@ contains an invalid choice of '")+m_choice->GetTag()+"'",__FILE__,__LINE__);
  return m_choice->IsValid();
)~";

// A choice without alternatives can hold nothing.
inline constexpr std::string_view kChoiceNothingAllowed = R"~(  throw @XEXCEPTION@(std::string("Error: @Q@ contains an invalid choice of '")+m_choice->GetTag()+"'",__FILE__,__LINE__);
)~";

inline constexpr std::string_view kChoiceTag = R"~(      m_choice->GetTag() != "@X@")~";

// ----------------------------------------------------- member code (source)

inline constexpr std::string_view kAttributeValue = R"~(  {
    @T@ temp;
    temp.SetTag("@X@");
    temp = @VALUE@;
    setAttribute("@X@", &temp);
  }
)~";

inline constexpr std::string_view kRequiredAttributeCheck = R"~(  if (!HasAttribute("@X@"))
      throw @XEXCEPTION@(std::string("Error: Required attribute '@X@' of object @Q@ was not found"),__FILE__,__LINE__);
)~";

inline constexpr std::string_view kListInitialiser = R"~(,
  m_@MN@())~";
inline constexpr std::string_view kListTag = R"~(  m_@MN@.SetTag("@X@");
)~";
inline constexpr std::string_view kListCopyInitialiser = R"~(,
  m_@MN@(other.m_@MN@))~";
inline constexpr std::string_view kListAssignment = R"~(  m_@MN@ = other.m_@MN@;
  m_@MN@.SetTag("@X@");
)~";
inline constexpr std::string_view kListValid = R"~(  if (m_@MN@.IsValid() == false)
    return false;
)~";
inline constexpr std::string_view kListMinimum = R"~(  if (m_@MN@.@SIZE@ < @MIN@)
    throw @XEXCEPTION@(std::string("Error: @ID@:@X@ must contain at least @MIN@ element(s)."),__FILE__,__LINE__);
)~";
inline constexpr std::string_view kListMaximum = R"~(  if (m_@MN@.@SIZE@ > @MAX@)
    throw @XEXCEPTION@(std::string("Error: @ID@:@X@ can contain no more than @MAX@ element(s)"),__FILE__,__LINE__);
)~";
inline constexpr std::string_view kListGetter = R"~(@T@ & @Q@::Get_@MN@()
{
  return m_@MN@;
}
)~";
// Elements appended to a list keep the tag they were made with (a value's
// "#PCDATA", a type's name); they are written under the element's name.
inline constexpr std::string_view kListEmit = R"~(  for (@ELEMENT@ * element : m_@MN@)
    if (element)
      element->SetTag("@X@");
  m_@MN@.EmitXML(oStrm,@INDENT@);
)~";
inline constexpr std::string_view kListFree = R"~(  m_@MN@.freeElems();
)~";

inline constexpr std::string_view kSingleInitialiser = R"~(,
  m_p@MN@(0))~";
// A default or fixed value makes the element present from the start. The
// tag comes last: assigning a datatype value copies the datatype's tag.
inline constexpr std::string_view kSingleValue = R"~(  m_p@MN@ = new @T@;
  *m_p@MN@ = @VALUE@;
  m_p@MN@->SetTag("@X@");
)~";
inline constexpr std::string_view kSingleCopy = R"~(  if (other.m_p@MN@)
  {
    m_p@MN@ = new @T@(*other.m_p@MN@);
    if (!m_p@MN@)
      throw @XEXCEPTION@(std::string("Error: @Q@ copy constructor: out of memory"),__FILE__,__LINE__);
    m_p@MN@->SetTag("@X@");
  }
  else
  {
    m_p@MN@ = 0;
  }
)~";
inline constexpr std::string_view kSingleAssignment = R"~(  if (other.m_p@MN@)
  {
    if (m_p@MN@)
    {
      *m_p@MN@ = *other.m_p@MN@;
      m_p@MN@->SetTag("@X@");
    }
    else
    {
      m_p@MN@ = new @T@(*other.m_p@MN@);
      if (!m_p@MN@)
        throw @XEXCEPTION@(std::string("Error: @Q@ assignment operator: out of memory"),__FILE__,__LINE__);
      m_p@MN@->SetTag("@X@");
    }
  }
  else if (m_p@MN@)
  {
    delete m_p@MN@;
    m_p@MN@ = 0;
  }
)~";
inline constexpr std::string_view kSingleSetter = R"~(void @Q@::Set_@MN@(const @T@ & value)
{
  if (m_p@MN@)
  {
    *m_p@MN@ = value;
    m_p@MN@->SetTag("@X@");
  }
  else
  {
    m_p@MN@ = new @T@(value);
    if (!m_p@MN@)
      throw @XEXCEPTION@(std::string("Error: @Q@::Set_@MN@(): out of memory"),__FILE__,__LINE__);
    m_p@MN@->SetTag("@X@");
  }
}
)~";
inline constexpr std::string_view kSingleAdopter = R"~(bool @Q@::Adopt_@MN@(@T@ * value)
{
  if (m_p@MN@ || !value || typeid(*value) != typeid(@T@))
    return false;
  value->SetTag("@X@");
  m_p@MN@ = value;
  return true;
}
)~";
inline constexpr std::string_view kSingleGetter = R"~(const @T@ & @Q@::Get_@MN@()
{
  if (!m_p@MN@)
    throw @XEXCEPTION@(std::string("Error: @Q@::Get_@MN@(): attempt to return null object"),__FILE__,__LINE__);
  return *m_p@MN@;
}
)~";
inline constexpr std::string_view kSingleHasElement = R"~(  if (elemName == "@X@")
    return (m_p@MN@ ? true : false);
)~";
inline constexpr std::string_view kSingleRemoveElement = R"~(  if ( (elemName == "@X@") && m_p@MN@)
  {
    delete m_p@MN@;
    m_p@MN@ = 0;
  }
)~";
inline constexpr std::string_view kOptionalValid = R"~(  if (m_p@MN@ && (m_p@MN@->IsValid() == false) )
    return false;
)~";
inline constexpr std::string_view kRequiredValid = R"~(  if (!m_p@MN@ || (m_p@MN@->IsValid() == false) )
    return false;
)~";
inline constexpr std::string_view kSingleEmit = R"~(  if (m_p@MN@)
    m_p@MN@->EmitXML(oStrm,@INDENT@);
)~";
inline constexpr std::string_view kSingleDelete = R"~(  if (m_p@MN@)
    delete m_p@MN@;
)~";

inline constexpr std::string_view kFacet = R"~(  m_facets.@APPEND@(@FACET@(@FACET@::@KIND@, @VALUE@));
)~";

}  // namespace Travix::CppBindingTemplates

#endif
