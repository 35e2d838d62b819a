// What the fuzz targets share: a failed property stops the run with a
// readable report, so libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzcheck {

// Takes any bytes; yields them with a backslash doubled and everything
// outside printable ASCII written as \xNN, so a report is unambiguous.
inline std::string Printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const unsigned char code = static_cast<unsigned char>(c);
    if (c == '\\') {
      shown += "\\\\";
    } else if (code >= 0x20 && code < 0x7F) {
      shown += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
      shown += escaped;
    }
  }
  return shown;
}

// Takes a property's outcome and its name; when it does not hold, prints the
// two sides and aborts.
inline void Require(bool holds, const char* property, const std::string& expected = "",
                    const std::string& actual = "") {
  if (holds) return;
  std::fprintf(stderr, "property failed: %s\n  expected: \"%s\"\n  actual:   \"%s\"\n", property,
               Printable(expected).c_str(), Printable(actual).c_str());
  std::abort();
}

}  // namespace fuzzcheck
