// Hot loops are built for the machine's vector unit where it has one and
// chosen when the program starts; the plain build works everywhere.
#pragma once

#define VECTOR_TARGETS __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
