#pragma once

// Fills g_fftWork with the Blackman window over kBlockLength points the first time it is called;
// later calls leave the table as it is.
void ensureAnalysisWindow();
