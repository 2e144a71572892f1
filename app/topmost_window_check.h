#pragma once
// Whether a top-level window with a given title exists on the X11 display
// the viewer runs on. False on other platforms or when X11 cannot be reached.
#include <string>

namespace bv {

bool TopLevelWindowExists(const std::string& title);

}  // namespace bv
