#include <cli/DocumentCommand.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include <outputs/JsonDocument.h>
#include <outputs/JsonWriter.h>
#include <outputs/MarkdownDocument.h>
#include <schema/SchemaReader.h>
#include <targets/ForEachDatabase.h>
#include <text/AtomicFile.h>

#include <cli/ExitStatus.h>
#include <targets/OpenFailureText.h>

namespace tabulon {

namespace {

constexpr mode_t FileMode = 0644;

// The document's two forms behind one face.
class Document {
 public:
  virtual ~Document() = default;
  virtual void AddDatabase(const std::string& path, TDao360& dao) = 0;
  virtual void AddNotOpened(const std::string& path, dao::ErrorKind kind,
                            const std::string& text) = 0;
  virtual void Finish() = 0;
};

class JsonForm : public Document {
 public:
  JsonForm(const DocumentRequest& request, TDao360& dao, std::function<void(std::string_view)> sink)
      : FWriter(std::move(sink)),
        FDocument(FWriter, request.Program, request.Version, dao.Engine(), dao.Workspace()) {}
  void AddDatabase(const std::string& path, TDao360& dao) override {
    FDocument.AddDatabase(path, *dao.Database());
  }
  void AddNotOpened(const std::string& path, dao::ErrorKind kind,
                    const std::string& text) override {
    FDocument.AddNotOpened(path, KindWords(kind), text);
  }
  void Finish() override { FDocument.Finish(); }

 private:
  outputs::JsonWriter FWriter;
  outputs::JsonDocument FDocument;
};

class MarkdownForm : public Document {
 public:
  MarkdownForm(const DocumentRequest& request, std::function<void(std::string_view)> sink)
      : FDocument(*request.Words, std::move(sink)) {}
  void AddDatabase(const std::string& path, TDao360& dao) override {
    FDocument.AddDatabase(FileNameOf(path), schema::ReadSchema(*dao.Database()));
  }
  void AddNotOpened(const std::string& path, dao::ErrorKind kind,
                    const std::string& text) override {
    FDocument.AddNotOpened(FileNameOf(path), std::string(KindWords(kind)) + ": " + text);
  }
  void Finish() override { FDocument.Finish(); }

 private:
  outputs::MarkdownDocument FDocument;
};

}  // namespace

int WriteDocument(TDao360& dao, const DocumentRequest& request, std::ostream& out,
                  std::ostream& err) {
  const bool toFile = !request.Output.empty() && request.Output != "-";
  std::optional<AtomicFile> file;
  try {
    if (toFile) file.emplace(request.Output, FileMode);
  } catch (const std::exception& e) {
    err << request.Program << ": " << e.what() << "\n";
    return exit_status::Failed;
  }
  std::function<void(std::string_view)> sink = [&](std::string_view text) {
    if (file) {
      file->Write(text);
    } else {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
  };
  int status = exit_status::Ok;
  try {
    std::unique_ptr<Document> document;
    if (request.Format == DocumentFormat::Json) {
      document = std::make_unique<JsonForm>(request, dao, sink);
    } else {
      document = std::make_unique<MarkdownForm>(request, sink);
    }
    ForEachHooks hooks;
    hooks.NotOpened = [&](const OpenFailure& failure) {
      err << OpenFailureLine(request.Program, failure) << "\n";
      document->AddNotOpened(failure.Path, failure.Kind, failure.Text);
      status = exit_status::Failed;
    };
    ForEachDatabase(
        dao, TargetsOfLines(request.Lines),
        [&](const Target& target, TDao360& open) { document->AddDatabase(target.Path, open); },
        hooks);
    document->Finish();
    if (file) {
      file->Commit();
      out << request.Output << "\n";
    } else {
      out.flush();
    }
  } catch (const std::exception& e) {
    err << request.Program << ": " << e.what() << "\n";
    return exit_status::Failed;
  }
  return status;
}

}  // namespace tabulon
