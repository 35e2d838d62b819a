#include "companion_tail.h"

namespace {

// Yields true for the blanks and controls that end a word, and for the end.
bool EndsWord(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

}  // namespace

std::string TakeOption(LPCSTR* tail) {
  LPCSTR p = *tail;
  const bool question = (p[0] == '/' || p[0] == '-') && p[1] == '?' && EndsWord(p[2]);
  if (!question && !(p[0] == '-' && p[1] == '-')) return std::string();
  while (!EndsWord(*p)) ++p;
  std::string option(*tail, p);
  while (*p != '\0' && EndsWord(*p)) ++p;
  *tail = p;
  return option;
}

bool IsHelpOption(const std::string& option) {
  return option == "/?" || option == "-?" || option == "--help";
}
