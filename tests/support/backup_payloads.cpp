#include "tests/support/backup_payloads.h"

#include <gtest/gtest.h>

#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"

namespace bv::test {

std::vector<std::vector<uint8_t>> ReadPayloads(const std::string& path) {
  CHeadlessHost host;
  host.SetMessageSink(nullptr);
  CPlaybackController controller(host);
  EXPECT_TRUE(controller.OpenBackup(path, false));
  std::vector<std::vector<uint8_t>> payloads;
  for (uint32_t i = 0; i < controller.Count(); ++i) {
    EXPECT_TRUE(controller.Engine().ReadVideoRecord(controller.Index()[i]));
    payloads.emplace_back(controller.Engine().ReadBuffer(),
                          controller.Engine().ReadBuffer() + controller.Engine().PayloadSize());
  }
  return payloads;
}

}  // namespace bv::test
