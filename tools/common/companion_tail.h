// The companions take the program's command tail as it is; only a leading
// option word is theirs. A settings file whose name begins with two hyphens
// is then reached by its full path.
#pragma once

#include <windows.h>

#include <string>

// Takes a command tail; when it begins with an option ("--" and a word, or
// "/?" or "-?" as a whole word) yields that word and moves *tail past it and
// the blanks after it. Otherwise yields an empty text and leaves *tail alone.
std::string TakeOption(LPCSTR* tail);

// Takes an option word; yields true for the ways of asking for help.
bool IsHelpOption(const std::string& option);
