#pragma once
// Containers and documents of the object model: the catalog's containers
// (Tables, Forms, Reports, Scripts, Modules, ...) and the objects whose
// parent each one is, by name without regard to case. A document carries
// what the catalog knows of it: its name, its container and its dates.

#include <memory>
#include <string>

#include <dao/ObjectModel.h>
#include <jet/Catalog.h>
#include <jet/JetCollection.h>

namespace tabulon::jet {

class JetDocument : public dao::Document {
 public:
  // `entry` must outlive the document (the file's catalog holds it).
  JetDocument(const CatalogEntry& entry, std::string container)
      : FEntry(entry), FContainer(std::move(container)) {}
  std::string Name() override { return FEntry.Name; }
  std::string Container() override { return FContainer; }
  dao::Variant DateCreated() override;
  dao::Variant LastUpdated() override;

 private:
  const CatalogEntry& FEntry;
  std::string FContainer;
};

class JetContainer : public dao::Container {
 public:
  // `entry` and `catalog` must outlive the container; the documents are the
  // catalog's entries whose parent is `entry`, found on first use.
  JetContainer(const CatalogEntry& entry, const std::vector<CatalogEntry>& catalog);
  std::string Name() override { return FEntry.Name; }
  dao::Collection<dao::Document>& Documents() override { return *FDocuments; }

 private:
  const CatalogEntry& FEntry;
  std::unique_ptr<ListCollection<dao::Document>> FDocuments;
};

}  // namespace tabulon::jet
