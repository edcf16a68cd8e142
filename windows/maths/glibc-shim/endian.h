/* glibc's include/endian.h, as the double-precision sources read it: the
   word order of a little-endian x86-64. */
#define LITTLE_ENDI 1
#define HIGH_HALF 1
#define LOW_HALF 0
