# The reference converter's vector and printer formats (DXF, PS, EPS, HGL, PCL, XPS, PCX),
# written from the corpus and a picture by RefConverter.exe under Wine, each opened by a
# reader someone else wrote (scripts/lib/formats.py). Source after lib/wine.sh and
# lib/program.sh, once wine_start has run.

formats_suite() {
  formats_passed=0 formats_failed=0
  local dir="$ROOT/build/formats" name file type
  rm -rf "$dir"
  mkdir -p "$dir"
  local names=() lines=()
  line() { lines+=("/p \"$(winpath "$1")\" \"$(winpath "$dir/$2")\""); }
  for file in "$ROOT"/samples/corpus/*.hgl "$ROOT"/samples/{gear-plate,site-plan-pcl}.hgl; do
    name=$(basename "$file" .hgl)
    names+=("$name")
    for type in png dxf ps eps hgl pcl xps pcx; do line "$file" "$name.$type"; done
  done
  echo 3 >"$dir/pages.pages"
  # A picture: the formats that hold pixels take it, DXF and HGL refuse it with the reason.
  names+=(scan)
  for type in png ps eps pcl xps pcx dxf hgl; do line "$ROOT/samples/scan.png" "scan.$type"; done
  # The PDF corpus to 出力２'s eight types, with PNG as the picture they are compared with.
  for file in "$ROOT"/tests/data/pdf/*.pdf; do
    name=$(basename "$file" .pdf)
    case $name in damaged-* | password-*) continue ;; esac
    names+=("pdf-$name")
    pdfinfo "$file" | awk '/^Pages:/ {print $2}' >"$dir/pdf-$name.pages"
    # poppler's picture of its first page, which the converter's own (WIC, CNG, GDI) must agree with
    pdftoppm -r 100 -singlefile -png "$file" "$dir/pdf-$name.poppler"
    for type in png wmf emf ps eps svg xps hgl pcl; do line "$file" "pdf-$name.$type"; done
  done
  printf '%s\r\n' "${lines[@]}" >"$dir/formats.txt"
  wine "$ROOT/build/win/RefConverter.exe" /z "$(winpath "$dir/formats.txt")" </dev/null >/dev/null 2>&1
  local log="$dir/formats.log"
  local bad
  # HP-GL/2 holds no pixels: a PDF with images is refused, with the reason.
  bad=$(grep -av $'\tOK ' "$log" | grep -av -e 'scan.dxf' -e 'scan.hgl' |
    grep -av "the PDF's images cannot be converted to HP-GL/2" | grep -ac FAILED)
  if [ "$bad" -ne 0 ]; then
    formats_failed=$((formats_failed + 1))
    echo "formats: FAILED: $bad conversions failed:"
    grep -a FAILED "$log" | head -5
  fi
  for type in dxf hgl; do
    if grep -a "scan.$type" "$log" | grep -aq 'FAILED  a picture cannot be converted'; then
      formats_passed=$((formats_passed + 1))
    else
      formats_failed=$((formats_failed + 1))
      echo "formats: FAILED: a picture to $type is not refused with its reason"
    fi
  done
  rm -f "$dir/scan.dxf" "$dir/scan.hgl"

  # Our own reader reads the plot files we write: their pictures, for formats.py.
  lines=()
  for name in "${names[@]}"; do
    for type in hgl pcl; do [ -f "$dir/$name.$type" ] && line "$dir/$name.$type" "$name.$type.png"; done
  done
  printf '%s\r\n' "${lines[@]}" >"$dir/back.txt"
  wine "$ROOT/build/win/RefConverter.exe" /z "$(winpath "$dir/back.txt")" </dev/null >/dev/null 2>&1

  local out
  # Debian's Python, whose packages (ezdxf, matplotlib) scripts/setup installs, whatever else is first on the path.
  out=$(/usr/bin/python3 "$ROOT/scripts/lib/formats.py" "$dir" "${names[@]}" 2>&1)
  echo "$out" >"$dir/checks.txt"
  formats_passed=$((formats_passed + $(grep -c '^ok ' <<<"$out")))
  formats_failed=$((formats_failed + $(grep -c '^FAILED' <<<"$out")))
  grep '^FAILED' <<<"$out" | head -20
  grep -q '^ok \|^FAILED' <<<"$out" || { formats_failed=$((formats_failed + 1)); echo "$out" | tail -5; }
}
