#include <inventory/Scan.h>

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include <dao/Dao360.h>
#include <outputs/Inventory.h>
#include <outputs/InventoryGraph.h>
#include <platform/FolderWalk.h>
#include <report/ReportRun.h>
#include <schema/SchemaReader.h>
#include <targets/ForEachDatabase.h>
#include <targets/OpenFailureText.h>
#include <targets/TargetLine.h>
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

// `opener` gets the index of the password that opened the file (-1: none
// was needed or none did), for its report only.
InventoryRow Describe(const std::string& path, TDao360& dao,
                      const std::vector<std::string>& passwords, int& opener) {
  opener = -1;
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
    if (row.Opened) opener = static_cast<int>(i);
  }
  for (InventoryLink& link : row.Links) link.Resolved = Resolve(link.Target, path);
  if (!encryption.empty() && row.Protection.empty()) row.Protection = encryption;
  const FileFacts after = Facts(path);
  if (after.Size != before.Size || after.ModifiedNs != before.ModifiedNs) {
    row.Unread.push_back("読んでいる間にファイルが変わりました");
  }
  return row;
}

// A report run's front for one database written on a worker: no controls,
// no bars; failures kept for the inventory's row.
class QuietFront : public ReportFront {
 public:
  std::vector<std::string> Failures;
  void SetControlsEnabled(bool) override {}
  std::optional<std::filesystem::path> AskSavePath(const std::string&) override {
    return std::nullopt;
  }
  void SetBusy(bool) override {}
  void SetProgressMaximum(ProgressBar, int) override {}
  void SetProgressPosition(ProgressBar, int) override {}
  void ReportFailure(const std::string& text) override { Failures.push_back(text); }
  void TargetNotOpened(const OpenFailure& failure) override {
    Failures.push_back(std::string(KindWords(failure.Kind)) + ": " + failure.Text);
  }
};

// The full report of the database of `row` as `reports/<number>.html` in
// the output folder; the row names it, or says why there is none.
void WriteFullReport(InventoryRow& row, std::size_t number, const std::string& password,
                     TDao360& dao, Wording& wording, const InventoryRequest& request) {
  const std::string name = "reports/" + std::to_string(number + 1) + ".html";
  ReportSettings settings;
  settings.Where = Destination::GivenPath;
  settings.OutputPath = request.Output / name;
  settings.ExecutablePath = request.ExecutablePath;
  QuietFront front;
  AnchorRegistry anchors;
  const ReportOutcome outcome = RunReport(
      dao, wording, anchors, {TargetLineOf(Target{"", password, row.Path, {}})}, settings, front);
  if (outcome.Complete && outcome.Written == 1 && front.Failures.empty()) {
    row.FullReport = name;
    return;
  }
  std::string why = front.Failures.empty() ? "incomplete" : front.Failures.front();
  row.Unread.push_back("レポートを書けませんでした: " + why);
}

// Links whose target was found at a path other than the one its row has
// (the stored absolute path, a relative walk) take the row's path, so that
// the graph and the groups see one file once.
void UnifyLinkTargets(std::vector<InventoryRow>& rows) {
  namespace fs = std::filesystem;
  bool any = false;
  for (const InventoryRow& row : rows) any = any || !row.Links.empty();
  if (!any) return;
  std::map<std::string, std::string> byCanonical;
  std::error_code error;
  for (const InventoryRow& row : rows) {
    const fs::path canonical = fs::weakly_canonical(row.Path, error);
    if (!error) byCanonical.emplace(canonical.string(), row.Path);
  }
  for (InventoryRow& row : rows) {
    for (InventoryLink& link : row.Links) {
      if (link.Resolved.empty()) continue;
      const fs::path canonical = fs::weakly_canonical(link.Resolved, error);
      if (error) continue;
      const auto found = byCanonical.find(canonical.string());
      if (found != byCanonical.end()) link.Resolved = found->second;
    }
  }
}

}  // namespace

InventoryOutcome RunInventory(const InventoryRequest& request,
                              const std::function<std::unique_ptr<dao::Engine>()>& engine,
                              const InventoryObserver& observer) {
  InventoryOutcome outcome;
  std::vector<std::string> passwords;
  if (!request.Passwords.empty()) {
    struct stat status {};
    if (stat(request.Passwords.c_str(), &status) != 0) {
      observer.Problem(request.Passwords + ": " + std::strerror(errno));
      outcome.Refused = true;
      return outcome;
    }
    if ((status.st_mode & 077) != 0) {
      observer.Problem(request.Passwords +
                       ": others may read it; make it readable by its owner only (chmod 600)");
      outcome.Refused = true;
      return outcome;
    }
    std::ifstream in(request.Passwords, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) passwords.push_back(line);
    }
  }
  if (request.Reports && request.ReportWording == nullptr) {
    observer.Problem("reports asked for without their wording");
    outcome.Refused = true;
    return outcome;
  }
  InventoryRun run;
  run.Roots = request.Folders;
  run.Started = UtcText(std::time(nullptr));
  const FolderWalk walk = FindAccessFiles(request.Folders, MaxDepth, MaxEntries);
  run.Unreadable = walk.Unreadable;
  run.Truncated = walk.Truncated;
  for (const std::string& folder : walk.Unreadable) observer.Problem(folder);
  if (walk.Truncated) {
    observer.Problem("the walk reached its bounds (" + std::to_string(MaxDepth) +
                     " folders deep, " + std::to_string(MaxEntries) +
                     " entries); files beyond them are not in the index");
  }

  const std::vector<std::string>& files = walk.Files;
  std::vector<InventoryRow> rows(files.size());
  std::vector<char> done(files.size(), 0);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> finished{0};
  std::atomic<bool> stop{false};
  std::mutex lock;
  std::condition_variable changed;
  std::size_t running = 0;
  std::vector<std::string> faults;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(
      files.size(), request.Workers > 0 ? static_cast<std::size_t>(request.Workers) : cores);
  const auto work = [&] {
    try {
      TDao360 dao(engine());
      std::optional<Wording> wording;
      if (request.Reports) wording.emplace(*request.ReportWording);
      for (std::size_t i = next++; i < files.size() && !stop; i = next++) {
        int opener = -1;
        rows[i] = Describe(files[i], dao, passwords, opener);
        if (wording && rows[i].Opened) {
          WriteFullReport(rows[i], i, opener < 0 ? "" : passwords[static_cast<std::size_t>(opener)],
                          dao, *wording, request);
        }
        done[i] = 1;
        ++finished;
      }
    } catch (const std::exception& e) {
      // A fault of the program, not of a file: said, and the index is incomplete.
      const std::lock_guard<std::mutex> guard(lock);
      faults.push_back(e.what());
      stop = true;
    }
    const std::lock_guard<std::mutex> guard(lock);
    --running;
    changed.notify_all();
  };
  std::vector<std::thread> threads;
  running = workers;
  for (std::size_t i = 0; i < workers; ++i) threads.emplace_back(work);
  {
    std::unique_lock<std::mutex> guard(lock);
    while (running > 0) {
      changed.wait_for(guard, std::chrono::milliseconds(200));
      guard.unlock();
      if (observer.StopRequested()) stop = true;
      observer.Progress(finished, files.size());
      guard.lock();
    }
  }
  for (std::thread& thread : threads) thread.join();
  observer.Progress(finished, files.size());
  for (const std::string& fault : faults) observer.Problem(fault);

  std::vector<InventoryRow> written;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (done[i] != 0) written.push_back(std::move(rows[i]));
  }
  std::vector<InventoryRow>().swap(rows);
  UnifyLinkTargets(written);
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
      for (std::size_t k = nextHash++; k < hashed.size() && !observer.StopRequested();
           k = nextHash++) {
        hashed[k]->ContentHash = InventoryContentHash(hashed[k]->Path);
      }
    });
  }
  for (std::thread& thread : hashers) thread.join();
  run.Complete = written.size() == files.size();

  const std::filesystem::path& folder = request.Output;
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  // Drawn and written before the index, which shows it only when it is there.
  try {
    const std::string graph = outputs::InventoryLinkSvg(written);
    if (!graph.empty()) {
      WriteFileAtomically(folder / "links.svg", graph, 0644);
      run.LinkGraph = "links.svg";
    }
  } catch (const std::exception& e) {
    observer.Problem((folder / "links.svg").string() + ": " + e.what());
    outcome.WriteFailed = true;
  }
  // Each written as it is made: memory stays that of a piece of one.
  const std::pair<const char*, std::function<void(const InventorySink&)>> outputs[] = {
      {"inventory.csv", [&](const InventorySink& write) { WriteInventoryCsv(written, write); }},
      {"inventory.json",
       [&](const InventorySink& write) { WriteInventoryJson(written, run, write); }},
      {"index.html", [&](const InventorySink& write) { WriteInventoryHtml(written, run, write); }}};
  for (const auto& [name, make] : outputs) {
    try {
      AtomicFile file(folder / name, 0644);
      make([&](std::string_view bytes) { file.Write(bytes); });
      file.Commit();
    } catch (const std::exception& e) {
      observer.Problem((folder / name).string() + ": " + e.what());
      outcome.WriteFailed = true;
    }
  }
  outcome.Found = files.size();
  outcome.Read = written.size();
  for (const InventoryRow& row : written) outcome.Opened += row.Opened ? 1 : 0;
  outcome.Complete = run.Complete;
  outcome.Truncated = run.Truncated;
  outcome.UnreadableFolders = run.Unreadable.size();
  outcome.Index = folder / "index.html";
  return outcome;
}

}  // namespace tabulon
