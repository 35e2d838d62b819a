// One debug-output write shown exactly: in double quotes, with C escapes for
// the quote, the backslash and every byte outside printable ASCII. Used by the
// trace companion and by the end-to-end tests' failure messages.
#pragma once

#include <string>

// Takes a write as captured; yields it quoted and escaped on one line.
std::string ShownWrite(const std::string& text);
