// mkmdb: writes a Jet 4 .mdb file from a JSON description, or a generated
// benchmark schema; with --encrypt, an ACE file encrypted with the
// description's password. Exit status 0 on success, 1 for bad input (with a
// message naming the problem), 2 for wrong usage; no partial file is ever
// left at the output path.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include <text/AtomicFile.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/OfficeEncryption.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/SchemaJson.h>
#include <tools/jetwriter/Synthetic.h>

namespace {

constexpr int ExitBadInput = 1;
constexpr int ExitUsage = 2;

constexpr std::string_view Usage =
    "usage: mkmdb SCHEMA.json OUT.mdb\n"
    "       mkmdb --encrypt SCHEME [--spin-count N] SCHEMA.json OUT.accdb\n"
    "       mkmdb --synthetic tables=N,fields=M,indexes=K,relations=R[,rows=N[,edges=0]] "
    "OUT.mdb\n"
    "       mkmdb --help\n";

constexpr std::string_view Help =
    "Writes a Jet 4 (Access 2000) database file.\n"
    "\n"
    "  SCHEMA.json  a description of the database (tools/mkmdb/README.md)\n"
    "  --synthetic  a generated schema without rows: N tables of M fields,\n"
    "               K indexes per table (the first the primary key) and R\n"
    "               relationships in all; rows=N adds the table 明細 with N\n"
    "               rows of every common type (edges=0: without edge values)\n"
    "  OUT.mdb      the file to write (its folder is made when missing);\n"
    "               replaced only when writing succeeds\n"
    "  --encrypt    write an ACE (.accdb) file encrypted with the description's\n"
    "               password (required) in SCHEME: {}\n"
    "  --spin-count agile's hash rounds, 0 to 10000000 (default 100000)\n"
    "\n"
    "Exit status: 0 written, 1 bad input, 2 wrong usage.\n";

int Write(const tabulon::jetwriter::Database& db, const std::string& out,
          const std::optional<tabulon::jetwriter::OfficeEncryption>& encryption = std::nullopt) {
  tabulon::jetwriter::WrittenDatabase written = tabulon::jetwriter::WriteDatabase(db);
  if (encryption) {
    tabulon::jetwriter::OfficeEncryption withPassword = *encryption;
    withPassword.Password = db.Password;
    written.Bytes = tabulon::jetwriter::EncryptAsAce(std::move(written.Bytes), withPassword);
  }
  // The output's folder is made when missing (build/demo/ on a fresh clone).
  const std::filesystem::path folder = std::filesystem::path(out).parent_path();
  std::error_code error;
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error)
    throw std::runtime_error(
        fmt::format("cannot create the folder {}: {}", folder.string(), error.message()));
  try {
    tabulon::WriteFileAtomically(
        out,
        std::string_view(reinterpret_cast<const char*>(written.Bytes.data()), written.Bytes.size()),
        0644);
  } catch (const std::system_error& e) {
    throw std::runtime_error(fmt::format("cannot write {}: {}", out, e.code().message()));
  }
  return 0;
}

int Run(int argc, char** argv) {
  using namespace tabulon::jetwriter;
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << Usage << '\n' << fmt::format(fmt::runtime(Help), EncryptionSchemeNames);
    return 0;
  }
  std::optional<OfficeEncryption> encryption;
  while (argc >= 3 && (std::string_view(argv[1]) == "--encrypt" ||
                       std::string_view(argv[1]) == "--spin-count")) {
    const std::string_view option = argv[1];
    const std::string_view value = argv[2];
    if (!encryption) encryption.emplace();
    std::uint32_t spinCount = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), spinCount);
    if (option == "--encrypt" && EncryptionSchemeNamed(value)) {
      encryption->Scheme = *EncryptionSchemeNamed(value);
    } else if (option == "--spin-count" && error == std::errc() &&
               end == value.data() + value.size() && spinCount <= 10'000'000) {
      encryption->SpinCount = spinCount;
    } else {
      std::cerr << "mkmdb: " << option << " " << value << ": not one of "
                << (option == "--encrypt" ? EncryptionSchemeNames : "0 to 10000000") << '\n'
                << Usage;
      return ExitUsage;
    }
    argc -= 2;
    argv += 2;
  }
  if (argc == 4 && std::string_view(argv[1]) == "--synthetic" && !encryption) {
    std::string problem;
    const auto size = ParseSyntheticSize(argv[2], problem);
    if (!size) {
      std::cerr << "mkmdb: --synthetic " << argv[2] << ": " << problem << '\n' << Usage;
      return ExitUsage;
    }
    return Write(SyntheticSchema(*size), argv[3]);
  }
  if (argc != 3 || std::string_view(argv[1]).starts_with("-")) {
    std::cerr << Usage;
    return ExitUsage;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << fmt::format("mkmdb: cannot read {}\n", argv[1]);
    return ExitBadInput;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  try {
    return Write(ReadSchemaJson(text), argv[2], encryption);
  } catch (const SchemaError& error) {
    std::cerr << fmt::format("mkmdb: {}: {}\n", argv[1], error.what());
    return ExitBadInput;
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "mkmdb: " << error.what() << '\n';
    return ExitBadInput;
  }
}
