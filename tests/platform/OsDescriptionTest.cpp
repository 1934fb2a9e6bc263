// Operating-system descriptions: the Windows decision table and Linux's.

#include <gtest/gtest.h>

#include <stdexcept>

#include <platform/OsDescription.h>

namespace tabulon {
namespace {

class FakeWindows : public WindowsSystem {
 public:
  std::optional<WindowsVersion> Extended;
  std::optional<WindowsVersion> Basic;
  std::optional<std::string> ProductType;
  bool Hotfix = false;
  bool Throws = false;

  std::optional<WindowsVersion> GetVersionEx(bool extended) override {
    if (Throws) throw std::runtime_error("broken");
    return extended ? Extended : Basic;
  }
  std::optional<std::string> ReadProductType() override { return ProductType; }
  bool HasHotfixQ246009() override { return Hotfix; }
};

WindowsVersion Nt(std::uint32_t major, std::uint32_t minor, std::uint32_t build, const char* csd,
                  std::uint8_t productType = 0, std::uint16_t suite = 0) {
  return {major, minor, build, 2, csd, suite, productType};
}

struct WindowsCase {
  const char* Expected;
  FakeWindows System;
};

TEST(OsDescription, WindowsDecisionTable) {
  auto extended = [](WindowsVersion v) {
    FakeWindows w;
    w.Extended = v;
    w.Basic = v;
    return w;
  };
  auto basic = [](WindowsVersion v, std::optional<std::string> productType) {
    FakeWindows w;
    w.Basic = v;
    w.ProductType = std::move(productType);
    return w;
  };
  WindowsCase cases[] = {
      {"Microsoft Windows XP Professional Service Pack 2 (Build 2600)",
       extended(Nt(5, 1, 2600, "Service Pack 2", 1))},
      {"Microsoft Windows XP Home Edition  (Build 2600)", extended(Nt(5, 1, 2600, "", 1, 0x200))},
      {"Windows NT product family? Professional Service Pack 1 (Build 7601)",
       extended(Nt(6, 1, 7601, "Service Pack 1", 1))},
      {"Microsoft Windows .NET Server 2003 family, Enterprise Edition  (Build 3790)",
       extended(Nt(5, 2, 3790, "", 3, 0x0402))},
      {"Microsoft Windows .NET Server 2003 family, Web Edition  (Build 3790)",
       extended(Nt(5, 2, 3790, "", 3, 0x0400))},
      {"Microsoft Windows .NET Server 2003 family, Standard Edition  (Build 3790)",
       extended(Nt(5, 2, 3790, "", 3, 0x0410))},
      {"Microsoft Windows 2000 Datacenter Server  (Build 2195)",
       extended(Nt(5, 0, 2195, "", 3, 0x0082))},
      {"Microsoft Windows NT Workstation 4.0 Service Pack 6 (Build 1381)",
       extended(Nt(4, 0, 1381, "Service Pack 6", 1))},
      {"Microsoft Windows NT  (Build 1381)", extended(Nt(4, 0, 1381, "", 2))},
      {"Microsoft Windows NT Server 4.0Service Pack 5 (Build 1381)",
       basic(Nt(4, 0, 1381, "Service Pack 5"), "LanmanNT")},
      {"Microsoft Windows NT ", basic(Nt(4, 0, 1381, "Service Pack 5"), std::nullopt)},
      {"Microsoft Windows NT 4.0Service Pack 3 (Build 1381)",
       basic(Nt(4, 0, 1381, "Service Pack 3"), "Other")},
      {"Microsoft Windows 98 SE ", basic({4, 10, 2222, 1, " A "}, std::nullopt)},
      {"Microsoft Windows 95 OSR2 ", basic({4, 0, 1111, 1, " B"}, std::nullopt)},
      {"Microsoft Windows Millennium Edition", basic({4, 90, 3000, 1, ""}, std::nullopt)},
      {"Unknown", basic({4, 3, 3000, 1, ""}, std::nullopt)},
      {"Microsoft Win32s", basic({3, 1, 0, 0, ""}, std::nullopt)},
      {"Unknown", basic({6, 0, 0, 7, ""}, std::nullopt)},
      {"Unknown", FakeWindows{}},
  };
  for (WindowsCase& c : cases) EXPECT_EQ(DescribeWindows(c.System), c.Expected);

  FakeWindows sp6a = extended(Nt(4, 0, 0x40000565, "service pack 6", 1));
  sp6a.Hotfix = true;
  EXPECT_EQ(DescribeWindows(sp6a),
            "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)");
}

TEST(OsDescription, WindowsFallsBackToConstant) {
  FakeWindows broken;
  broken.Throws = true;
  EXPECT_EQ(DescribeWindows(broken), "Microsoft Windows");
}

TEST(OsDescription, LinuxNamesDistributionAndKernel) {
  const std::string osRelease =
      "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n";
  EXPECT_EQ(DescribeLinux(osRelease, "Linux", "6.1.0-18-amd64"),
            "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64)");
  EXPECT_EQ(DescribeLinux(std::nullopt, "Linux", "6.1.0"), "Linux 6.1.0");
  EXPECT_EQ(DescribeLinux("ID=x\n", "Linux", "6.1.0"), "Linux 6.1.0");
  EXPECT_EQ(DescribeLinux(osRelease, "", ""), "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(DescribeLinux(std::nullopt, "", ""), "Linux");
  EXPECT_NE(GetOSDescription().find("Linux"), std::string::npos);
}

}  // namespace
}  // namespace tabulon
