// Start-up on the real Windows API: the command line the program is given,
// where it looks for its settings file, and that it always exits 0.
#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {

class StartupTest : public ProgramCase {
 protected:
  void SetUp() override {
    ProgramCase::SetUp();
    // Decoys in the working directory name the sibling key, so a settings
    // file found there instead of beside the program shows.
    workDir_ = Path("work\\");
    for (const char* name : {"skelvane.ini", "other.ini", "missing.ini", "x"}) {
      ASSERT_TRUE(WriteBytes(workDir_ + name, SettingsText({EntryFor("HKCU\\Sibling")})));
    }
  }

  // Removes what a case wrote at this path: below the case directory the
  // topmost directory or file it made there, elsewhere the file itself.
  void RemoveCaseFile(const std::string& path) {
    std::string top = path;
    if (path.compare(0, caseDir_.size(), caseDir_) == 0) {
      const std::string::size_type start = path.find_first_not_of('\\', caseDir_.size());
      top = caseDir_ + path.substr(start, path.find('\\', start) - start);
    }
    ASSERT_TRUE(RemoveTree(top)) << top;
  }

  std::string workDir_;
};

struct LocateCase {
  const char* name;
  const char* commandLine;   // {prog}, {dir}, {drive}: see ProgramCase::FillIn
  const char* settingsPath;  // the file listing the key; the trace names it. "": none
  bool read;                 // whether the program finds and reads that file
};

// Every way the command line can point at a settings file, and ways that
// point at none. A file that is found is read and its one key removed; the
// decoys are left alone. Found or not, the program starts, writes only its
// trace, and exits 0.
TEST_F(StartupTest, FindsTheSettingsFileTheCommandLineNames) {
  ASSERT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR))
      << "the missing-drive cases need a drive Q: that does not exist";
  const LocateCase cases[] = {
      {"no tail: beside the program", "\"{prog}\"", "{dir}skelvane.ini", true},
      {"unquoted program name, no tail", "{prog}", "{dir}skelvane.ini", true},
      {"unquoted program name, plain-name tail", "{prog} other.ini", "{dir}other.ini", true},
      {"plain name joins the program's directory", "\"{prog}\" other.ini", "{dir}other.ini", true},
      {"tail right after the closing quote", "\"{prog}\"other.ini", "{dir}other.ini", true},
      {"blanks and tabs before the tail", "\"{prog}\" \t  \t other.ini", "{dir}other.ini", true},
      {"one character", "\"{prog}\" x", "{dir}x", true},
      {"leading backslash only: a plain name", "\"{prog}\" \\other.ini", "{dir}\\other.ini", true},
      {"directory ending in a backslash, with a blank", "\"{prog}\" {dir}Setup Files\\",
       "{dir}Setup Files\\skelvane.ini", true},
      {"full path of any name", "\"{prog}\" {dir}conf\\removal.lst", "{dir}conf\\removal.lst",
       true},
      {"drive: its root directory", "\"{prog}\" {drive}", "{drive}\\skelvane.ini", true},
      {"drive root ending in a backslash", "\"{prog}\" {drive}\\", "{drive}\\skelvane.ini", true},
      {"no tail, no file beside the program", "\"{prog}\"", "", false},
      {"unquoted program name, no file", "{prog}", "", false},
      {"plain-name tail, no such file beside the program", "\"{prog}\" missing.ini", "", false},
      {"quoted full path: the quotes stay part of the path", "\"{prog}\" \"{dir}listed.ini\"",
       "{dir}listed.ini", false},
      {"quoted directory: the quote is the last character", "\"{prog}\" \"{dir}Setup Files\\\"",
       "{dir}Setup Files\\skelvane.ini", false},
      {"quoted plain name", "\"{prog}\" \"other.ini\"", "{dir}other.ini", false},
      {"the path names a directory", "\"{prog}\" {dir}conf", "{dir}conf\\skelvane.ini", false},
      {"the default name is a directory", "\"{prog}\"", "{dir}skelvane.ini\\skelvane.ini", false},
      {"a missing drive", "\"{prog}\" Q:", "", false},
      {"a directory on a missing drive", "\"{prog}\" Q:\\nothere\\", "", false},
      {"a file on a missing drive", "\"{prog}\" Q:\\skelvane.ini", "", false},
  };
  for (const LocateCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys({"HKCU\\Listed", "HKCU\\Sibling"}));
    const std::string settingsPath = FillIn(c.settingsPath);
    // Where the file is found, a decoy beside the program shows that the tail
    // won; the case's own file replaces it when it is that file.
    const std::string decoy = Path("skelvane.ini");
    if (c.read) {
      ASSERT_TRUE(WriteBytes(decoy, SettingsText({EntryFor("HKCU\\Sibling")})));
    }
    if (!settingsPath.empty()) {
      ASSERT_TRUE(WriteBytes(settingsPath, SettingsText({EntryFor("HKCU\\Listed")})));
    }

    const CapturedRun run = RunCommandLine(program_, FillIn(c.commandLine), workDir_);
    RemoveCaseFile(decoy);
    if (!settingsPath.empty()) RemoveCaseFile(settingsPath);

    EXPECT_TRUE(ExitedCleanly(run));
    if (c.read) {
      EXPECT_TRUE(
          SameWrites(run.writes, ExpectedTrace(settingsPath, {Traced("HKCU\\Listed", kRemoved)})));
      EXPECT_EQ(RemainingKeys(), std::vector<std::string>{"HKCU\\Sibling"});
    } else {
      EXPECT_TRUE(SameWrites(run.writes, {}));
      EXPECT_EQ(RemainingKeys(), (std::vector<std::string>{"HKCU\\Listed", "HKCU\\Sibling"}));
    }
  }
}

}  // namespace
}  // namespace e2e
