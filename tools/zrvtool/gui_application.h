#pragma once
// The toolkit's application object for the commands that draw texts
// (snapshots, printed pages), on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise. A command makes one before anything it
// draws and keeps it until it returns: the toolkit must go before the
// process's own exit handlers run.
#include <memory>

class QGuiApplication;

namespace bv::tool {

class CToolGuiApplication {
 public:
  CToolGuiApplication();
  ~CToolGuiApplication();
  CToolGuiApplication(const CToolGuiApplication&) = delete;
  CToolGuiApplication& operator=(const CToolGuiApplication&) = delete;

  // False (with a message) when no font can be had: texts would silently
  // come out empty.
  bool HasFonts() const;

 private:
  std::unique_ptr<QGuiApplication> application_;
};

}  // namespace bv::tool
