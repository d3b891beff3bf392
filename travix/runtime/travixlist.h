// XList: the owning list of bound objects that generated classes keep for
// repeated children, choices of lists and mixed or any content.
//
// The list owns its elements: copying clones them, assignment frees the old
// ones, the destructor frees them. Its tag is "#MIXED" until set. Both the
// standard-library names (push_back, front, back, size) and the MFC names
// (AddTail, GetHead, GetTail, GetCount) are offered, because generated code
// is written in either form.
#ifndef TRAVIX_LIST_H
#define TRAVIX_LIST_H

#include <cstddef>
#include <list>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>

#include "travixexcept.h"
#include "travixobject.h"

TRAVIX_BEGIN_NAMESPACE

template <class P> class TRAVIX_NAME(XList) : public TRAVIX_NAME(XObject) {
  static_assert(std::is_pointer_v<P>, "XList holds pointers to bound objects");

  // The list's nodes come from the free lists the objects themselves come
  // from: an import appends an element to a list for nearly every object.
  template <class T> struct NodeAllocator {
    typedef T value_type;
    NodeAllocator() noexcept = default;
    template <class U> NodeAllocator(const NodeAllocator<U>&) noexcept {}
    T* allocate(std::size_t count) {
      return static_cast<T*>(TRAVIX_NAME(XObject)::operator new(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept {
      TRAVIX_NAME(XObject)::operator delete(block, count * sizeof(T));
    }
    friend bool operator==(const NodeAllocator&, const NodeAllocator&) noexcept { return true; }
    friend bool operator!=(const NodeAllocator&, const NodeAllocator&) noexcept { return false; }
  };
  typedef std::list<P, NodeAllocator<P>> Elements;

public:
  typedef typename Elements::iterator iterator;
  typedef typename Elements::const_iterator const_iterator;
  typedef typename Elements::size_type size_type;

  TRAVIX_NAME(XList)() : TRAVIX_NAME(XObject)("#MIXED") {}
  TRAVIX_NAME(XList)(const TRAVIX_NAME(XList)& other)
      : TRAVIX_NAME(XObject)(other), m_elems(CloneElems(other)) {}
  // Checked here, not at class level: generated classes hold lists of
  // classes declared further down the header, still incomplete there.
  ~TRAVIX_NAME(XList)() override {
    static_assert(std::is_base_of_v<TRAVIX_NAME(XObject), std::remove_pointer_t<P>>,
                  "XList holds pointers to bound objects");
    freeElems();
  }

  // Copies the tag and clones the elements; the old elements are freed.
  TRAVIX_NAME(XList)& operator=(const TRAVIX_NAME(XList)& other) {
    if (this != &other) {
      Elements clones = CloneElems(other);
      freeElems();
      m_elems.swap(clones);
      SetTag(other.GetTag());
    }
    return *this;
  }

  // Deletes every element and empties the list.
  void freeElems() {
    for (P element : m_elems)
      delete element;
    m_elems.clear();
  }

  // Every element, each at the given indent.
  bool EmitXML(std::ostream& stream, int indent) override {
    for (P element : m_elems)
      if (element)
        element->EmitXML(stream, indent);
    return true;
  }

  // Every element as the content of a mixed or any-content element: text
  // as it stands, and each element without the indent and the line end
  // that EmitXML lays it out with. Between the tags of such content every
  // character is text to whoever reads the document back, so nothing may
  // be added there. Markup inside the elements keeps its layout.
  bool EmitContentXML(std::ostream& stream) {
    for (P element : m_elems) {
      if (!element)
        continue;
      std::ostringstream markup;
      element->EmitXML(markup, 0);
      std::string text = markup.str();
      // Text is written with ">" escaped, so this ends only an element.
      if (text.size() >= 2 && text.compare(text.size() - 2, 2, ">\n") == 0)
        text.pop_back();
      stream << text;
    }
    return true;
  }

  bool IsValid() override {
    for (P element : m_elems)
      if (!element || !element->IsValid())
        return false;
    return true;
  }

  TRAVIX_NAME(XObject)* clone() const override { return new TRAVIX_NAME(XList)(*this); }

  // The list takes ownership of what is appended.
  void push_back(P element) { m_elems.push_back(element); }
  P& front() { return m_elems.front(); }
  P const& front() const { return m_elems.front(); }
  P& back() { return m_elems.back(); }
  P const& back() const { return m_elems.back(); }
  size_type size() const { return m_elems.size(); }
  bool empty() const { return m_elems.empty(); }
  iterator begin() { return m_elems.begin(); }
  iterator end() { return m_elems.end(); }
  const_iterator begin() const { return m_elems.begin(); }
  const_iterator end() const { return m_elems.end(); }

  void AddTail(P element) { push_back(element); }
  P& GetHead() { return front(); }
  P const& GetHead() const { return front(); }
  P& GetTail() { return back(); }
  P const& GetTail() const { return back(); }
  std::ptrdiff_t GetCount() const { return static_cast<std::ptrdiff_t>(m_elems.size()); }

private:
  static Elements CloneElems(const TRAVIX_NAME(XList)& other) {
    Elements clones;
    try {
      for (P element : other.m_elems)
        clones.push_back(element ? CloneElem(*element) : nullptr);
    } catch (...) {
      for (P clone : clones)
        delete clone;
      throw;
    }
    return clones;
  }

  static P CloneElem(const TRAVIX_NAME(XObject)& element) {
    TRAVIX_NAME(XObject)* clone = element.clone();
    if (!clone)
      TRAVIX_THROW("Error: Unable to allocate memory for a list element");
    P typed = dynamic_cast<P>(clone);
    if (!typed) {
      delete clone;
      TRAVIX_THROW("Error: A list element's clone is of another type than the element");
    }
    return typed;
  }

  Elements m_elems;
};

// The children of mixed and any content: objects of any class.
typedef TRAVIX_NAME(XList)<TRAVIX_NAME(XObject)*> TRAVIX_NAME(XObjPtrList);

TRAVIX_END_NAMESPACE

#endif
