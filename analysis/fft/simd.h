#pragma once

// SSE2 is part of every x86-64 processor; elsewhere the analysis falls back to plain loops.
#if defined(__SSE2__) || defined(_M_X64)
#define VOXWELL_SSE2 1
#endif
