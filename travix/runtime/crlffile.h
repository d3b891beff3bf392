// Opening a document for a generated scanner. Internal to the runtime.
#ifndef TRAVIX_CRLFFILE_H
#define TRAVIX_CRLFFILE_H

#include <cstdio>

namespace Travix::Internal {

// Opens a file for reading through a stream that turns every CR LF into LF,
// as reading in text mode did where the documents were written: generated
// scanners never see a CR before a LF. The stream reports and restores its
// position (ftell, fseek), counted in the bytes it delivers. A scanner
// reads it with TravixReadInput (travixinput.h), straight into its own
// buffer. A directory cannot be opened. Null on failure, with errno set.
std::FILE* OpenDocument(const char* path);

} // namespace Travix::Internal

#endif
