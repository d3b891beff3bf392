/* The layout of the version block that platform_version_info() stamps into
   a program or library, as an ELF note in the section
   ".note.corvanth.version" (note name "Corvanth", type 1). Plain C, for
   the generated sources; read through platform/version/version.h.

   The note's description is the block:
     PlatformVersionHeader   magic "PVI1", total size, translation
     VS_FIXEDFILEINFO        the fixed fields
     strings                 name NUL value NUL ..., ended by one more NUL
   all sizes in bytes, little-endian, the whole padded to 4 bytes. */
#ifndef PLATFORM_VERSION_VERSIONNOTE_H
#define PLATFORM_VERSION_VERSIONNOTE_H

#include <stdint.h>

#define PLATFORM_VERSION_NOTE_SECTION ".note.corvanth.version"
#define PLATFORM_VERSION_NOTE_NAME "Corvanth"
#define PLATFORM_VERSION_NOTE_TYPE 1u
#define PLATFORM_VERSION_MAGIC 0x31495650u /* "PVI1" */

typedef struct tagVS_FIXEDFILEINFO {
  uint32_t dwSignature;
  uint32_t dwStrucVersion;
  uint32_t dwFileVersionMS;
  uint32_t dwFileVersionLS;
  uint32_t dwProductVersionMS;
  uint32_t dwProductVersionLS;
  uint32_t dwFileFlagsMask;
  uint32_t dwFileFlags;
  uint32_t dwFileOS;
  uint32_t dwFileType;
  uint32_t dwFileSubtype;
  uint32_t dwFileDateMS;
  uint32_t dwFileDateLS;
} VS_FIXEDFILEINFO;

typedef struct PlatformVersionHeader {
  uint32_t magic;
  uint32_t size;        /* of the whole block */
  uint16_t language; /* the translation: 0x0409 and 0x04E4 for "040904E4" */
  uint16_t codePage;
} PlatformVersionHeader;

#endif
