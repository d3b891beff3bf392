/* Input for generated scanners.
 *
 * A scanner reads its input through TravixReadInput. A document that an
 * importer opened itself (ImportFromFile) is read straight into the
 * scanner's buffer, with its CR LF pairs folded there; any other stream is
 * read with fread. Plain C, as the scanners are.
 */
#ifndef TRAVIX_INPUT_H
#define TRAVIX_INPUT_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads up to `size` bytes of `stream` into `buffer` and answers how many:
 * 0 at the end of the input, -1 (with errno set) when reading fails. An
 * interrupted read is tried again. */
__attribute__((visibility("default"))) long TravixReadInput(FILE* stream, char* buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif
