// The stand-in's <audioclient.h>: the audio and capture clients.
#pragma once

#include "standin/win_com_audio.h"
