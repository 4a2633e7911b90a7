#pragma once

// Marks a plain loop function for the compiler's vectoriser, built twice: for AVX2 and for the
// baseline, with the processor choosing at run time. Loops so marked stay ordinary C++, so their
// results do not depend on which version runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define SABLEWICK_VECTOR_LOOP __attribute__((target_clones("avx2", "default"), optimize("O3")))
#else
#define SABLEWICK_VECTOR_LOOP
#endif
