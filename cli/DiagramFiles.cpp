#include <cli/DiagramFiles.h>

#include <exception>
#include <future>
#include <ostream>
#include <vector>

#include <outputs/SvgDiagram.h>
#include <schema/SchemaReader.h>
#include <text/AtomicFile.h>

namespace tabulon {

namespace {

struct Drawn {
  std::string Name;     // the file to link; "" when it failed
  std::string Failure;  // "<path>: <why>"
};

Drawn Draw(const schema::Database& database, const std::string& title,
           const std::filesystem::path& folder, const std::string& stem) {
  std::filesystem::path path = folder / (stem + ".svg");
  try {
    const std::vector<outputs::DiagramFile> files =
        outputs::DatabaseSvgDiagrams(database, title, stem);
    // The sheets first: the linked file is complete only when they are.
    for (std::size_t i = files.size(); i-- > 0;) {
      path = folder / files[i].Name;
      WriteFileAtomically(path, files[i].Svg, 0644);
    }
    return {files.front().Name, ""};
  } catch (const std::exception& e) {
    return {"", path.string() + ": " + e.what()};
  }
}

}  // namespace

DiagramHook DiagramWriter(TDao360& dao, const std::string& program, std::ostream& err,
                          bool& failed) {
  return
      [&dao, program, &err, &failed](dao::Database& database, const std::filesystem::path& report,
                                     const std::string& fileId) -> DiagramDone {
        // The object model is the report's thread's alone; what is read from
        // it is plain data the drawing thread may keep.
        std::shared_future<Drawn> drawing =
            std::async(std::launch::async, Draw, schema::ReadSchema(database), dao.DbName(),
                       report.parent_path(), report.stem().string() + "_" + fileId)
                .share();
        return [drawing, program, &err, &failed]() -> std::optional<std::string> {
          const Drawn& drawn = drawing.get();
          if (drawn.Name.empty()) {
            err << program << ": " << drawn.Failure << "\n";
            failed = true;
            return std::nullopt;
          }
          return drawn.Name;
        };
      };
}

}  // namespace tabulon
