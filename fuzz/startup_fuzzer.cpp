// Hostile start-up: any process command line, any module path and any
// lead-byte table through FindCommandTail, LocateSettingsFile and WinMain,
// checked against a plain std::string model of the rules.
//
// Input: three pieces separated by zero bytes (no piece of a real command
// line or path holds one):
//   options      first byte bit 0: the module path fetch fails; the other
//                bytes are the code page's lead bytes
//   module path  what GetModuleFileNameA reports, any length
//   command line the process command line
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform_double.h"
#include "settings_location.h"

namespace {

using fuzzcheck::Require;

const size_t kLongestPath = 131;
const size_t kModuleBufferSize = 132;

bool IsBlankOrControl(unsigned char code) {
  return code >= 0x01 && code <= 0x20;
}

// Takes the command line and the lead bytes; yields the command tail: the
// name quoted (a lead byte takes the next byte along) or up to the first code
// <= 0x20, then the blanks and control codes after it skipped.
std::string ModelCommandTail(const std::string& line, const std::string& leadBytes) {
  size_t at = 0;
  if (!line.empty() && line[0] == '"') {
    at = 1;
    while (at < line.size() && line[at] != '"') {
      const bool lead = leadBytes.find(line[at]) != std::string::npos;
      at += lead && at + 1 < line.size() ? 2 : 1;
    }
    if (at < line.size()) ++at;  // the closing quote
  } else {
    while (at < line.size() && static_cast<unsigned char>(line[at]) > 0x20) ++at;
  }
  while (at < line.size() && IsBlankOrControl(static_cast<unsigned char>(line[at]))) ++at;
  return line.substr(at);
}

// Takes the tail and what the module path fetch gives; yields the settings
// path, with `found` false where there is none: composed longer than 131, or
// the module directory needed and the fetch failed or was cut.
std::string ModelSettingsPath(const std::string& tail, const std::string& module, bool moduleFails,
                              bool* found) {
  *found = false;
  std::string path;
  const bool namesPath = tail.size() >= 2 && tail.find_first_of(":\\", 1) != std::string::npos;
  if (namesPath) {
    path = tail;
    if (tail.back() == ':') path += "\\skelvane.ini";
    if (tail.back() == '\\') path += "skelvane.ini";
  } else {
    if (moduleFails || module.empty() || module.size() >= kModuleBufferSize) return "";
    const size_t slash = module.rfind('\\');
    const bool hasDirectory = slash != std::string::npos && slash >= 1;
    path = hasDirectory ? module.substr(0, slash + 1) : "";
    path += tail.empty() ? "skelvane.ini" : tail;
  }
  if (path.size() > kLongestPath) return "";
  *found = true;
  return path;
}

// Takes the input; yields its zero-separated pieces, at least three.
std::vector<std::string> SplitPieces(const uint8_t* data, size_t size) {
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      pieces.emplace_back();
    } else {
      pieces.back() += static_cast<char>(data[i]);
    }
  }
  if (pieces.size() < 3) pieces.resize(3);
  return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> pieces = SplitPieces(data, size);
  const std::string& options = pieces[0];
  const bool moduleFails = !options.empty() && (options[0] & 1) != 0;
  const std::string leadBytes = options.empty() ? "" : options.substr(1);
  const std::string& module = pieces[1];
  const std::string& line = pieces[2];

  fake::Reset();
  fake::SetModulePath(module);
  if (moduleFails) fake::FailModulePath();
  fake::SetLeadBytes(leadBytes);

  // The command line in a buffer of exactly its size, so reading past its
  // end is caught.
  const std::unique_ptr<char[]> commandLine(new char[line.size() + 1]);
  std::memcpy(commandLine.get(), line.c_str(), line.size() + 1);

  LPCSTR tail = FindCommandTail(commandLine.get());
  Require(tail >= commandLine.get() && tail <= commandLine.get() + line.size(),
          "the tail lies inside the command line");
  const std::string expectedTail = ModelCommandTail(line, leadBytes);
  Require(expectedTail == tail, "command tail", expectedTail, tail);

  bool found = false;
  const std::string expectedPath = ModelSettingsPath(expectedTail, module, moduleFails, &found);
  const bool located = LocateSettingsFile(nullptr, tail);
  Require(located == found, "a settings path exists", found ? "yes" : "no", located ? "yes" : "no");
  Require(expectedPath == g_settingsPath, "settings path", expectedPath, g_settingsPath);

  // The whole entry: no settings path reads nothing; otherwise the run reads
  // the (absent) file at that path, the switch and del1, and writes nothing.
  Require(WinMain(nullptr, nullptr, const_cast<LPSTR>(tail), 0) == 0, "exit status 0");
  Require(expectedPath == g_settingsPath, "settings path after the run", expectedPath,
          g_settingsPath);
  Require(fake::ProfileReads() == (found ? 2 : 0), "profile reads", found ? "2" : "0",
          std::to_string(fake::ProfileReads()));
  if (found) Require(fake::LastProfilePath() == expectedPath, "profile path read");
  Require(fake::Removals().empty(), "no removals");
  Require(fake::DebugWrites().empty(), "no trace");
  return 0;
}
