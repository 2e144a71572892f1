#!/usr/bin/env bash
# Installs what the viewer needs, builds it and starts it on the demo backup.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
build/tools/zrvtool make-sample build/demo >/dev/null
build/tools/zrvtool info build/demo/demo-mjpg.zrv
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start the viewer on a desktop with: build/backup-viewer --play build/demo/demo-mjpg.zrv"
  exit 0
fi
exec build/backup-viewer --play build/demo/demo-mjpg.zrv
