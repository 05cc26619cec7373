// Hot loops are built for the machine's vector unit where it has one and
// chosen when the program starts; the plain build works everywhere. A
// portable build (and any machine that is not x86-64) has the plain loops
// only.
#pragma once

#if defined(ITEMMAP_PORTABLE) || !defined(__x86_64__)
#define VECTOR_TARGETS
#define NARROW_VECTOR_TARGETS
#else
#define VECTOR_TARGETS __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))

// Loops written for a vector's width come twice: sixteen floats to a
// vector for a machine whose unit is 512 bits wide (WIDE_VECTOR_TARGET,
// taken where WideVectorUnit() says so), and eight for the others.
#define ITEMMAP_WIDE_VECTORS
#define WIDE_VECTOR_TARGET __attribute__((target("arch=x86-64-v4")))
#define NARROW_VECTOR_TARGETS __attribute__((target_clones("arch=x86-64-v3", "default")))

// Whether the machine runs what arch=x86-64-v4 builds.
inline bool WideVectorUnit() {
    static const bool wide = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512dq") &&
                             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx2") &&
                             __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi2");
    return wide;
}
#endif
