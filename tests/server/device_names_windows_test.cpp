// Windows keeps names for its devices in every folder, whatever follows a dot: a file
// the programs would open or write under such a name is the device. Which names those
// are, and the server refusing to record to one.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/regular_file.h"
#include "tests/server/server_process.h"

namespace {

TEST(DeviceNames, AreKnownInAnyCaseFolderOrExtensionAndLookalikesAreFiles) {
  const std::vector<std::pair<std::string, bool>> names{
      {"CON", true},
      {"con", true},
      {"Nul.rec", true},
      {"prn.tar.gz", true},
      {"AUX .png", true},
      {"C:\\Games\\com1.rec", true},
      {"gfx/LpT9.png", true},
      {"records\\CONIN$", true},
      {"\\\\.\\pipe\\quorvale", true},
      {"//./PhysicalDrive0", true},
      {"CONSOLE.png", false},
      {"NULL", false},
      {"COM10.rec", false},
      {"LPT0", false},
      {"xCON.rec", false},
      {"CON\\map1.png", false},
      {"nul_record.rec", false},
      {"", false},
  };
  for (const auto& [name, device] : names) EXPECT_EQ(names_a_device(name), device) << name;
}

TEST(DeviceNames, TheServerWillNotRecordToOne) {
  for (const char* device : {"NUL", "con.rec", "C:\\Temp\\Aux.rec"})
    expect_refusal({"--record", device}, "it names a device, not a file");
}

}  // namespace
