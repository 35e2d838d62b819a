#include "key_removal.h"
#include "settings_location.h"

// The program's entry: locate the settings file, run the list, exit 0 whatever
// happened. The previous instance and the show state are not used.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandTail, int /*show*/) {
  if (LocateSettingsFile(instance, commandTail)) RemoveListedKeys(g_settingsPath);
  return 0;
}
