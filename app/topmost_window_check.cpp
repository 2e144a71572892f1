#include "app/topmost_window_check.h"

#include "app/x11_library.h"

namespace bv {
namespace {

bool HasTitle(const XlibCalls& x, XlibCalls::Display* display, XlibCalls::Window window, const std::string& title) {
  char* name = nullptr;
  if (!x.FetchName(display, window, &name) || !name) return false;
  const bool same = title == name;
  x.Free(name);
  return same;
}

}  // namespace

bool TopLevelWindowExists(const std::string& title) {
  const XlibCalls* x = Xlib();
  XlibCalls::Display* display = XlibDisplay();
  if (!x || !display) return false;
  bool found = false;
  XlibCalls::Window root = 0;
  XlibCalls::Window parent = 0;
  XlibCalls::Window* children = nullptr;
  unsigned count = 0;
  if (x->QueryTree(display, x->DefaultRootWindow(display), &root, &parent, &children, &count)) {
    // Top-level windows, and the client windows a window manager reparents
    // one level down.
    for (unsigned i = 0; i < count && !found; ++i) {
      found = HasTitle(*x, display, children[i], title);
      XlibCalls::Window* inner = nullptr;
      unsigned innerCount = 0;
      if (!found && x->QueryTree(display, children[i], &root, &parent, &inner, &innerCount)) {
        for (unsigned k = 0; k < innerCount && !found; ++k) found = HasTitle(*x, display, inner[k], title);
        if (inner) x->Free(inner);
      }
    }
    if (children) x->Free(children);
  }
  return found;
}

}  // namespace bv
