#!/usr/bin/env bash
# Installs what is missing, builds every preset once and runs the whole test
# suite: the default build in full, the AddressSanitizer + UBSan build on
# everything, the ThreadSanitizer build on the threaded serial layer, and the
# Windows cross build of the layers without Qt, its tests under Wine.
# Every run happens inside a private D-Bus session bus.
#   ./test.sh            all four presets
#   ./test.sh default    one preset only (default, asan, tsan or mingw)
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan tsan mingw)
jobs=$(nproc)
status=0
for preset in "${presets[@]}"; do
  echo "=== preset ${preset} ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  dbus-run-session -- ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
