#pragma once
// Expected-output files: a mismatch leaves the actual output beside the
// expected one and shows the difference, so the next person sees at once
// what changed (and can take it with TABULON_UPDATE_GOLDEN=1).

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <tests/support/ProcessRunner.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {

inline void ExpectGolden(const std::filesystem::path& golden, const std::string& actual) {
  std::filesystem::path written = golden;
  written += ".actual";
  const std::string expected = ReadBytes(golden);
  if (actual == expected) {
    std::error_code ignored;
    std::filesystem::remove(written, ignored);
    return;
  }
  WriteBytes(written, actual);
  const ProcessResult diff = RunProcess({"diff", "-u", golden.string(), written.string()});
  ADD_FAILURE() << golden.filename().string() << " differs; the actual output is in "
                << written.string() << "\n"
                << (diff.ExitCode >= 0 ? diff.Out : std::string("(diff could not run)"));
}

}  // namespace tabulon::test
