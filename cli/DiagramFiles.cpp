#include <cli/DiagramFiles.h>

#include <exception>
#include <ostream>

#include <outputs/SvgDiagram.h>
#include <schema/SchemaReader.h>
#include <text/AtomicFile.h>

namespace tabulon {

DiagramHook DiagramWriter(TDao360& dao, const std::string& program, std::ostream& err,
                          bool& failed) {
  return
      [&dao, program, &err, &failed](dao::Database& database, const std::filesystem::path& report,
                                     const std::string& fileId) -> std::optional<std::string> {
        const std::string name = report.stem().string() + "_" + fileId + ".svg";
        const std::filesystem::path path = report.parent_path() / name;
        try {
          const std::string svg =
              outputs::DatabaseSvgDiagram(schema::ReadSchema(database), dao.DbName());
          WriteFileAtomically(path, svg, 0644);
          return name;
        } catch (const std::exception& e) {
          err << program << ": " << path.string() << ": " << e.what() << "\n";
          failed = true;
          return std::nullopt;
        }
      };
}

}  // namespace tabulon
