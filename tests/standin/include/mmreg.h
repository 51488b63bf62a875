// The stand-in's <mmreg.h>: the wave formats, declared with the capture interfaces.
#pragma once

#include "standin/win_com_audio.h"
