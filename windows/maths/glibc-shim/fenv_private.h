/* fenv_private.h's SET_RESTORE_ROUND as glibc's SSE code has it: the SSE
   rounding bits set for the rest of the block, then put back as they were. */
static inline void glibc_shim_restore_rounding(unsigned int* saved) {
    unsigned int csr;
    __asm__ __volatile__("stmxcsr %0" : "=m"(csr));
    csr = (csr & ~0x6000u) | (*saved & 0x6000u);
    __asm__ __volatile__("ldmxcsr %0" : : "m"(csr));
}
#define SET_RESTORE_ROUND(mode)                                                              \
    unsigned int glibc_shim_saved_csr __attribute__((cleanup(glibc_shim_restore_rounding))); \
    do {                                                                                     \
        unsigned int csr_;                                                                   \
        __asm__ __volatile__("stmxcsr %0" : "=m"(csr_));                                     \
        glibc_shim_saved_csr = csr_;                                                         \
        csr_ = (csr_ & ~0x6000u) | ((unsigned int)(mode) << 3);                              \
        __asm__ __volatile__("ldmxcsr %0" : : "m"(csr_));                                    \
    } while (0)
