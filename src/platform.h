// Every Windows service the program calls. Windows builds get the real API;
// the Linux test build gets the same names from our own small declaration
// header, implemented by the test double under tests/double.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "platform_host.h"
#endif
