/* The x86 evaluation barriers, as glibc's build finds them first. */
#include <sysdeps/x86/fpu/math-barriers.h>
