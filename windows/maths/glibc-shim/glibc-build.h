/* Put before every glibc source compiled here (-include): the few macros of
   glibc's own build system that its maths sources use. Bits of glibc's
   internal headers that the sources include are the other files of this
   folder; each says which glibc header it stands for. None changes a
   number: they are symbol attributes, branch hints and bit access. */
#define attribute_hidden
#define __glibc_likely(c) __builtin_expect(!!(c), 1)
#define __glibc_unlikely(c) __builtin_expect(!!(c), 0)
#define __always_inline __inline __attribute__((__always_inline__))
#define __set_errno(e) (errno = (e))
/* math.h's type-generic call: FUNC's float, double or long double form. */
#define __MATH_TG(arg, func, args) \
    _Generic((arg), float : func##f args, default : func args, long double : func##l args)
