#pragma once
// Writing out the codec modules the viewer carries, at every start, before
// any is used: the Wavelet, MPEG-4 and audio decoders are rewritten each
// time; the MJPEG driver is written, and installed from its INF text, only
// when it is missing. Failures are silent: a module that cannot be written
// fails at its first use.
#include <functional>
#include <string>

namespace bv {

struct DeploymentObserver {
  // Called with the INF path after the text is written, before it is
  // installed and deleted.
  std::function<void(const std::string& infPath)> infWritten;
  // Called with the installer's result code.
  std::function<void(int result)> installed;
};

void DeployCodecModules(const DeploymentObserver& observer = {});

// The INF text, 53 lines separated by CR LF, none after the last.
const std::string& MjpegInfText();

}  // namespace bv
