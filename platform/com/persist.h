// Streams and persistence: the stream through which a container saves and
// restores an object with its own document, and the object's side that
// writes its state into it and reads it back.
#ifndef PLATFORM_COM_PERSIST_H
#define PLATFORM_COM_PERSIST_H

#include "platform/com/unknown.h"

#ifndef STG_E_WRITEFAULT
#define STG_E_WRITEFAULT PLATFORM_HRESULT(0x8003001D)
#define STG_E_READFAULT PLATFORM_HRESULT(0x8003001E)
#define STG_E_MEDIUMFULL PLATFORM_HRESULT(0x80030070)
#endif

#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2

struct STATSTG {
  LPOLESTR pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

PLATFORM_DEFINE_IID(ISequentialStream, "0C733A30-2A1C-11CE-ADE5-00AA0044773D");
struct ISequentialStream : IUnknown {
  // *done (when not null) gets the bytes moved, which can be fewer than
  // asked at the end of the stream or of the medium.
  virtual HRESULT Read(void* buffer, ULONG size, ULONG* done) = 0;
  virtual HRESULT Write(const void* buffer, ULONG size, ULONG* done) = 0;

 protected:
  ~ISequentialStream() = default;
};

PLATFORM_DEFINE_IID(IStream, "0000000C-0000-0000-C000-000000000046");
struct IStream : ISequentialStream {
  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER size) = 0;
  virtual HRESULT CopyTo(IStream* to, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) = 0;
  virtual HRESULT Stat(STATSTG* status, DWORD flags) = 0;
  virtual HRESULT Clone(IStream** copy) = 0;

 protected:
  ~IStream() = default;
};
using LPSTREAM = IStream*;

PLATFORM_DEFINE_IID(IPersist, "0000010C-0000-0000-C000-000000000046");
struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* clsid) = 0;

 protected:
  ~IPersist() = default;
};

PLATFORM_DEFINE_IID(IPersistStreamInit, "7FD52380-4E07-101B-AE2D-08002B2EC713");
struct IPersistStreamInit : IPersist {
  // S_OK when there are changes not yet saved, S_FALSE otherwise.
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(LPSTREAM stream) = 0;
  virtual HRESULT Save(LPSTREAM stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
  // A new object, with the state it has when nothing was ever saved.
  virtual HRESULT InitNew() = 0;

 protected:
  ~IPersistStreamInit() = default;
};

#endif
