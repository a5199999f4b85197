# Configures and builds both targets: build/native (the core and its tests, with sanitizers)
# and build/win (MarliskAuto.exe, its tools and the Wine tests).
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}

build_all() {
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  cmake -S "$ROOT" -B "$ROOT/build/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$ROOT/build/native" -j"$jobs"
  build_win
}

build_win() {
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  cmake -S "$ROOT" -B "$ROOT/build/win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$ROOT/build/win" -j"$jobs"
}
