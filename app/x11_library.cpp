#include "app/x11_library.h"

#include <dlfcn.h>

#include <QGuiApplication>

namespace bv {

const XlibCalls* Xlib() {
  static const XlibCalls* calls = []() -> const XlibCalls* {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return nullptr;
    static XlibCalls x;
    auto load = [lib](auto& fn, const char* name) { fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name)); return fn != nullptr; };
    const bool ok = load(x.OpenDisplay, "XOpenDisplay") && load(x.CloseDisplay, "XCloseDisplay") &&
                    load(x.DefaultRootWindow, "XDefaultRootWindow") && load(x.QueryTree, "XQueryTree") &&
                    load(x.FetchName, "XFetchName") && load(x.Free, "XFree") &&
                    load(x.GetWMNormalHints, "XGetWMNormalHints") && load(x.SetWMNormalHints, "XSetWMNormalHints") &&
                    load(x.Flush, "XFlush");
    return ok ? &x : nullptr;
  }();
  return calls;
}

XlibCalls::Display* XlibDisplay() {
  static XlibCalls::Display* display = Xlib() ? Xlib()->OpenDisplay(nullptr) : nullptr;
  return display;
}

}  // namespace bv
