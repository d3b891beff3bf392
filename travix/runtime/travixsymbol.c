/* The symbol table: rows, name pool, reference expansion and the lookup
 * index. Written in the common subset of C and C++ so that any library can
 * compile a private copy (see travixsymbol.h). */
#include "travixsymbol.h"

#include <stdio.h>
#include <string.h>

#ifndef TRAVIX_SYMBOL_CHARREF_ESCAPES
#define TRAVIX_SYMBOL_CHARREF_ESCAPES 0
#endif

#ifndef TRAVIX_SYMBOL_PE_PADDING
#define TRAVIX_SYMBOL_PE_PADDING 1
#endif

#ifndef TRAVIX_SYMBOL_AMP_REREAD
#define TRAVIX_SYMBOL_AMP_REREAD 0
#endif

/* A row keeps what a lookup compares next to its name, so that a probe of
 * a bucket chain reads one place per row. */
typedef struct {
  char* name;      /* into namePool; null for unused rows */
  unsigned hash;   /* of the name's bytes */
  unsigned length; /* of the name, without its NUL */
  int older;       /* the next older row of the same bucket, or 0 */
  int token;
  int association;
} SymbolRow;

static SymbolRow rows[TRAVIX_SYMBOL_ROWS];
static int rowCount = 0;
static char namePool[TRAVIX_SYMBOL_POOL_SIZE];
static int poolFill = -1; /* offset of the last pool byte in use */
static int resolveFlag = 1;
static char lastError[TRAVIX_SYMBOL_ERROR_SIZE];
static char expansion[TRAVIX_SYMBOL_EXPANSION_SIZE];
static size_t expansionLength = 0;

/* Generated scanners look every token up before inserting it, so a backward
 * scan over the rows would make a document's import quadratic. A hash index
 * answers the same: each bucket chain runs from its newest row to its
 * oldest, so the first match is the newest row of that name. The index
 * grows with the table: a document has a few hundred distinct texts, and
 * buckets spread over the largest index would miss the cache at every
 * lookup. */
#define INDEX_SIZE 65536u /* the most buckets; a power of two */
#define FIRST_INDEX_SIZE 1024u
static int newestInBucket[INDEX_SIZE];
static unsigned indexMask = FIRST_INDEX_SIZE - 1u;

#if defined(__GNUC__)
#define TRAVIX_SYMBOL_INLINE static inline __attribute__((always_inline))
#else
#define TRAVIX_SYMBOL_INLINE static inline
#endif

/* Both halves of the product of two words, folded into one: every bit of
 * either word reaches the low bits the index uses, in one multiplication. */
TRAVIX_SYMBOL_INLINE unsigned long long Fold(unsigned long long a, unsigned long long b) {
#if defined(__SIZEOF_INT128__)
  unsigned __int128 product = (unsigned __int128)a * b;
  return (unsigned long long)product ^ (unsigned long long)(product >> 64);
#else
  unsigned long long hash = (a ^ b) * 0xFF51AFD7ED558CCDull;
  hash ^= hash >> 32;
  hash = (hash ^ b) * 0xC4CEB9FE1A85EC53ull;
  return hash ^ (hash >> 29);
#endif
}

/* Whether any byte of a word is an ampersand. */
TRAVIX_SYMBOL_INLINE unsigned long long Ampersands(unsigned long long word) {
  word ^= 0x2626262626262626ull;
  return (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
}

#define HASH_KEY_1 0xA0761D6478BD642Full
#define HASH_KEY_2 0xE7037ED1A0B428DBull

/* The hash of a text, and whether it holds an ampersand, from the same
 * reads: the scanner hashes every text it meets, and most are short. Up to
 * sixteen bytes take two reads (which may overlap) and one multiplication;
 * a text's length is part of the hash, so no step reads byte by byte. */
TRAVIX_SYMBOL_INLINE unsigned HashText(const char* text, size_t length, int* hasAmpersand) {
  unsigned long long seed = HASH_KEY_2 ^ (unsigned long long)length;
  unsigned long long first = 0, last = 0, found = 0;
  const char* end = text + length;
  if (length > 16) {
    for (; end - text > 16; text += 16) {
      memcpy(&first, text, 8);
      memcpy(&last, text + 8, 8);
      found |= Ampersands(first) | Ampersands(last);
      seed = Fold(first ^ HASH_KEY_1, last ^ seed);
    }
    memcpy(&first, end - 16, 8);
    memcpy(&last, end - 8, 8);
    found |= Ampersands(first) | Ampersands(last);
  } else if (length >= 8) {
    memcpy(&first, text, 8);
    memcpy(&last, end - 8, 8);
    found = Ampersands(first) | Ampersands(last);
  } else if (length >= 4) {
    unsigned head, tail;
    memcpy(&head, text, 4);
    memcpy(&tail, end - 4, 4);
    first = head;
    last = tail;
    /* the high half of each word is zero, no ampersand */
    found = Ampersands(first | 0xFFFFFFFF00000000ull) | Ampersands(last | 0xFFFFFFFF00000000ull);
  } else if (length > 0) {
    first = (unsigned long long)(unsigned char)text[0] << 16 |
            (unsigned long long)(unsigned char)text[length / 2] << 8 | (unsigned char)end[-1];
    found = Ampersands(first | 0xFFFFFFFFFF000000ull);
  }
  *hasAmpersand = found != 0;
  return (unsigned)Fold(first ^ HASH_KEY_1, last ^ seed);
}

TRAVIX_SYMBOL_INLINE unsigned HashBytes(const char* text, size_t length) {
  int hasAmpersand;
  return HashText(text, length, &hasAmpersand);
}

static void LinkRow(int row) {
  unsigned bucket = rows[row].hash & indexMask;
  rows[row].older = newestInBucket[bucket];
  newestInBucket[bucket] = row;
}

/* Doubles the index once the rows outnumber its buckets, relinking the rows
 * oldest first so that each chain still starts at its newest row. */
static void GrowIndexFor(int newestRow) {
  int row;
  if ((unsigned)newestRow <= indexMask + 1u || indexMask + 1u >= INDEX_SIZE) return;
  indexMask = indexMask * 2u + 1u;
  memset(newestInBucket, 0, (indexMask + 1u) * sizeof newestInBucket[0]);
  for (row = 1; row < newestRow; ++row) LinkRow(row);
}

/* Whether two texts of `length` bytes are the same. Most texts a document
 * repeats are short, and a call to memcmp costs more than comparing them in
 * two reads each, which may overlap. */
TRAVIX_SYMBOL_INLINE int SameBytes(const char* a, const char* b, size_t length) {
  if (length >= 8) {
    unsigned long long a1, b1, a2, b2;
    if (length > 16) return memcmp(a, b, length) == 0;
    memcpy(&a1, a, 8);
    memcpy(&b1, b, 8);
    memcpy(&a2, a + length - 8, 8);
    memcpy(&b2, b + length - 8, 8);
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
  }
  if (length >= 4) {
    unsigned a1, b1, a2, b2;
    memcpy(&a1, a, 4);
    memcpy(&b1, b, 4);
    memcpy(&a2, a + length - 4, 4);
    memcpy(&b2, b + length - 4, 4);
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
  }
  for (; length > 0; --length) {
    if (*a++ != *b++) return 0;
  }
  return 1;
}

TRAVIX_SYMBOL_INLINE int FindRow(const char* name, size_t length, unsigned hash) {
  int row = newestInBucket[hash & indexMask];
  while (row != 0) {
    const SymbolRow* entry = &rows[row];
    if (entry->hash == hash && entry->length == length && SameBytes(entry->name, name, length))
      return row;
    row = entry->older;
  }
  return 0;
}

TRAVIX_SYMBOL_INLINE int LookupRange(const char* name, size_t length) {
  return FindRow(name, length, HashBytes(name, length));
}

static int IsRowIndex(int index) { return index >= 0 && index <= rowCount; }

static const char* ReplacementOf(int row);

/* The newest row of an entity name that has a replacement text: a newer row
 * of the same text inserted for another purpose (a text of a document, an
 * entity value that reads like a name) must not hide the entity. */
static int LookupEntityRange(const char* name, size_t length) {
  unsigned hash = HashBytes(name, length);
  int row = newestInBucket[hash & indexMask];
  while (row != 0) {
    const SymbolRow* entry = &rows[row];
    if (entry->hash == hash && entry->length == length && SameBytes(entry->name, name, length) &&
        ReplacementOf(row) != NULL)
      return row;
    row = entry->older;
  }
  return 0;
}

static void SetError(const char* message) { snprintf(lastError, sizeof lastError, "%s", message); }

static void SetIndexError(int index) {
  snprintf(lastError, sizeof lastError, "Error: Invalid symbol table index '%d'\n", index);
}

/* A message that quotes a text keeps its own words: a text too long for the
 * buffer is cut at a character boundary and marked with "...". */
static void SetErrorQuoting(const char* before, const char* text, size_t textLength,
                            const char* after) {
  size_t room = sizeof lastError - 1 - strlen(before) - strlen(after);
  const char* mark = "";
  if (textLength > room) {
    textLength = room - 3;
    while (textLength > 0 && ((unsigned char)text[textLength] & 0xC0u) == 0x80u)
      --textLength;
    mark = "...";
  }
  snprintf(lastError, sizeof lastError, "%s%.*s%s%s", before, (int)textLength, text, mark, after);
}

static void SetProblemError(const char* text) {
  SetErrorQuoting("Problem with entity reference ", text, strlen(text), "");
}

static void SetTooLongError(void) {
  SetError("Error: Text too long after entity expansion\n");
}

/* Appends to the expansion; 0 when the result would not stay below the
 * buffer's size with its terminating NUL. */
static int Append(const char* bytes, size_t length) {
  if (length >= sizeof expansion - expansionLength) return 0;
  memcpy(expansion + expansionLength, bytes, length);
  expansionLength += length;
  return 1;
}

static int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

#define NO_CODE_POINT 0x110000ul

/* Reads digits up to the first one that does not fit; values beyond the
 * last code point saturate, so no text can overflow the number. */
static unsigned long ParseCodePoint(const char* digits, const char* end, int base) {
  unsigned long value = 0;
  for (; digits < end; ++digits) {
    int digit = DigitValue(*digits, base);
    if (digit < 0) break;
    value = value * (unsigned long)base + (unsigned long)digit;
    if (value > NO_CODE_POINT) value = NO_CODE_POINT;
  }
  return value;
}

/* NUL cannot be stored in a name, surrogates and values past U+10FFFF are
 * no characters. */
static int IsStorableCodePoint(unsigned long codePoint) {
  return codePoint != 0 && codePoint < NO_CODE_POINT &&
         (codePoint < 0xD800ul || codePoint > 0xDFFFul);
}

static size_t EncodeUtf8(unsigned long codePoint, unsigned char* bytes) {
  if (codePoint < 0x80ul) {
    bytes[0] = (unsigned char)codePoint;
    return 1;
  }
  if (codePoint < 0x800ul) {
    bytes[0] = (unsigned char)(0xC0u | (codePoint >> 6));
    bytes[1] = (unsigned char)(0x80u | (codePoint & 0x3Fu));
    return 2;
  }
  if (codePoint < 0x10000ul) {
    bytes[0] = (unsigned char)(0xE0u | (codePoint >> 12));
    bytes[1] = (unsigned char)(0x80u | ((codePoint >> 6) & 0x3Fu));
    bytes[2] = (unsigned char)(0x80u | (codePoint & 0x3Fu));
    return 3;
  }
  bytes[0] = (unsigned char)(0xF0u | (codePoint >> 18));
  bytes[1] = (unsigned char)(0x80u | ((codePoint >> 12) & 0x3Fu));
  bytes[2] = (unsigned char)(0x80u | ((codePoint >> 6) & 0x3Fu));
  bytes[3] = (unsigned char)(0x80u | (codePoint & 0x3Fu));
  return 4;
}

static int AppendCharacter(unsigned long codePoint) {
  unsigned char bytes[4];
  size_t length = EncodeUtf8(codePoint, bytes);
  if (codePoint >= 32 && codePoint <= 126) return Append((const char*)bytes, 1);
#if TRAVIX_SYMBOL_CHARREF_ESCAPES
  {
    char escapes[4 * 4 + 1];
    size_t i;
    for (i = 0; i < length; ++i) snprintf(escapes + 4 * i, 5, "\\x%02X", bytes[i]);
    return Append(escapes, 4 * length);
  }
#else
  return Append((const char*)bytes, length);
#endif
}

/* The replacement text of an entity row; null when the row has none (a row
 * inserted for another purpose under the same name). */
static const char* ReplacementOf(int row) {
  int associated = rows[row].association;
  if (associated <= 0 || associated > rowCount) return NULL;
  return rows[associated].name;
}

/* Expands the reference whose text begins at `start` (just after its "&").
 * Answers the position after the reference, or null with the last error
 * set. `text` is the whole text being inserted, quoted by error messages. */
static const char* ExpandReference(const char* text, const char* start) {
  int rereading = 0;
  for (;;) {
    const char* end = strchr(start, ';');
    size_t length;
    if (end == NULL || end == start) {
      SetProblemError(text);
      return NULL;
    }
    length = (size_t)(end - start);
    if (start[0] == '#') {
      unsigned long codePoint = start[1] == 'x' ? ParseCodePoint(start + 2, end, 16)
                                                : ParseCodePoint(start + 1, end, 10);
      if (TRAVIX_SYMBOL_AMP_REREAD && codePoint == '&' && !rereading) {
        /* An ampersand reference stands for a "&" in place of its ";":
         * the text after it is read again as a reference. */
        rereading = 1;
        start = end + 1;
        continue;
      }
      if (!IsStorableCodePoint(codePoint)) {
        SetProblemError(text);
        return NULL;
      }
      if (!AppendCharacter(codePoint)) {
        SetTooLongError();
        return NULL;
      }
    } else {
      int isParameterEntity = start[0] == '%';
      int row = LookupEntityRange(start, length);
      const char* replacement = row != 0 ? ReplacementOf(row) : NULL;
      if (replacement == NULL) {
        SetErrorQuoting("Entity reference ", start, length, " undefined");
        return NULL;
      }
      int padded = isParameterEntity && TRAVIX_SYMBOL_PE_PADDING;
      if ((padded && !Append(" ", 1)) || !Append(replacement, strlen(replacement)) ||
          (padded && !Append(" ", 1))) {
        SetTooLongError();
        return NULL;
      }
    }
    return end + 1;
  }
}

/* Expands every reference of `text` into the expansion buffer; 0 on failure
 * with the last error set. */
static int Expand(const char* text) {
  const char* next = text;
  expansionLength = 0;
  for (;;) {
    const char* ampersand = strchr(next, '&');
    size_t run = ampersand != NULL ? (size_t)(ampersand - next) : strlen(next);
    if (!Append(next, run)) {
      SetTooLongError();
      return 0;
    }
    if (ampersand == NULL) break;
    next = ExpandReference(text, ampersand + 1);
    if (next == NULL) return 0;
  }
  expansion[expansionLength] = '\0';
  return 1;
}

/* Stores `length` bytes of `text` (which may lie in the pool) as a new row
 * of that hash. */
static int AddRow(const char* text, size_t length, unsigned hash, int token) {
  size_t poolUsed = (size_t)(poolFill + 1);
  SymbolRow* entry;
  int row;
  if (rowCount + 1 >= TRAVIX_SYMBOL_ROWS) {
    SetError("Error: Symbol table full\n");
    return -1;
  }
  if (length >= TRAVIX_SYMBOL_POOL_SIZE - poolUsed) {
    SetError("Error: Lexemes array full\n");
    return -1;
  }
  row = ++rowCount;
  entry = &rows[row];
  entry->name = namePool + poolUsed;
  memmove(entry->name, text, length);
  entry->name[length] = '\0';
  entry->hash = hash;
  entry->length = (unsigned)length;
  entry->token = token;
  entry->association = 0;
  poolFill += (int)length + 1;
  GrowIndexFor(row);
  LinkRow(row);
  return row;
}

int SymbolInsert(const char* name, int token) {
  if (name == NULL) {
    SetError("Error: Null symbol name\n");
    return -1;
  }
  if (resolveFlag && strchr(name, '&') != NULL) {
    if (!Expand(name)) return -1;
    return AddRow(expansion, expansionLength, HashBytes(expansion, expansionLength), token);
  }
  /* A text without references is stored as it stands: only the pool bounds it. */
  {
    size_t length = strlen(name);
    return AddRow(name, length, HashBytes(name, length), token);
  }
}

int SymbolEnter(const char* name, int length, int token) {
  int hasAmpersand;
  unsigned hash;
  int row;
  if (name == NULL || length < 0) {
    SetError("Error: Null symbol name\n");
    return -1;
  }
  hash = HashText(name, (size_t)length, &hasAmpersand);
  if (hasAmpersand && resolveFlag) {
    if (!Expand(name)) return -1;
    hash = HashBytes(expansion, expansionLength);
    row = FindRow(expansion, expansionLength, hash);
    return row != 0 ? row : AddRow(expansion, expansionLength, hash, token);
  }
  row = FindRow(name, (size_t)length, hash);
  return row != 0 ? row : AddRow(name, (size_t)length, hash, token);
}

int SymbolLookup(const char* name) {
  if (name == NULL) return 0;
  return LookupRange(name, strlen(name));
}

int SymbolLookupLength(const char* name, int length) {
  if (name == NULL || length < 0) return 0;
  return LookupRange(name, (size_t)length);
}

int SymbolLookupExpanded(const char* name) {
  if (name == NULL) return 0;
  if (resolveFlag && strchr(name, '&') != NULL) {
    if (!Expand(name)) return -1;
    return LookupRange(expansion, expansionLength);
  }
  return LookupRange(name, strlen(name));
}

void SymbolAssociate(int index, int associatedIndex) {
  if (!IsRowIndex(index)) {
    SetIndexError(index);
    return;
  }
  if (!IsRowIndex(associatedIndex)) {
    SetIndexError(associatedIndex);
    return;
  }
  rows[index].association = associatedIndex;
}

char* SymbolGetEntry(int index) {
  if (!IsRowIndex(index)) {
    SetIndexError(index);
    return NULL;
  }
  return rows[index].name;
}

int SymbolGetAssociatedIndex(int index) { return IsRowIndex(index) ? rows[index].association : 0; }

char* SymbolGetAssociatedVal(int index) {
  int associated;
  if (!IsRowIndex(index)) return NULL;
  associated = rows[index].association;
  return IsRowIndex(associated) ? rows[associated].name : NULL;
}

int SymbolGetToken(int index) { return IsRowIndex(index) ? rows[index].token : 0; }

int SymbolGetCount(void) { return rowCount; }

void SymbolResetTable(void) {
  int row;
  for (row = 1; row <= rowCount; ++row) {
    newestInBucket[rows[row].hash & indexMask] = 0;
    memset(&rows[row], 0, sizeof rows[row]);
  }
  rowCount = 0;
  poolFill = -1;
  /* Every bucket in use was cleared above, those of the smaller index too. */
  indexMask = FIRST_INDEX_SIZE - 1u;
}

char* SymbolGetLastError(void) { return lastError; }

int SymbolResolveEntities(int on) {
  resolveFlag = on != 0;
  return resolveFlag;
}

void SymbolPrintTable(void) {
  int row;
  printf("\nFinal Symbol Table\n");
  printf("Index     Token     Symbol Name             Association\n");
  for (row = 1; row <= rowCount; ++row)
    printf("%3d     %3d      %20s       %d\n", row, rows[row].token, rows[row].name,
           rows[row].association);
}
