#include "app/topmost_window_check.h"

#include <dlfcn.h>

#include <QGuiApplication>
#include <cstring>

namespace bv {
namespace {

// Xlib is reached at run time, so the viewer neither links nor needs it on a
// display server without X11.
struct Xlib {
  using Display = void;
  using Window = unsigned long;
  Display* (*OpenDisplay)(const char*) = nullptr;
  int (*CloseDisplay)(Display*) = nullptr;
  Window (*DefaultRootWindow)(Display*) = nullptr;
  int (*QueryTree)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
  int (*FetchName)(Display*, Window, char**) = nullptr;
  int (*Free)(void*) = nullptr;

  bool Load() {
    void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    OpenDisplay = reinterpret_cast<decltype(OpenDisplay)>(dlsym(lib, "XOpenDisplay"));
    CloseDisplay = reinterpret_cast<decltype(CloseDisplay)>(dlsym(lib, "XCloseDisplay"));
    DefaultRootWindow = reinterpret_cast<decltype(DefaultRootWindow)>(dlsym(lib, "XDefaultRootWindow"));
    QueryTree = reinterpret_cast<decltype(QueryTree)>(dlsym(lib, "XQueryTree"));
    FetchName = reinterpret_cast<decltype(FetchName)>(dlsym(lib, "XFetchName"));
    Free = reinterpret_cast<decltype(Free)>(dlsym(lib, "XFree"));
    return OpenDisplay && CloseDisplay && DefaultRootWindow && QueryTree && FetchName && Free;
  }
};

bool HasTitle(const Xlib& x, Xlib::Display* display, Xlib::Window window, const std::string& title) {
  char* name = nullptr;
  if (!x.FetchName(display, window, &name) || !name) return false;
  const bool same = title == name;
  x.Free(name);
  return same;
}

}  // namespace

bool TopLevelWindowExists(const std::string& title) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
  Xlib x;
  if (!x.Load()) return false;
  Xlib::Display* display = x.OpenDisplay(nullptr);
  if (!display) return false;
  bool found = false;
  Xlib::Window root = 0;
  Xlib::Window parent = 0;
  Xlib::Window* children = nullptr;
  unsigned count = 0;
  if (x.QueryTree(display, x.DefaultRootWindow(display), &root, &parent, &children, &count)) {
    // Top-level windows, and the client windows a window manager reparents
    // one level down.
    for (unsigned i = 0; i < count && !found; ++i) {
      found = HasTitle(x, display, children[i], title);
      Xlib::Window* inner = nullptr;
      unsigned innerCount = 0;
      if (!found && x.QueryTree(display, children[i], &root, &parent, &inner, &innerCount)) {
        for (unsigned k = 0; k < innerCount && !found; ++k) found = HasTitle(x, display, inner[k], title);
        if (inner) x.Free(inner);
      }
    }
    if (children) x.Free(children);
  }
  x.CloseDisplay(display);
  return found;
}

}  // namespace bv
