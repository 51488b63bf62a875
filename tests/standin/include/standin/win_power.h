// Power requests of a thread.
#pragma once

#include "standin/win_types.h"

using EXECUTION_STATE = DWORD;

constexpr EXECUTION_STATE ES_SYSTEM_REQUIRED = 0x00000001;
constexpr EXECUTION_STATE ES_CONTINUOUS = 0x80000000;

EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags);
