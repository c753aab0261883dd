#include "filelist/SetListing.h"

namespace kivora::filelist {

SetListing ListSet(std::span<const PartRecord> parts, std::span<const WrittenRecoveryFile> recovery,
                   const std::string& definitionName, std::int64_t definitionSize) {
  SetListing listing;
  listing.noDefinitionRow = definitionName.empty();
  listing.definitionSize = listing.noDefinitionRow ? 0 : definitionSize;
  listing.sizes = BuildSplitSizeTable(parts, recovery);
  if (!listing.noDefinitionRow) listing.rows.push_back({"", definitionName, ""});
  for (const PartRecord& part : parts) listing.rows.push_back({"", part.FileName, ""});
  for (const WrittenRecoveryFile& file : recovery)
    listing.rows.push_back({"", file.path.filename().string(), ""});
  return listing;
}

}  // namespace kivora::filelist
