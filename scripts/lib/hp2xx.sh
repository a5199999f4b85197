# Debian's hp2xx as a peer of the reference converter. Source it.

# Writes into $1 label-free, solid-line copies of the plain HP-GL samples (hp2xx strokes
# its own font and dashes its own way) and hp2xx's 100 dpi pictures of them. The pie chart
# is left out: hp2xx draws HP-GL/2 wedges (EW, WG) as bare radii.
hp2xx_references() {
  local dir=$1 name
  mkdir -p "$dir"
  for name in flange gear-plate floorplan; do
    perl -0777 -pe 's/LB[^\x03;]*[\x03;]//g; s/LT[^;A-Z]*;?//g' "$ROOT/samples/$name.hgl" >"$dir/$name.hgl"
    hp2xx -q -t -m png -d 100 -f "$dir/$name.png" "$dir/$name.hgl" >/dev/null 2>&1 ||
      { echo "hp2xx failed on $name"; return 1; }
  done
}
