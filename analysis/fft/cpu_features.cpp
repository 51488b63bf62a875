#include "analysis/fft/cpu_features.h"

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#include <intrin.h>
#define VOXWELL_CPUID_MSVC 1
#elif defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define VOXWELL_CPUID_GCC 1
#endif

namespace {

#if defined(VOXWELL_CPUID_MSVC) || defined(VOXWELL_CPUID_GCC)
// Registers eax, ebx, ecx, edx of CPUID for `leaf` and `subleaf`; all zero when the leaf is
// beyond what the processor reports.
void cpuid(unsigned leaf, unsigned subleaf, unsigned (&regs)[4]) {
#if defined(VOXWELL_CPUID_MSVC)
    int values[4] = {};
    __cpuid(values, 0);
    if (static_cast<unsigned>(values[0]) < leaf) {
        regs[0] = regs[1] = regs[2] = regs[3] = 0;
        return;
    }
    __cpuidex(values, static_cast<int>(leaf), static_cast<int>(subleaf));
    for (int i = 0; i < 4; ++i) {
        regs[i] = static_cast<unsigned>(values[i]);
    }
#else
    if (__get_cpuid_count(leaf, subleaf, &regs[0], &regs[1], &regs[2], &regs[3]) == 0) {
        regs[0] = regs[1] = regs[2] = regs[3] = 0;
    }
#endif
}

// The answers are asked for once per process: CPUID is slow, above all in a virtual machine, where
// each one traps to the hypervisor.
// Leaf 1 reports whether XGETBV may be used; XCR0 then tells which register states the
// operating system saves. Leaf 7 (subleaf 0) reports the instruction set extensions.
bool extensionUsable(unsigned leaf7EbxBit, unsigned xcr0Mask) {
    constexpr unsigned kOsXsave = 1u << 27;  // leaf 1, ecx
    constexpr unsigned kAvx = 1u << 28;      // leaf 1, ecx
    unsigned regs[4] = {};
    cpuid(1, 0, regs);
    if ((regs[2] & kOsXsave) == 0 || (regs[2] & kAvx) == 0) {
        return false;
    }
    if ((_xgetbv(0) & xcr0Mask) != xcr0Mask) {
        return false;
    }
    cpuid(7, 0, regs);
    return (regs[1] & leaf7EbxBit) != 0;
}
#endif

}  // namespace

bool cpuSupportsAvx2() {
#if defined(VOXWELL_CPUID_MSVC) || defined(VOXWELL_CPUID_GCC)
    constexpr unsigned kAvx2 = 1u << 5;
    constexpr unsigned kSseAndAvxState = 0x6;
    static const bool usable = extensionUsable(kAvx2, kSseAndAvxState);
    return usable;
#else
    return false;
#endif
}

bool cpuSupportsAvx512() {
#if defined(VOXWELL_CPUID_MSVC) || defined(VOXWELL_CPUID_GCC)
    constexpr unsigned kAvx512F = 1u << 16;
    // SSE and AVX state, the opmask registers and both halves of the 512-bit register file.
    constexpr unsigned kAvx512State = 0xE6;
    static const bool usable = extensionUsable(kAvx512F, kAvx512State);
    return usable;
#else
    return false;
#endif
}
