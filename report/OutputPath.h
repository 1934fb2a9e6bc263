#pragma once
// Where a report goes when it is written to the desktop: a folder
// "<name>_out" there, and a file "<name>_yymmdd.html" named after the
// executable and the date, numbered "(01)", "(02)", ... "(0A)", ... when a
// file of that name exists.

#include <ctime>
#include <filesystem>
#include <string>

namespace tabulon {

// The executable's file name without its folder and its last extension.
std::string ExecutableStem(const std::filesystem::path& executable);

// "<stem>_yymmdd.html" for the local date `date`.
std::string DefaultReportFileName(const std::filesystem::path& executable, const std::tm& date);

// "<desktop>/<stem>_out".
std::filesystem::path DesktopReportFolder(const std::string& desktop,
                                          const std::filesystem::path& executable);

// `folder`/`fileName` when nothing exists there, otherwise the first of
// "<name>(NN).<ext>" with NN = 1, 2, ... in upper-case hexadecimal of at
// least two digits at which nothing exists.
std::filesystem::path UniqueReportPath(const std::filesystem::path& folder,
                                       const std::string& fileName);

}  // namespace tabulon
