// The entry's first step: where the settings file is.
#pragma once

#include "platform.h"

// Room for 131 characters of path and the terminating zero.
constexpr int kSettingsPathSize = 132;

// The settings path, written once by LocateSettingsFile and read by the run.
extern char g_settingsPath[kSettingsPathSize];

// Takes the process command line; yields the command tail inside it, after the
// program's own name and the blanks that follow it. Quotes in the tail stay.
LPCSTR FindCommandTail(LPCSTR commandLine);

// Fills g_settingsPath from the program's own directory and the command tail.
// Yields false, with an empty path, when the path the rules give does not fit
// in 131 characters or needs a module directory that could not be fetched
// whole. Does not check that the file exists.
bool LocateSettingsFile(HINSTANCE instance, LPCSTR commandTail);

// The program's entry, called once by the process start with the module's
// instance handle and the command tail; always yields 0.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int show);
