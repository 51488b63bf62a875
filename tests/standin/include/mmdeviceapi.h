// The stand-in's <mmdeviceapi.h>: the device enumerator, declared with the capture interfaces.
#pragma once

#include "standin/win_com_audio.h"
