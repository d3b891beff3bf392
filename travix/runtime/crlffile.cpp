#include "crlffile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include "travixinput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace Travix::Internal {

namespace {

struct Document {
  int fd;
  char buffer[4096];     // bytes read but not delivered (see ReadFolded)
  std::size_t start = 0; // next unread byte of the buffer
  std::size_t end = 0;   // bytes in the buffer
  bool atEnd = false;    // the file has no more bytes
  off64_t position = 0;  // bytes delivered since the start of the file
  std::FILE* stream = nullptr; // the stream that reads it
  // Whether the stream has read it into its own buffer: from then on only
  // the stream knows which bytes it has delivered.
  bool readByStream = false;
  Document* nextOpen = nullptr; // in the list of open documents
  char streamBuffer[65536];
};

ssize_t ReadSome(int fd, char* out, std::size_t size) {
  ssize_t got;
  do
    got = ::read(fd, out, size);
  while (got < 0 && errno == EINTR);
  return got;
}

// Drops every CR that comes before a LF in text[0, length), in place;
// answers the length left.
std::size_t FoldInPlace(char* text, std::size_t length) {
  char* const end = text + length;
  char* write = static_cast<char*>(std::memchr(text, '\r', length));
  if (!write)
    return length;
  const char* read = write;
  while (read < end) {
    const char* carriageReturn = static_cast<const char*>(std::memchr(read, '\r', end - read));
    const char* runEnd = carriageReturn ? carriageReturn : end;
    std::memmove(write, read, runEnd - read);
    write += runEnd - read;
    if (!carriageReturn)
      break;
    read = carriageReturn + 1;
    if (read == end || *read != '\n')
      *write++ = '\r';
  }
  return write - text;
}

// Appends the file's next bytes after the buffer's first `keep` bytes.
bool Fill(Document& document, std::size_t keep) {
  ssize_t got = ReadSome(document.fd, document.buffer + keep, sizeof document.buffer - keep);
  if (got < 0)
    return false;
  document.start = 0;
  document.end = keep + static_cast<std::size_t>(got);
  if (got == 0)
    document.atEnd = true;
  return true;
}

// A request for a buffer's worth is read straight into it and folded there,
// but for a CR at its end, which waits in the document's buffer for the byte
// that tells whether it goes. Small requests (and that CR) go through the
// document's buffer.
ssize_t ReadFolded(void* cookie, char* out, std::size_t size) {
  Document& document = *static_cast<Document*>(cookie);
  std::size_t delivered = 0;
  while (delivered < size) {
    if (document.start == document.end) {
      if (document.atEnd)
        break;
      if (size - delivered >= sizeof document.buffer) {
        char* block = out + delivered;
        ssize_t got = ReadSome(document.fd, block, size - delivered);
        if (got < 0) {
          if (delivered == 0)
            return -1;
          break;
        }
        if (got == 0) {
          document.atEnd = true;
          break;
        }
        std::size_t length = static_cast<std::size_t>(got);
        if (block[length - 1] == '\r') {
          document.buffer[0] = '\r';
          document.start = 0;
          document.end = 1;
          --length;
        }
        delivered += FoldInPlace(block, length);
        continue;
      }
      if (!Fill(document, 0)) {
        if (delivered == 0)
          return -1;
        break;
      }
      continue;
    }
    const char* next = document.buffer + document.start;
    std::size_t available = document.end - document.start;
    std::size_t run = std::min(available, size - delivered);
    const void* carriageReturn = std::memchr(next, '\r', run);
    if (carriageReturn)
      run = static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - next);
    std::memcpy(out + delivered, next, run);
    delivered += run;
    document.start += run;
    if (!carriageReturn)
      continue;
    if (document.start + 1 == document.end && !document.atEnd) {
      // The byte after this CR is not read yet.
      document.buffer[0] = '\r';
      if (!Fill(document, 1)) {
        document.start = 0;
        document.end = 1;
        if (delivered == 0)
          return -1;
        break;
      }
      continue;
    }
    bool beforeLineFeed =
        document.start + 1 < document.end && document.buffer[document.start + 1] == '\n';
    ++document.start;
    if (!beforeLineFeed)
      out[delivered++] = '\r';
  }
  document.position += static_cast<off64_t>(delivered);
  return static_cast<ssize_t>(delivered);
}

// The stream's own reads.
ssize_t ReadForStream(void* cookie, char* out, std::size_t size) {
  static_cast<Document*>(cookie)->readByStream = true;
  return ReadFolded(cookie, out, size);
}

// Scanners ask for their position and go back to it (to show the first line
// in error reports). Going elsewhere reads the file again from its start.
int SeekFolded(void* cookie, off64_t* offset, int whence) {
  Document& document = *static_cast<Document*>(cookie);
  off64_t target;
  if (whence == SEEK_SET)
    target = *offset;
  else if (whence == SEEK_CUR)
    target = document.position + *offset;
  else {
    errno = EINVAL;
    return -1;
  }
  if (target < 0) {
    errno = EINVAL;
    return -1;
  }
  if (target != document.position) {
    if (::lseek(document.fd, 0, SEEK_SET) < 0)
      return -1;
    document.start = document.end = 0;
    document.atEnd = false;
    document.position = 0;
    char skipped[4096];
    while (document.position < target) {
      std::size_t want = static_cast<std::size_t>(
          std::min<off64_t>(target - document.position, static_cast<off64_t>(sizeof skipped)));
      ssize_t got = ReadFolded(cookie, skipped, want);
      if (got < 0)
        return -1;
      if (got == 0)
        break;
    }
  }
  *offset = document.position;
  return 0;
}

// The documents open now, newest first: a scanner reads a stream of one of
// them past the stream's buffer (TravixReadInput). Looked up once per
// block a scanner reads.
std::mutex openMutex;
Document* openDocuments = nullptr;

void AddOpen(Document* document) {
  std::lock_guard<std::mutex> lock(openMutex);
  document->nextOpen = openDocuments;
  openDocuments = document;
}

void RemoveOpen(Document* document) {
  std::lock_guard<std::mutex> lock(openMutex);
  for (Document** link = &openDocuments; *link; link = &(*link)->nextOpen) {
    if (*link == document) {
      *link = document->nextOpen;
      return;
    }
  }
}

// The open document `stream` reads, while its stream has not read any of
// it into its own buffer; null for any other stream.
Document* DirectlyReadable(std::FILE* stream) {
  std::lock_guard<std::mutex> lock(openMutex);
  for (Document* document = openDocuments; document; document = document->nextOpen)
    if (document->stream == stream)
      return document->readByStream ? nullptr : document;
  return nullptr;
}

// The buffer of the last document read, kept for the next: a large
// request per document would make the allocator sort every small block the
// last import freed.
std::atomic<Document*> spareDocument{nullptr};

Document* NewDocument(int fd) {
  Document* document = spareDocument.exchange(nullptr);
  if (!document)
    document = new (std::nothrow) Document;
  if (document) {
    document->fd = fd;
    document->start = document->end = 0;
    document->atEnd = false;
    document->position = 0;
    document->stream = nullptr;
    document->readByStream = false;
  }
  return document;
}

int CloseFolded(void* cookie) {
  Document* document = static_cast<Document*>(cookie);
  if (document->stream)
    RemoveOpen(document);
  int result = ::close(document->fd);
  delete spareDocument.exchange(document);
  return result;
}

} // namespace

std::FILE* OpenDocument(const char* path) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return nullptr;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  Document* document = NewDocument(fd);
  if (!document) {
    ::close(fd);
    errno = ENOMEM;
    return nullptr;
  }
  cookie_io_functions_t functions{ReadForStream, nullptr, SeekFolded, CloseFolded};
  std::FILE* stream = ::fopencookie(document, "r", functions);
  if (!stream) {
    int error = errno;
    CloseFolded(document);
    errno = error;
    return nullptr;
  }
  // The stream's buffer comes with the document, so that it is reused too.
  std::setvbuf(stream, document->streamBuffer, _IOFBF, sizeof document->streamBuffer);
  document->stream = stream;
  AddOpen(document);
  return stream;
}

} // namespace Travix::Internal

// A document the runtime opened skips the copy through the stream's buffer.
extern "C" long TravixReadInput(std::FILE* stream, char* buffer, std::size_t size) {
  using namespace Travix::Internal;
  if (Document* document = DirectlyReadable(stream))
    return static_cast<long>(ReadFolded(document, buffer, size));
  for (;;) {
    errno = 0;
    std::size_t got = std::fread(buffer, 1, size, stream);
    if (got > 0 || !std::ferror(stream))
      return static_cast<long>(got);
    if (errno != EINTR) {
      if (errno == 0)
        errno = EIO;
      return -1;
    }
    std::clearerr(stream);
  }
}
