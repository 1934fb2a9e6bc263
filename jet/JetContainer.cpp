#include <jet/JetContainer.h>

#include <algorithm>

#include <text/TextCompare.h>

namespace tabulon::jet {

dao::Variant JetDocument::DateCreated() { return CatalogDate(FEntry.DateCreate); }

dao::Variant JetDocument::LastUpdated() { return CatalogDate(FEntry.DateUpdate); }

JetContainer::JetContainer(const CatalogEntry& entry, const std::vector<CatalogEntry>& catalog)
    : FEntry(entry) {
  FDocuments = std::make_unique<ListCollection<dao::Document>>(
      "ドキュメント", [](dao::Document& d) { return d.Name(); },
      [this, &catalog](auto& documents) {
        std::vector<const CatalogEntry*> children;
        for (const CatalogEntry& child : catalog) {
          if (child.ParentId == FEntry.Id && &child != &FEntry && !child.Name.empty())
            children.push_back(&child);
        }
        std::stable_sort(children.begin(), children.end(), [](const auto* a, const auto* b) {
          return CompareNoCase(a->Name, b->Name) < 0;
        });
        for (const CatalogEntry* child : children)
          documents.push_back(std::make_unique<JetDocument>(*child, FEntry.Name));
      });
}

}  // namespace tabulon::jet
