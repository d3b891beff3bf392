// For tests of a type library against the dispatch tables written from
// the same description: the members a script can call, as the type
// information lists them, and the check of one table against them.
#ifndef TESTS_SUPPORT_DISPATCHTABLES_H
#define TESTS_SUPPORT_DISPATCHTABLES_H

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/com/com.h"

namespace TestSupport {

struct Member {
  MEMBERID id;
  INVOKEKIND kind;
  std::string name;
  std::vector<std::string> params;
};

// The members a script can call (restricted ones are not for it).
inline std::vector<Member> Members(ITypeInfo* info) {
  std::vector<Member> members;
  TYPEATTR* attributes = nullptr;
  info->GetTypeAttr(&attributes);
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    info->GetFuncDesc(i, &f);
    if ((f->wFuncFlags & FUNCFLAG_FRESTRICTED) == 0) {
      BSTR names[32] = {};
      UINT count = 0;
      info->GetNames(f->memid, names, 32, &count);
      auto text = [](BSTR name) {
        std::string utf8 = Platform::Utf16ToUtf8(name);
        SysFreeString(name);
        return utf8;
      };
      Member member{f->memid, f->invkind, count > 0 ? text(names[0]) : "", {}};
      for (UINT n = 1; n < count; ++n)
        member.params.push_back(text(names[n]));
      // A property put's value has no name of its own to a script.
      member.params.resize(static_cast<std::size_t>(f->cParams));
      members.push_back(member);
    }
    info->ReleaseFuncDesc(f);
  }
  info->ReleaseTypeAttr(attributes);
  return members;
}

// A table against the type information of its interface in library: the
// same members (names, IDs, kinds) and the same argument counts, neither
// side with one the other lacks.
template <class T>
void CompareDispatchTable(ITypeLib* library, const char* name) {
  using Entry = std::tuple<MEMBERID, std::string, WORD, UINT>;
  std::set<Entry> table;
  for (const auto& member : Platform::DispatchTable<T>::Members())
    table.insert({member.id, member.name, member.kind, member.arguments});
  CComPtr<ITypeInfo> info;
  ASSERT_EQ(library->GetTypeInfoOfGuid(__uuidof(T), &info), S_OK) << name;
  std::set<Entry> described;
  for (const Member& m : Members(info))
    described.insert({m.id, m.name, static_cast<WORD>(m.kind), static_cast<UINT>(m.params.size())});
  EXPECT_EQ(table, described) << name;
}

}  // namespace TestSupport

#endif
