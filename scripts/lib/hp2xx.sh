# Debian's hp2xx as a peer of the reference converter. Source it.

# Writes into $1 hp2xx's 100 dpi pictures of the corpus (samples/corpus) and of the plain
# samples, each drawn from the form hp2xx reads right where there is one (samples/corpus/
# hp2xx/, made by tools/samples/make-samples.py: it names each thing hp2xx draws wrong),
# with the file each was drawn from beside it as <name>.hgl. hp2xx runs bounded: some
# commands make it take gigabytes (three-point arcs) or run without end.
hp2xx_references() {
  local dir=$1 file name source
  rm -rf "$dir"
  mkdir -p "$dir"
  for file in "$ROOT"/samples/corpus/*.hgl "$ROOT"/samples/{flange,floorplan,gear-plate,pie-chart}.hgl; do
    name=$(basename "$file" .hgl)
    # A 10 m marker is 39,370 pixels long at 100 dpi, past the converter's longest side: its
    # length is checked by its pin and the native tests instead.
    [ "$name" = marker-10m ] && continue
    source=$file
    [ -f "$ROOT/samples/corpus/hp2xx/$name.hgl" ] && source="$ROOT/samples/corpus/hp2xx/$name.hgl"
    cp "$source" "$dir/$name.hgl"
    timeout 60 prlimit --as=2000000000 hp2xx -q -t -m png -d 100 -f "$dir/$name.png" "$dir/$name.hgl" >/dev/null 2>&1 ||
      { echo "hp2xx failed on $source"; return 1; }
  done
}
