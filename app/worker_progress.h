#pragma once
// Long work of the File menu (exports, reports) on a worker thread while a
// window-modal progress dialog shows how far it is and offers Cancel; the
// viewer keeps playing meanwhile. The work gets a progress callback that
// returns false once Cancel was pressed, Escape hit or the dialog closed.
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace bv {

using WorkProgress = std::function<bool(uint32_t done, uint32_t total)>;

// Runs work on a worker thread and returns when it has ended. work must not
// touch the viewer: everything it needs is copied before.
void RunWithProgressDialog(QWidget* parent, const QString& title, const QString& label,
                           const std::function<void(const WorkProgress& progress)>& work);

// "/hall/cam1.zrv" -> "/hall/cam1" + extension; a name without an extension
// gets one.
std::string PathWithExtension(const std::string& path, const std::string& extension);

}  // namespace bv
