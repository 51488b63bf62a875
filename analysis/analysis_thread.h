#pragma once

// Entry of the analysis thread: takes blocks from g_blockQueue until g_analysisRunning is cleared.
void analysisThreadMain();
