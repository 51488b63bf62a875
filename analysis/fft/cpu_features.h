#pragma once

// Whether the processor executes these instructions and the operating system saves the wider
// registers they use across context switches.
bool cpuSupportsAvx2();
bool cpuSupportsAvx512();
