// Small helpers that the engine, its module object, the module-type
// registry and the help browser share. Paths use "/" and have no drive:
// every drive part is empty.
#ifndef VORN_SUPPORT_UTILITIES_H
#define VORN_SUPPORT_UTILITIES_H

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"

namespace Vorn {

// The registry form of a GUID (38 characters, braces and upper-case
// digits); without keepBraces the 36 characters inside them.
std::string GuidString(REFGUID guid, bool keepBraces);

// The check of an input or output name. Every character of the delimiter
// set (blank, tab and . , : ; / \ @ # $ % ^ & * ( ) + = ' " ! - < > ? ~ `)
// is replaced by "_" and the first character is upper-cased, in name
// itself; answers whether the name was not empty and held none of them.
bool CheckName(std::string& name);

// Takes the next token off the front of text, white space and commas
// before it skipped. A token that starts with open runs to the next close and is
// answered without them; text keeps what follows the close. Any other
// token runs to the first blank, comma, tab or line feed, which text keeps.
// An opening quote that is never closed quotes nothing: the token after it
// runs to the first delimiter as an unquoted one would, so the fields
// after it are still read.
std::string ReadToken(std::string& text, char open, char close);

// The directory of the module's file, ending in "/" ("/" alone at the
// root); empty when the module has no file.
std::string ProgramDirectory(HMODULE module);

// The parts of a path as the C runtime splits them: the directory up to
// and including the last "/", the file name, and the extension from the
// file name's last "." on. The drive is always empty.
struct PathParts {
  std::string drive;
  std::string directory;
  std::string name;
  std::string extension;
};
PathParts SplitPath(const std::string& path);
// Joins parts: a "/" is put after a directory that lacks one and a "." in
// front of an extension that lacks one.
std::string MakePath(const std::string& drive, const std::string& directory, const std::string& name,
                     const std::string& extension);
// The path with each given part replaced (null keeps the part). Parts are
// kept whole, however long.
std::string ReplacePathParts(const std::string& path, const char* drive, const char* directory, const char* name,
                             const char* extension);
// path's file name and extension in the directory of other.
std::string SameDirectoryAs(const std::string& path, const std::string& other);
// The file name with its extension.
std::string FileNameOf(const std::string& path);

// A due time on the 32-bit tick counter, checked safely across its wrap.
class TickTimer {
public:
  TickTimer() { Start(); }
  // Due now.
  void Start();
  // Due milliseconds from now (truncated). A negative or undefined time is
  // due at once; the longest wait is 0x7FFFFFFF ms (about 24.8 days), the
  // most the wrapping comparison can tell from a time already past.
  void Set(double milliseconds);
  bool IsDue() const { return TickReached(GetTickCount(), m_due); }
  DWORD StartTick() const { return m_start; }
  DWORD DueTick() const { return m_due; }

private:
  DWORD m_start = 0;
  DWORD m_due = 0;
};

// A text taken from a BSTR: keeps its UTF-8 text and owns the BSTR until
// it is destroyed or given another text.
class TextHolder {
public:
  explicit TextHolder(BSTR text = nullptr);
  ~TextHolder();
  TextHolder(const TextHolder&) = delete;
  TextHolder& operator=(const TextHolder&) = delete;
  // Frees the BSTR at once.
  TextHolder& operator=(const std::string& text);
  const std::string& Text() const { return m_text; }
  BSTR Bstr() const { return m_bstr; }

private:
  std::string m_text;
  BSTR m_bstr = nullptr;
};

// A SAFEARRAY of count elements of type vt, lower bound 0; null for lack
// of memory or a type an array cannot hold.
SAFEARRAY* CreateSafeArray1D(VARTYPE vt, ULONG count);

// Holds a synchronisation object (one with Lock and Unlock, a standard
// mutex, or a CRITICAL_SECTION) for a scope. For diagnosis the object remembers the
// source file and line of its last locker and how deep each thread holds
// it: 0 for a thread's first lock, one more for each nested one. The file
// is kept as given, so it must last as long as the program (__FILE__ does).
class ScopedLockBase {
public:
  std::string LastFile() const;
  int LastLine() const;
  // The depth the calling thread holds the lock at; -1 when it does not.
  int Depth() const;

protected:
  explicit ScopedLockBase(const void* object) : m_object(object) {}
  void NoteLocked(const char* file, int line);
  void NoteUnlocked();

private:
  const void* m_object;
};

template <class Sync>
class ScopedLock : public ScopedLockBase {
public:
  ScopedLock(Sync& sync, bool lockNow, const char* file = "", int line = 0) : ScopedLockBase(&sync), m_sync(sync) {
    if (lockNow)
      Lock(file, line);
  }
  ~ScopedLock() { Unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

  void Lock(const char* file = "", int line = 0) {
    if (m_locked)
      return;
    Acquire(m_sync);
    m_locked = true;
    NoteLocked(file, line);
  }
  // Answers whether the object is now unlocked; an unlocked lock stays so.
  bool Unlock() {
    if (m_locked) {
      NoteUnlocked();
      Release(m_sync);
      m_locked = false;
    }
    return !m_locked;
  }
  bool IsLocked() const { return m_locked; }

private:
  static void Acquire(CRITICAL_SECTION& section) { EnterCriticalSection(&section); }
  static void Release(CRITICAL_SECTION& section) { LeaveCriticalSection(&section); }
  template <class T>
  static void Acquire(T& object) {
    if constexpr (requires { object.Lock(); })
      object.Lock();
    else
      object.lock();
  }
  template <class T>
  static void Release(T& object) {
    if constexpr (requires { object.Unlock(); })
      object.Unlock();
    else
      object.unlock();
  }

  Sync& m_sync;
  bool m_locked = false;
};

// A registry key opened for the engine's settings. With create, the key is
// created or opened with full access (key class "LPCTSTR") and writable;
// otherwise it is opened for reading only. Every operation answers failure
// quietly when the key is not open.
class RegistryKey {
public:
  RegistryKey(HKEY root, const std::string& subkey, bool create);
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool IsOpen() const { return m_open; }
  bool IsWritable() const { return m_writable; }
  HKEY Handle() const { return m_key; }
  void Close();
  // The name of the subkey at index; empty at the end of the list or on an
  // error.
  std::string SubkeyName(DWORD index) const;
  // The names at index 0, 1, ... up to the first failure.
  std::vector<std::string> SubkeyNames() const;
  // Deletes subkey with everything below it; answers whether the subkey
  // itself was deleted. The walk stops at the first key that cannot be
  // deleted (and then answers false) instead of trying it again.
  bool DeleteTree(const std::string& subkey);
  // A REG_SZ value; false for a value of another type or none.
  bool ReadText(const std::string& name, std::string& text) const;
  // Only on a key created writable: the text as REG_SZ with its zero.
  bool WriteText(const std::string& name, const std::string& text);

private:
  HKEY m_key = nullptr;
  bool m_open = false;
  bool m_writable = false;
};

namespace Detail {

// The walk of RegistryKey::DeleteTree over the operations of Keys:
//   Handle Open(Handle parent, const std::string& name)   (null: failed)
//   bool FirstSubkey(Handle key, std::string& name)
//   void Close(Handle key)
//   bool Delete(Handle parent, const std::string& name)
template <class Keys>
bool DeleteTree(Keys& keys, typename Keys::Handle parent, const std::string& name) {
  typename Keys::Handle key = keys.Open(parent, name);
  if (!key)
    return false;
  std::string child;
  while (keys.FirstSubkey(key, child)) {
    if (!DeleteTree(keys, key, child))
      break; // the subkey stays; trying it again would never end
  }
  keys.Close(key);
  return keys.Delete(parent, name);
}

} // namespace Detail

} // namespace Vorn

#endif
