# The installer and the zip as a user meets them, under Wine in a prefix of their own.
# Source after lib/wine.sh (a display must be running); install_suite sets install_passed and
# install_failed.

# A code-signing certificate of the run's own in $1 (cert.pem, test.pfx), as a shop's would
# be; exports MARLISK_SIGN_PFX and MARLISK_SIGN_PASSWORD for scripts/package.
make_test_certificate() {
  local dir=$1
  mkdir -p "$dir"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 2 \
    -subj "/CN=MarliskAuto test signing" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 &&
    openssl pkcs12 -export -inkey "$dir/key.pem" -in "$dir/cert.pem" -out "$dir/test.pfx" \
      -passout pass:marlisk-test >/dev/null 2>&1 || { echo "install: no test certificate could be made"; return 1; }
  export MARLISK_SIGN_PFX="$dir/test.pfx" MARLISK_SIGN_PASSWORD=marlisk-test
}

# Whether `file` carries a good signature of the test certificate.
signed_by_test_certificate() {
  osslsigncode verify -CAfile "$ROOT/build/signing/cert.pem" -in "$1" 2>&1 | grep -q '^Signature verification: ok'
}

install_suite() {
  local version prefix="$ROOT/build/wine-install" setup
  version=$(head -1 "$ROOT/VERSION")
  setup="$ROOT/dist/MarliskAuto-$version-setup.exe"
  local saved=$WINEPREFIX
  install_passed=0 install_failed=0
  check() {  # description, then a test command
    local what=$1; shift
    if "$@"; then install_passed=$((install_passed + 1)); else install_failed=$((install_failed + 1)); echo "install: FAILED: $what"; fi
  }
  export WINEPREFIX=$prefix
  if ! wine_create_prefix "$prefix"; then
    install_failed=1
    export WINEPREFIX=$saved
    return
  fi
  local user program work outputs
  user=$(ls "$prefix/drive_c/users" | grep -v -x Public | head -1)
  program="$prefix/drive_c/Program Files/Brennamor/MarliskAuto"
  work="$prefix/drive_c/users/$user/AppData/Local/Brennamor/MarliskAuto"
  outputs="$prefix/drive_c/HpglData/OutData"

  # A silent install with the default components.
  wine "$setup" /S </dev/null >/dev/null 2>&1
  wineserver -w
  check "the program, its help and Init are installed" \
    test -f "$program/MarliskAuto.exe" -a -f "$program/MarliskAuto.chm" -a -f "$program/Init/MarliskAuto.par" \
    -a -f "$program/README.txt" -a -f "$program/LICENSE.txt" -a -f "$program/Uninstall.exe"
  check "the reference converter is installed by default, silently too" test -f "$program/RefConverter/RefConverter.exe"
  local signed
  for signed in "$setup" "$program/MarliskAuto.exe" "$program/RefConverter/RefConverter.exe" "$program/Uninstall.exe" \
    "$ROOT/build/package/MarliskAuto-$version/MarliskAuto.exe"; do
    check "signed: ${signed#"$ROOT/"}" signed_by_test_certificate "$signed"
  done
  check "Start-menu shortcuts for all users, the README among them" \
    test -f "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/MarliskAuto/MarliskAuto.lnk" \
    -a -f "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/MarliskAuto/README.lnk"
  check "README.txt starts with a BOM" bash -c "head -c 3 '$program/README.txt' | od -An -tx1 | grep -q 'ef bb bf'"
  check "an entry in the system's list of programs" \
    bash -c "wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MarliskAuto' /v DisplayName 2>/dev/null | grep -q 'MarliskAuto $version'"

  # The installed program starts, makes the user's working folder from the installed Init,
  # and converts a batch with the test viewer standing where the shipped settings look.
  mkdir -p "$prefix/drive_c/Program Files/Brennamor/Marlisk" "$outputs"
  cp "$ROOT/build/win/TestViewer.exe" "$prefix/drive_c/Program Files/Brennamor/Marlisk/Marlisk.exe"
  local list="$ROOT/build/install-list.txt"
  printf '%s\r\n%s\r\n' "$(winpath "$ROOT/samples/flange.hgl")" "$(winpath "$ROOT/samples/floorplan.hgl")" >"$list"
  TESTVIEWER_CREATE_OUTPUTS=1 TESTVIEWER_LOG='C:\viewer.log' timeout 120 \
    wine 'C:\Program Files\Brennamor\MarliskAuto\MarliskAuto.exe' /c "$(winpath "$list")" </dev/null >/dev/null 2>&1
  check "the installed program ended its batch by itself" test $? -eq 0
  check "the working folder was made from the installed Init" cmp -s "$work/MarliskAuto.par" "$program/Init/MarliskAuto.par"
  check "the batch was converted" test -f "$outputs/flange.pdf" -a -f "$outputs/floorplan.pdf"

  # A silent uninstall takes the program away, and the user's start-at-logon shortcut with it,
  # and leaves the user's settings.
  local startup="$prefix/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp"
  mkdir -p "$startup" && cp "$ROOT/LICENSE" "$startup/MarliskAuto.lnk"
  wine 'C:\Program Files\Brennamor\MarliskAuto\Uninstall.exe' /S </dev/null >/dev/null 2>&1
  wineserver -w
  sleep 2
  wineserver -w
  check "the program's files are gone" test ! -e "$program"
  check "the Start-menu folder is gone" test -z "$(find "$prefix/drive_c" -path '*Start Menu/Programs/MarliskAuto' | head -1)"
  check "the entry in the list of programs is gone" \
    bash -c "! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MarliskAuto' >/dev/null 2>&1"
  check "the user's parameter file stays" test -f "$work/MarliskAuto.par"
  check "the user's start-at-logon shortcut is gone" test ! -e "$startup/MarliskAuto.lnk"

  # "/NOREFCONVERTER" leaves the converter out.
  wine "$setup" /S /NOREFCONVERTER </dev/null >/dev/null 2>&1
  wineserver -w
  check "/NOREFCONVERTER installs the program without the converter" \
    test -f "$program/MarliskAuto.exe" -a ! -e "$program/RefConverter"

  wineserver -k 2>/dev/null || true
  export WINEPREFIX=$saved
}
