// The user guide's examples in README.md, run as written so the guide cannot
// go stale. An example stands between "<!-- guide-example NAME" and
// "<!-- end guide-example -->"; the marker's own lines say what the example
// needs and what it leaves:
//   key: ROOT\path       a key that exists before the example
//   gone: ROOT\path      a key the example removes; every other key stays
//   settings: C:\...     where the ini block goes (default C:\setup\skelvane.ini)
//   file: path           a repository file the ini block must equal
//   script: C:\...       where the bat block goes
//   from: NAME           the keys and settings file of an earlier example
// Its console blocks are prompts ("C:\setup>command") each followed by the
// output expected. The programs sit in C:\setup. The guide's drive C: stands
// for a directory of the case, and the guide shows the 32-bit companions,
// whose registry view line the 64-bit build here prints as 64-bit.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "companion_support.h"
#include "e2e_support.h"

namespace e2e {
namespace {

const char kGuideDrive[] = "C:\\";
const char kProgramDirectory[] = "C:\\setup";
// Every key of the guide lies at or below a path element with this prefix,
// which the test removes whole before and after each example.
const char kGuideKeyPrefix[] = "SKELVANEDEMO";

struct Command {
  std::string directory;  // the prompt's
  std::string line;
  std::string expected;  // the output shown after it, trailing blank lines dropped
};

struct GuideExample {
  std::string name;
  int line = 0;  // of its marker in README.md
  std::vector<std::string> keys;
  std::vector<std::string> gone;
  std::string settingsPlace = std::string(kProgramDirectory) + "\\skelvane.ini";
  std::string file;
  std::string scriptPlace;
  std::string from;
  std::string settings;  // the ini block, LF lines
  std::string script;    // the bat block, LF lines
  std::vector<Command> commands;
};

struct Guide {
  std::vector<GuideExample> examples;
  std::vector<std::string> problems;  // blocks outside examples, unknown fields
};

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  std::string result;
  for (const char c : text.str()) {
    if (c != '\r') result += c;
  }
  return result;
}

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// Takes output lines; yields them with trailing blank lines dropped.
std::string TrimmedOutput(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.empty() ? text : text + "\n";
}

// Takes the lines of one console block; adds its prompts and their outputs.
void ReadConsole(const std::vector<std::string>& lines, GuideExample* example) {
  for (const std::string& line : lines) {
    const std::string::size_type prompt = line.find('>');
    if (line.size() > 3 && line[1] == ':' && line[2] == '\\' && prompt != std::string::npos) {
      example->commands.push_back({line.substr(0, prompt), line.substr(prompt + 1), ""});
    } else if (!example->commands.empty()) {
      example->commands.back().expected += line + "\n";
    }
  }
  for (Command& command : example->commands) command.expected = TrimmedOutput(command.expected);
}

// Takes README.md; yields its examples in order, and whatever it holds that
// looks like an example but is not run.
Guide ReadGuide(const std::string& text) {
  Guide guide;
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);

  GuideExample* example = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string where = "README.md line " + std::to_string(i + 1);
    if (StartsWith(line, "<!-- guide-example ")) {
      guide.examples.push_back({});
      example = &guide.examples.back();
      example->name = line.substr(19);
      example->line = static_cast<int>(i + 1);
      for (++i; i < lines.size() && lines[i] != "-->"; ++i) {
        const std::string& field = lines[i];
        const std::string::size_type colon = field.find(": ");
        const std::string name = field.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : field.substr(colon + 2);
        if (name == "key") {
          example->keys.push_back(value);
        } else if (name == "gone") {
          example->gone.push_back(value);
        } else if (name == "settings") {
          example->settingsPlace = value;
        } else if (name == "file") {
          example->file = value;
        } else if (name == "script") {
          example->scriptPlace = value;
        } else if (name == "from") {
          example->from = value;
        } else {
          guide.problems.push_back("README.md line " + std::to_string(i + 1) +
                                   ": unknown field: " + field);
        }
      }
    } else if (line == "<!-- end guide-example -->") {
      example = nullptr;
    } else if (StartsWith(line, "```") && line.size() > 3) {
      const std::string info = line.substr(3);
      std::vector<std::string> block;
      for (++i; i < lines.size() && lines[i] != "```"; ++i) block.push_back(lines[i]);
      if (info != "ini" && info != "bat" && info != "console") continue;
      if (example == nullptr) {
        guide.problems.push_back(where + ": an example block (" + info +
                                 ") outside any guide example");
        continue;
      }
      std::string joined;
      for (const std::string& blockLine : block) joined += blockLine + "\n";
      if (info == "console") ReadConsole(block, example);
      if (info == "ini") example->settings = joined;
      if (info == "bat") example->script = joined;
    }
  }
  return guide;
}

std::string CrLf(const std::string& text) {
  std::string converted;
  for (const char c : text) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return converted;
}

// Takes a guide key; yields its root and the path of the key, and in *top
// the path down to the guide's own element, or false when it has none.
bool SplitGuideKey(const std::string& key, HKEY* root, std::string* path, std::string* top) {
  const std::string::size_type slash = key.find('\\');
  if (slash == std::string::npos) return false;
  *root = nullptr;
  for (const SandboxRoot& candidate : kSandboxRoots) {
    if (key.substr(0, slash) == candidate.rootName) *root = candidate.root;
  }
  *path = key.substr(slash + 1);
  std::string upper = *path;
  CharUpperA(&upper[0]);
  for (std::string::size_type start = 0; start <= upper.size();) {
    const std::string::size_type end = std::min(upper.find('\\', start), upper.size());
    if (StartsWith(upper.substr(start, end - start), kGuideKeyPrefix)) {
      *top = path->substr(0, end);
      return *root != nullptr;
    }
    start = end + 1;
  }
  return false;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class GuideCase : public ProgramCase {
 protected:
  // Removes every key the example's keys lie in; yields false when a key is
  // not one of the guide's own.
  static bool ClearGuideKeys(const GuideExample& example) {
    std::vector<std::string> all = example.keys;
    all.insert(all.end(), example.gone.begin(), example.gone.end());
    for (const std::string& key : all) {
      HKEY root = nullptr;
      std::string path;
      std::string top;
      if (!SplitGuideKey(key, &root, &path, &top)) return false;
      const LONG status = RegDeleteTreeA(root, top.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
    }
    return true;
  }

  // Runs one command of a console block as the command prompt would.
  ConsoleRun RunCommand(const std::string& directory, const std::string& line,
                        DWORD lastStatus) const {
    const std::string word = line.substr(0, line.find(' '));
    if (line == "echo %ERRORLEVEL%") {
      ConsoleRun echo;
      echo.started = true;
      echo.output = std::to_string(lastStatus) + "\n";
      return echo;
    }
    if (word.size() > 4 && word.substr(word.size() - 4) == ".cmd") {
      char system[MAX_PATH];
      GetSystemDirectoryA(system, MAX_PATH);
      return RunConsole(std::string(system) + "\\cmd.exe", "cmd.exe /c " + line, directory);
    }
    return RunConsole(directory + "\\" + word, line, directory);
  }

  void RunExample(const GuideExample& example, const std::vector<GuideExample>& earlier) {
    GuideExample setup = example;
    for (const GuideExample& other : earlier) {
      if (other.name != example.from) continue;
      setup.keys = other.keys;
      setup.settings = other.settings;
      setup.settingsPlace = other.settingsPlace;
    }
    ASSERT_FALSE(setup.settings.empty()) << "the example has no settings file";
    if (!example.file.empty()) {
      const std::string readme = BuiltFilePath(SKELVANE_README_PATH);
      const std::string repository = readme.substr(0, readme.find_last_of('\\') + 1);
      EXPECT_EQ(setup.settings, ReadText(repository + Replaced(example.file, "/", "\\")))
          << example.file << " differs from the guide";
    }

    const std::string drive = Path(example.name + "\\");
    const auto onDrive = [&](const std::string& text) {
      return Replaced(text, kGuideDrive, drive);
    };
    const std::string programs = onDrive(kProgramDirectory);
    ASSERT_TRUE(MakeDirectories(programs));
    for (const std::string& built : {BuiltProgramPath(), BuiltFilePath(SKELVANE_CHECK_PATH),
                                     BuiltFilePath(SKELVANE_TRACE_PATH)}) {
      const std::string name = built.substr(built.find_last_of('\\'));
      ASSERT_TRUE(CopyFileA(built.c_str(), (programs + name).c_str(), FALSE)) << built;
    }
    const std::string settingsPlace = onDrive(setup.settingsPlace);
    ASSERT_TRUE(MakeDirectories(settingsPlace.substr(0, settingsPlace.find_last_of('\\'))));
    ASSERT_TRUE(WriteBytes(settingsPlace, CrLf(setup.settings)));
    if (!example.scriptPlace.empty()) {
      ASSERT_FALSE(example.script.empty()) << "the example has no bat block";
      ASSERT_TRUE(WriteBytes(onDrive(example.scriptPlace), CrLf(onDrive(example.script))));
    }
    ASSERT_TRUE(ClearGuideKeys(setup)) << "a key outside the guide's own";
    for (const std::string& key : setup.keys) {
      HKEY root = nullptr;
      std::string path;
      std::string top;
      ASSERT_TRUE(SplitGuideKey(key, &root, &path, &top));
      HKEY created = nullptr;
      ASSERT_EQ(
          RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
          ERROR_SUCCESS)
          << key;
      RegCloseKey(created);
    }

    ASSERT_FALSE(example.commands.empty()) << "the example runs nothing";
    DWORD lastStatus = 0;
    for (const Command& command : example.commands) {
      SCOPED_TRACE(command.directory + ">" + command.line);
      ASSERT_EQ(command.directory, kProgramDirectory);
      const ConsoleRun run = RunCommand(programs, onDrive(command.line), lastStatus);
      ASSERT_TRUE(run.started);
      ASSERT_FALSE(run.timedOut);
      const std::string view = sizeof(void*) == 8 ? "64-bit" : "32-bit";
      EXPECT_EQ(
          TrimmedOutput(run.output),
          Replaced(onDrive(command.expected), "registry view: 32-bit", "registry view: " + view));
      lastStatus = run.exitCode;
    }

    for (const std::string& key : setup.keys) {
      HKEY root = nullptr;
      std::string path;
      std::string top;
      ASSERT_TRUE(SplitGuideKey(key, &root, &path, &top));
      const bool gone =
          std::find(example.gone.begin(), example.gone.end(), key) != example.gone.end();
      EXPECT_EQ(KeyExists(root, path), !gone) << key;
    }
    for (const std::string& key : example.gone) {
      HKEY root = nullptr;
      std::string path;
      std::string top;
      ASSERT_TRUE(SplitGuideKey(key, &root, &path, &top));
      EXPECT_FALSE(KeyExists(root, path)) << key << " stayed";
    }
    EXPECT_TRUE(ClearGuideKeys(setup));
  }
};

Guide TheGuide() {
  return ReadGuide(ReadText(BuiltFilePath(SKELVANE_README_PATH)));
}

TEST(GuideExamples, EveryExampleBlockIsRun) {
  const Guide guide = TheGuide();
  EXPECT_GE(guide.examples.size(), 5u) << "README.md holds too few guide examples";
  for (const std::string& problem : guide.problems) ADD_FAILURE() << problem;
  for (const GuideExample& example : guide.examples) {
    SCOPED_TRACE(example.name);
    EXPECT_FALSE(example.commands.empty()) << "README.md line " << example.line;
  }
}

TEST_F(GuideCase, ExamplesRunAsDocumented) {
  const Guide guide = TheGuide();
  ASSERT_FALSE(guide.examples.empty());
  std::vector<GuideExample> earlier;
  for (const GuideExample& example : guide.examples) {
    SCOPED_TRACE("guide example " + example.name + ", README.md line " +
                 std::to_string(example.line));
    RunExample(example, earlier);
    earlier.push_back(example);
  }
}

}  // namespace
}  // namespace e2e
