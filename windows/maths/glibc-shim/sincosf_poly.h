/* The x86 polynomials for sinf and cosf, as glibc's build finds them first. */
#include <sysdeps/x86/fpu/sincosf_poly.h>
