#include "shown_write.h"

#include <cstdio>

std::string ShownWrite(const std::string& text) {
  std::string shown = "\"";
  for (const char c : text) {
    const unsigned char code = static_cast<unsigned char>(c);
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '"' || c == '\\') {
      shown += '\\';
      shown += c;
    } else if (code < 0x20 || code >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", code);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown + "\"";
}
