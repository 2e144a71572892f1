#pragma once
// The data file of an old index/data pair. Recorder media come from Windows
// machines, where names match without regard to case: "OLD.IDX" goes with
// "OLD.SAV", "old.sav" or "Old.Sav" alike.
#include <string>

namespace bv {

// The ".sav" file beside indexPath: the same stem, the extension ".sav" in
// any case (the stem too matches without case). The exact spelling (stem as
// the index has it, extension in the index extension's case) wins when
// several exist, then the name with the fewest letters of another case. When none exists, the path as it would be spelled, so that
// opening it fails with that name.
std::string PairDataFile(const std::string& indexPath);

}  // namespace bv
