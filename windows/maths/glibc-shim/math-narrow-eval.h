/* math-narrow-eval.h: SSE arithmetic has no excess precision to narrow. */
#define math_narrow_eval(x) (x)
