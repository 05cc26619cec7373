// Hot loops are built for the machine's vector unit where it has one and
// chosen when the program starts; the plain build works everywhere. A
// portable build (and any machine that is not x86-64) has the plain loops
// only.
#pragma once

#if defined(ITEMMAP_PORTABLE) || !defined(__x86_64__)
#define VECTOR_TARGETS
#else
#define VECTOR_TARGETS __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#endif
