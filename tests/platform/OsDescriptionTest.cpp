// The operating system's description from os-release and the kernel.

#include <gtest/gtest.h>

#include <platform/OsDescription.h>

namespace tabulon {
namespace {

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
