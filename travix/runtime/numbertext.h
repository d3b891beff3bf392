// Reading and writing the numbers of the value types, the same in every
// locale. Internal to the runtime library.
#ifndef TRAVIX_NUMBERTEXT_H
#define TRAVIX_NUMBERTEXT_H

#include <ostream>

namespace Travix::Internal {

// Like C's atoi: leading white space, an optional sign, decimal digits up to
// the first character that does not fit; 0 when there are none. Numbers
// beyond int's range give its nearest limit.
int ParseInt(const char* text);

// Like a 32-bit strtoul in base 10: a negative number gives its unsigned
// wrap-around ("-1" is 4294967295), one whose magnitude exceeds the range
// gives 4294967295.
unsigned int ParseUnsigned(const char* text);

// Like C's atof without hexadecimal forms: leading white space, then the
// longest prefix that is a decimal floating number, "inf" or "nan"; 0 when
// there is none. Beyond double's range: infinity, or zero for tiny numbers.
double ParseReal(const char* text);

void WriteNumber(std::ostream& stream, long long value);
void WriteNumber(std::ostream& stream, unsigned long long value);
// The shortest text that reads back to the same value.
void WriteNumber(std::ostream& stream, double value);

} // namespace Travix::Internal

#endif
