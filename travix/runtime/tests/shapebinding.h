// A binding written by hand in the shape the binding writer generates, for
// a small schema: datatypes with numeric, literal and length facets, an
// archetype with attributes, single, optional and repeated children, a
// choice, mixed content and empty content. It proves the runtime offers
// what generated code uses, in the naming form and list style selected by
// TRAVIX_NO_NAMESPACE and TRAVIX_USE_MFC.
//
//   size  : integer, 1 to 10          color : string, "red" or "green"
//   code  : string, at most 4 chars   circle, square : empty, attribute r / side
//   item  : attributes id (required), color (default "red"), code;
//           children size, note?, tag*
//   figure: choice of circle and square
//   para  : mixed content
//   order : children item+, figure, para?
#if !defined(_SHAPE_H)
#define _SHAPE_H

#if defined(TRAVIX_NO_NAMESPACE)
#include <travix_n.h>
#else
#include <travix.h>
#endif

#include "xobjfactory.h"

#if defined(TRAVIX_NO_NAMESPACE)
#define TXR(x) Travix_##x
#define SHAPE_CLASS(x) shape_##x
#define SHAPE_NAMESPACE(x) shape_##x
#define SHAPE_KEY(x) "shape_" #x
#else
#define TXR(x) Travix::x
#define SHAPE_CLASS(x) x
#define SHAPE_NAMESPACE(x) shape::x
#define SHAPE_KEY(x) "shape::" #x
#endif

#if defined(TRAVIX_USE_MFC)
#define SHAPE_APPEND AddTail
#define SHAPE_SIZE GetCount()
#define SHAPE_HEAD GetHead()
#define SHAPE_TAIL GetTail()
#define SHAPE_ENDL Travix::EndL
#define SHAPE_STRPTR GetBuffer(0)
#else
#define SHAPE_APPEND push_back
#define SHAPE_SIZE size()
#define SHAPE_HEAD front()
#define SHAPE_TAIL back()
#define SHAPE_ENDL std::endl
#define SHAPE_STRPTR c_str()
#endif

#if !defined(TRAVIX_NO_NAMESPACE)
namespace shape
{
#endif

void SHAPE_CLASS(Initialize)(void);

class SHAPE_CLASS(size);
class SHAPE_CLASS(color);
class SHAPE_CLASS(code);
class SHAPE_CLASS(item);

class SHAPE_CLASS(size) : public TXR(XDatatype)< TXR(integer), true >
{
  public:
    SHAPE_CLASS(size)();
    SHAPE_CLASS(size)(const SHAPE_CLASS(size)&);
    SHAPE_CLASS(size)(const TXR(integer));
    SHAPE_CLASS(size)(const long);
    virtual ~SHAPE_CLASS(size)();
    SHAPE_CLASS(size) & operator=(const SHAPE_CLASS(size)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(size); }

  public:
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(size)(*this); }

  protected:
};

class SHAPE_CLASS(color) : public TXR(XDatatype)< TXR(string), false >
{
  public:
    SHAPE_CLASS(color)();
    SHAPE_CLASS(color)(const SHAPE_CLASS(color)&);
    SHAPE_CLASS(color)(const TXR(string));
    virtual ~SHAPE_CLASS(color)();
    SHAPE_CLASS(color) & operator=(const SHAPE_CLASS(color)&);

    SHAPE_CLASS(color) & operator=(TXR(string) value) { m_value = value; return (*this); }

    static TXR(XObject) * create() { return new SHAPE_CLASS(color); }

  public:
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(color)(*this); }

  protected:
};

class SHAPE_CLASS(code) : public TXR(XDatatype)< TXR(string), false >
{
  public:
    SHAPE_CLASS(code)();
    SHAPE_CLASS(code)(const SHAPE_CLASS(code)&);
    SHAPE_CLASS(code)(const TXR(string));
    virtual ~SHAPE_CLASS(code)();
    SHAPE_CLASS(code) & operator=(const SHAPE_CLASS(code)&);

    SHAPE_CLASS(code) & operator=(TXR(string) value) { m_value = value; return (*this); }

    static TXR(XObject) * create() { return new SHAPE_CLASS(code); }

  public:
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(code)(*this); }

  protected:
};

class SHAPE_CLASS(item) : public TXR(XObject)
{
  public:
    SHAPE_CLASS(item)();
    SHAPE_CLASS(item)(const SHAPE_CLASS(item)&);
    virtual ~SHAPE_CLASS(item)();
    SHAPE_CLASS(item) & operator=(const SHAPE_CLASS(item)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(item); }

  public:
    const TXR(string) & Get_id()
    {
      const TXR(XObject) * pAttr = getAttribute("id");
      const TXR(string) * pType = dynamic_cast<const TXR(string) *>(pAttr);
      if (!pType)
        throw TXR(XException)(std::string("Error: shape::item::Get_id() failed a cast to 'string *' from ")+pAttr->GetTag(),__FILE__,__LINE__);
      return *pType;
    }
    void Set_id(const TXR(string) & attr) { setAttribute("id", &attr); }
    const SHAPE_NAMESPACE(color) & Get_color()
    {
      const TXR(XObject) * pAttr = getAttribute("color");
      const SHAPE_NAMESPACE(color) * pType = dynamic_cast<const SHAPE_NAMESPACE(color) *>(pAttr);
      if (!pType)
        throw TXR(XException)(std::string("Error: shape::item::Get_color() failed a cast to 'color *' from ")+pAttr->GetTag(),__FILE__,__LINE__);
      return *pType;
    }
    void Set_color(const SHAPE_NAMESPACE(color) & attr) { setAttribute("color", &attr); }
    void Set_code(const SHAPE_NAMESPACE(code) & attr) { setAttribute("code", &attr); }
    void Set_size(const SHAPE_NAMESPACE(size) &);
    const SHAPE_NAMESPACE(size) & Get_size();

    void Set_note(const TXR(string) &);
    const TXR(string) & Get_note();

    TXR(XList)<TXR(string) *> & Get_tagList();

    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(std::ostream &, int indentLevel = 0);
    virtual bool IsValid();
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(item)(*this); }

  protected:
    SHAPE_NAMESPACE(size)  *m_psize;
    TXR(string)  *m_pnote;
    TXR(XList)<TXR(string) *>  m_tagList;
};

class SHAPE_CLASS(circle) : public TXR(XObject)
{
  public:
    SHAPE_CLASS(circle)();
    SHAPE_CLASS(circle)(const SHAPE_CLASS(circle)&);
    virtual ~SHAPE_CLASS(circle)();
    SHAPE_CLASS(circle) & operator=(const SHAPE_CLASS(circle)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(circle); }

  public:
    void Set_r(const TXR(real) & attr) { setAttribute("r", &attr); }
    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(std::ostream &, int indentLevel = 0);
    virtual bool IsValid();
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(circle)(*this); }

  protected:
};

class SHAPE_CLASS(square) : public TXR(XObject)
{
  public:
    SHAPE_CLASS(square)();
    SHAPE_CLASS(square)(const SHAPE_CLASS(square)&);
    virtual ~SHAPE_CLASS(square)();
    SHAPE_CLASS(square) & operator=(const SHAPE_CLASS(square)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(square); }

  public:
    void Set_side(const TXR(integer) & attr) { setAttribute("side", &attr); }
    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(std::ostream &, int indentLevel = 0);
    virtual bool IsValid();
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(square)(*this); }

  protected:
};

class SHAPE_CLASS(figure) : public TXR(XObject)
{
  public:
    SHAPE_CLASS(figure)();
    SHAPE_CLASS(figure)(const SHAPE_CLASS(figure)&);
    virtual ~SHAPE_CLASS(figure)();
    SHAPE_CLASS(figure) & operator=(const SHAPE_CLASS(figure)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(figure); }

  public:
    TXR(XObject) * GetChoice() { return m_choice; }
    void SetChoice(TXR(XObject) * choice) { if (m_choice && m_choice != choice) delete m_choice; m_choice = choice; }
    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(std::ostream &, int indentLevel = 0);
    virtual bool IsValid();
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(figure)(*this); }

  protected:
    TXR(XObject) * m_choice;
};

class SHAPE_CLASS(para) : public TXR(XObject)
{
  public:
    SHAPE_CLASS(para)();
    SHAPE_CLASS(para)(const SHAPE_CLASS(para)&);
    virtual ~SHAPE_CLASS(para)();
    SHAPE_CLASS(para) & operator=(const SHAPE_CLASS(para)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(para); }

  public:
    TXR(XObjPtrList) & GetMixedList() { return m_mixed; }
    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(std::ostream &, int indentLevel = 0);
    virtual bool IsValid();
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(para)(*this); }

  protected:
    TXR(XObjPtrList) m_mixed;
};

class SHAPE_CLASS(order) : public TXR(XObject)
{
  public:
    SHAPE_CLASS(order)();
    SHAPE_CLASS(order)(const SHAPE_CLASS(order)&);
    virtual ~SHAPE_CLASS(order)();
    SHAPE_CLASS(order) & operator=(const SHAPE_CLASS(order)&);

    static TXR(XObject) * create() { return new SHAPE_CLASS(order); }

  public:
    TXR(XList)<SHAPE_NAMESPACE(item) *> & Get_itemList();

    void Set_figure(const SHAPE_NAMESPACE(figure) &);
    const SHAPE_NAMESPACE(figure) & Get_figure();

    void Set_para(const SHAPE_NAMESPACE(para) &);
    const SHAPE_NAMESPACE(para) & Get_para();

    virtual bool HasElement(std::string elemName) const;
    virtual void RemoveElement(std::string elemName);
    virtual bool EmitXML(std::ostream &, int indentLevel = 0);
    virtual bool IsValid();
    virtual TXR(XObject) * clone() const { return new SHAPE_CLASS(order)(*this); }

  protected:
    TXR(XList)<SHAPE_NAMESPACE(item) *>  m_itemList;
    SHAPE_NAMESPACE(figure)  *m_pfigure;
    SHAPE_NAMESPACE(para)  *m_ppara;
};

#if !defined(TRAVIX_NO_NAMESPACE)
} // end of namespace shape
#endif

#endif // !defined(_SHAPE_H)
