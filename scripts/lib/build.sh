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

# The fuzz targets, with clang's libFuzzer, AddressSanitizer and UBSan, into $1 (build/fuzz).
build_fuzz() {
  local jobs dir=${1:-$ROOT/build/fuzz}
  jobs=$(nproc 2>/dev/null || echo 2)
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARLISK_FUZZ=ON >/dev/null
  cmake --build "$dir" -j"$jobs"
}

# The zip and the installer into dist/ from an existing build/win. With MARLISK_SIGN_PFX (a
# PKCS#12 file) and MARLISK_SIGN_PASSWORD, every program in them is signed: MarliskAuto.exe,
# RefConverter.exe, the uninstaller before the installer packs it, and the installer.
package() {
  local version dist="$ROOT/dist" stage
  version=$(head -1 "$ROOT/VERSION")
  stage="$ROOT/build/package/MarliskAuto-$version"
  rm -rf "$ROOT/build/package" && mkdir -p "$stage" "$dist"
  # Without the debug information of the build: a tenth of the size.
  x86_64-w64-mingw32-strip -o "$stage/MarliskAuto.exe" "$ROOT/build/win/MarliskAuto.exe"
  x86_64-w64-mingw32-strip -o "$ROOT/build/package/RefConverter.exe" "$ROOT/build/win/RefConverter.exe"
  local signing=()
  if [ -n "${MARLISK_SIGN_PFX:-}" ]; then
    [ -f "$MARLISK_SIGN_PFX" ] || { echo "package: error: no certificate at $MARLISK_SIGN_PFX"; return 1; }
    "$ROOT/scripts/lib/sign-file.sh" "$stage/MarliskAuto.exe" || { echo "package: error: MarliskAuto.exe could not be signed"; return 1; }
    "$ROOT/scripts/lib/sign-file.sh" "$ROOT/build/package/RefConverter.exe" ||
      { echo "package: error: RefConverter.exe could not be signed"; return 1; }
    signing=(-DSIGNCOMMAND="$ROOT/scripts/lib/sign-file.sh")
  fi
  cp "$ROOT/build/win/MarliskAuto.chm" "$stage/"
  cp -r "$ROOT/build/win/Init" "$stage/Init"
  # With a BOM: older Japanese Notepad takes a text without one for Shift-JIS.
  { printf '\xEF\xBB\xBF'; sed "s/@VERSION@/$version/g" "$ROOT/installer/README.txt"; } >"$stage/README.txt"
  cp "$ROOT/LICENSE" "$stage/LICENSE.txt"
  rm -f "$dist/MarliskAuto-$version-x64.zip"
  (cd "$ROOT/build/package" && zip -qr "$dist/MarliskAuto-$version-x64.zip" "MarliskAuto-$version")
  # The licence page wraps its text itself: each paragraph as one line.
  awk 'BEGIN { RS = ""; ORS = "\r\n\r\n" } { gsub(/\n/, " "); print }' "$ROOT/LICENSE" >"$ROOT/build/package/LICENSE-page.txt"
  makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DREFCONVERTER="$ROOT/build/package/RefConverter.exe" -DSOURCE="$ROOT" \
    -DLICENSEPAGE="$ROOT/build/package/LICENSE-page.txt" "${signing[@]}" \
    -DOUTFILE="$dist/MarliskAuto-$version-setup.exe" \
    "$ROOT/installer/MarliskAuto.nsi"
  echo "package: $(ls -l "$dist" | awk 'NR > 1 { printf "%s (%s bytes)  ", $9, $5 }')"
}
