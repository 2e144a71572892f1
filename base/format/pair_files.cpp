#include "base/format/pair_files.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace bv {
namespace {

bool AllUpper(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](unsigned char c) { return std::isalpha(c); }) &&
         std::none_of(s.begin(), s.end(), [](unsigned char c) { return std::islower(c); });
}

}  // namespace

std::string PairDataFile(const std::string& indexPath) {
  const std::filesystem::path index(indexPath);
  const std::string stem = index.stem().string();
  const std::string indexExtension = index.extension().string();
  // "OLD.IDX" is spelled exactly by "OLD.SAV", "old.idx" by "old.sav".
  const std::string extension = AllUpper(indexExtension) ? ".SAV" : ".sav";
  const std::filesystem::path exact = index.parent_path() / (stem + extension);
  std::error_code ec;
  if (std::filesystem::is_regular_file(exact, ec)) return exact.string();

  const std::filesystem::path dir = index.parent_path().empty() ? std::filesystem::path(".") : index.parent_path();
  // Several pairs copied from different machines into one directory may
  // differ in case only: the name closest to the exact spelling (fewest
  // letters of another case) is the index's partner.
  const std::string wanted = stem + extension;
  std::string best;
  size_t bestDistance = SIZE_MAX;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (strcasecmp(name.c_str(), wanted.c_str()) != 0 || !entry.is_regular_file(ec)) continue;
    size_t distance = 0;
    for (size_t i = 0; i < name.size(); ++i) distance += name[i] != wanted[i];
    // Equal distances: the first name in byte order, whatever order the
    // directory lists them in.
    if (distance < bestDistance || (distance == bestDistance && name < best)) {
      best = name;
      bestDistance = distance;
    }
  }
  if (bestDistance == SIZE_MAX) return exact.string();
  return (index.parent_path() / best).string();
}

}  // namespace bv
