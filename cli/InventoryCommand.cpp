#include <cli/InventoryCommand.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <ostream>
#include <thread>

#include <cli/ExitStatus.h>
#include <cli/OpenFailureText.h>
#include <cli/StopSignals.h>
#include <dao/Dao360.h>
#include <outputs/Inventory.h>
#include <platform/FolderWalk.h>
#include <schema/SchemaReader.h>
#include <targets/ForEachDatabase.h>
#include <text/AtomicFile.h>
#include <text/TextCompare.h>

namespace tabulon {

namespace {

// Bounds of the walk.
constexpr int MaxDepth = 64;
constexpr std::size_t MaxEntries = 2'000'000;

std::string UtcText(std::time_t when) {
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
  return text;
}

struct FileFacts {
  bool Found = false;
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;
};

FileFacts Facts(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return {};
  return {
      true, static_cast<std::int64_t>(status.st_size),
      static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// What the header page says: the engine's format and, for ACE, the Office
// encryption it describes at 0x299 (a length, then the scheme's version),
// which lies outside the part of the page that is obscured.
std::string FormatOf(const std::string& path, std::string& encryption) {
  unsigned char head[0x2A0] = {};
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const std::streamsize read = in.gcount();
  if (read < 0x15) return "";
  const std::string engine(reinterpret_cast<const char*>(head + 4), 15);
  if (engine != "Standard Jet DB" && engine != "Standard ACE DB") return "";
  const unsigned version = head[0x14];
  if (version >= 2 && read >= 0x2A0 && (head[0x299] | head[0x29A] << 8) >= 4) {
    const unsigned major = head[0x29B] | head[0x29C] << 8;
    const unsigned minor = head[0x29D] | head[0x29E] << 8;
    encryption = "Office encryption (" +
                 std::string(major == 4 && minor == 4 ? "agile" : "standard") + " " +
                 std::to_string(major) + "." + std::to_string(minor) + ")";
  }
  static const char* const versions[] = {"Jet 3",  "Jet 4",  "ACE 12", "ACE 14",
                                         "ACE 15", "ACE 16", "ACE 17"};
  return version < 7 ? versions[version] : "ACE (" + std::to_string(version) + ")";
}

// Where a linked table's database is, looked for as Access looks: at the
// stored path, then by its file name beside the front end.
std::string Resolve(const std::string& target, const std::string& frontEnd) {
  namespace fs = std::filesystem;
  if (target.empty()) return "";
  std::error_code error;
  if (fs::is_regular_file(target, error)) return target;
  const std::size_t cut = target.find_last_of("\\/");
  const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
  const fs::path folder = fs::path(frontEnd).parent_path();
  const fs::path beside = (folder.empty() ? fs::path(".") : folder) / name;
  if (fs::is_regular_file(beside, error)) return beside.string();
  // Windows names ignore case: the folder is looked through, within bounds.
  std::size_t looked = 0;
  for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, error), end;
       !error && entry != end && looked < 10'000; entry.increment(error), ++looked) {
    if (EqualsNoCase(entry->path().filename().string(), name) && entry->is_regular_file(error)) {
      return entry->path().string();
    }
  }
  return "";
}

InventoryRow Describe(const std::string& path, TDao360& dao,
                      const std::vector<std::string>& passwords) {
  InventoryRow row;
  row.Path = path;
  const FileFacts before = Facts(path);
  row.Size = before.Size;
  row.Modified =
      before.Found ? UtcText(static_cast<std::time_t>(before.ModifiedNs / 1'000'000'000)) : "";
  std::string encryption;
  row.Format = FormatOf(path, encryption);
  ForEachHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) {
    row.Failure = std::string(KindWords(failure.Kind)) + ": " + failure.Text;
    if (failure.Kind == dao::ErrorKind::WrongPassword) {
      row.Protection = encryption.empty() ? "database password" : encryption;
    }
  };
  const auto describe = [&](const Target&, TDao360& open) {
    row.Opened = true;
    row.Failure.clear();
    dao::Database& database = *open.Database();
    DescribeSchema(schema::ReadSchema(database), schema::ReadContainerCounts(database), row);
  };
  ForEachDatabase(dao, {Target{"", "", path, {}}}, describe, hooks);
  // The passwords given are tried in turn; which one opened the file is
  // kept nowhere.
  ForEachHooks quiet;
  quiet.NotOpened = [](const OpenFailure&) {};
  for (std::size_t i = 0; !row.Opened && !row.Protection.empty() && i < passwords.size(); ++i) {
    ForEachDatabase(dao, {Target{"", passwords[i], path, {}}}, describe, quiet);
  }
  for (InventoryLink& link : row.Links) link.Resolved = Resolve(link.Target, path);
  if (!encryption.empty() && row.Protection.empty()) row.Protection = encryption;
  const FileFacts after = Facts(path);
  if (after.Size != before.Size || after.ModifiedNs != before.ModifiedNs) {
    row.Unread.push_back("読んでいる間にファイルが変わりました");
  }
  return row;
}

}  // namespace

int RunInventory(const InventoryRequest& request,
                 const std::function<std::unique_ptr<dao::Engine>()>& engine, std::ostream& err) {
  std::vector<std::string> passwords;
  if (!request.Passwords.empty()) {
    struct stat status {};
    if (stat(request.Passwords.c_str(), &status) != 0) {
      err << request.Program << ": " << request.Passwords << ": " << std::strerror(errno) << "\n";
      return exit_status::Usage;
    }
    if ((status.st_mode & 077) != 0) {
      err << request.Program << ": " << request.Passwords
          << ": others may read it; make it readable by its owner only (chmod 600)\n";
      return exit_status::Usage;
    }
    std::ifstream in(request.Passwords, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) passwords.push_back(line);
    }
  }
  const StopSignals signals;
  InventoryRun run;
  run.Roots = request.Folders;
  run.Started = UtcText(std::time(nullptr));
  const FolderWalk walk = FindAccessFiles(request.Folders, MaxDepth, MaxEntries);
  run.Unreadable = walk.Unreadable;
  run.Truncated = walk.Truncated;
  for (const std::string& folder : walk.Unreadable) {
    err << request.Program << ": " << folder << "\n";
  }
  if (walk.Truncated) {
    err << request.Program << ": the walk reached its bounds (" << MaxDepth << " folders deep, "
        << MaxEntries << " entries); files beyond them are not in the index\n";
  }

  const std::vector<std::string>& files = walk.Files;
  std::vector<InventoryRow> rows(files.size());
  std::vector<char> done(files.size(), 0);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> finished{0};
  std::mutex failures;
  std::vector<std::string> faults;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(
      files.size(), request.Workers > 0 ? static_cast<std::size_t>(request.Workers) : cores);
  const auto work = [&] {
    try {
      TDao360 dao(engine());
      for (std::size_t i = next++; i < files.size() && !StopRequested(); i = next++) {
        rows[i] = Describe(files[i], dao, passwords);
        done[i] = 1;
        ++finished;
      }
    } catch (const std::exception& e) {
      // A fault of the program, not of a file: said, and the index is incomplete.
      const std::lock_guard<std::mutex> lock(failures);
      faults.push_back(e.what());
    }
  };
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < workers; ++i) threads.emplace_back(work);
  while (terminal && finished < files.size() && !StopRequested() && faults.empty()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::size_t count = finished;
    const double rate = seconds > 0 ? static_cast<double>(count) / seconds : 0;
    err << "\r" << request.Program << ": " << count << " / " << files.size() << " files";
    if (rate > 0) {
      err << " (" << static_cast<long long>(rate) << " files/s, about "
          << static_cast<long long>(static_cast<double>(files.size() - count) / rate) << " s left)";
    }
    err << "\033[K" << std::flush;
  }
  for (std::thread& thread : threads) thread.join();
  if (terminal) err << "\r\033[K";
  for (const std::string& fault : faults) err << request.Program << ": " << fault << "\n";

  std::vector<InventoryRow> written;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (done[i] != 0) written.push_back(std::move(rows[i]));
  }
  // Byte-identical files share their size: only those are read whole, on
  // the workers too.
  std::map<std::int64_t, std::vector<InventoryRow*>> bySize;
  for (InventoryRow& row : written) {
    if (row.Size > 0) bySize[row.Size].push_back(&row);
  }
  std::vector<InventoryRow*> hashed;
  for (auto& [size, same] : bySize) {
    if (same.size() >= 2) hashed.insert(hashed.end(), same.begin(), same.end());
  }
  std::atomic<std::size_t> nextHash{0};
  std::vector<std::thread> hashers;
  for (std::size_t i = 0; i < std::min(workers, hashed.size()); ++i) {
    hashers.emplace_back([&] {
      for (std::size_t k = nextHash++; k < hashed.size() && !StopRequested(); k = nextHash++) {
        hashed[k]->ContentHash = InventoryContentHash(hashed[k]->Path);
      }
    });
  }
  for (std::thread& thread : hashers) thread.join();
  run.Complete = written.size() == files.size();
  if (!run.Complete) {
    err << request.Program << ": stopped after " << written.size() << " of " << files.size()
        << " files; the index says it is incomplete\n";
  }
  int status = run.Complete && !run.Truncated && run.Unreadable.empty() ? exit_status::Ok
                                                                        : exit_status::Failed;
  const std::filesystem::path folder(request.Output);
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  // Each made only when it is written: memory stays that of one of them.
  const std::pair<const char*, std::function<std::string()>> outputs[] = {
      {"inventory.csv", [&] { return InventoryCsv(written); }},
      {"inventory.json", [&] { return InventoryJson(written, run); }},
      {"index.html", [&] { return InventoryHtml(written, run); }}};
  for (const auto& [name, make] : outputs) {
    try {
      WriteFileAtomically(folder / name, make(), 0644);
    } catch (const std::exception& e) {
      err << request.Program << ": " << (folder / name).string() << ": " << e.what() << "\n";
      status = exit_status::Failed;
    }
  }
  std::size_t opened = 0;
  for (const InventoryRow& row : written) opened += row.Opened ? 1 : 0;
  err << request.Program << ": " << written.size() << " databases (" << opened << " opened, "
      << written.size() - opened << " not) -> " << (folder / "index.html").string() << "\n";
  return status;
}

}  // namespace tabulon
