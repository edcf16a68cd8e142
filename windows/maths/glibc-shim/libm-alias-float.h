/* libm-alias-float.h: the symbol aliases of glibc's libm; here the
   functions keep their internal names (maths/Maths.c names the public ones). */
#define libm_alias_float(from, to)
