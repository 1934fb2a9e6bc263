// Where the settings and list files live.

#include <gtest/gtest.h>

#include <platform/ConfigLocation.h>

namespace tabulon {
namespace {

EnvironmentReader Env(std::map<std::string, std::string> values) {
  return [values](const char* name) -> std::optional<std::string> {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
  };
}

TEST(ConfigLocation, BesideTheExecutableOrInTheUsersConfigFolder) {
  const auto env = Env({{"HOME", "/home/u"}});
  ConfigFiles files = LocateConfigFiles("/opt/t/tabulon", true, env);
  EXPECT_EQ(files.Settings, "/opt/t/tabulon.ini");
  EXPECT_EQ(files.List, "/opt/t/tabulon.dat");
  files = LocateConfigFiles("/opt/t/Tool.bin", true, env);
  EXPECT_EQ(files.Settings, "/opt/t/Tool.ini");

  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false, env);
  EXPECT_EQ(files.Settings, "/home/u/.config/tabulon/tabulon.ini");
  EXPECT_EQ(files.List, "/home/u/.config/tabulon/tabulon.dat");
  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false,
                            Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}}));
  EXPECT_EQ(files.Settings, "/cfg/tabulon/tabulon.ini");
  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false,
                            Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "relative"}}));
  EXPECT_EQ(files.Settings, "/home/u/.config/tabulon/tabulon.ini");
  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false, Env({}));
  EXPECT_EQ(files.Settings, "/usr/lib/tabulon/tabulon.ini");
}

}  // namespace
}  // namespace tabulon
