#pragma once
// Marks a hot loop function to be built for AVX2 and for the baseline, chosen at
// load time (x86-64 with GCC/Clang; a no-op elsewhere and under the sanitizers).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define KIVELO_VECTOR_CLONES __attribute__((target_clones("arch=skylake-avx512", "avx2", "default")))
#else
#define KIVELO_VECTOR_CLONES
#endif
