#!/usr/bin/env bash
# The shape of the code, checked on its sources:
#  - every folder includes only from the folders below it (the table below);
#  - no file of the core includes a widget header;
#  - no two files include each other, directly or round a loop.
# Prints every breach and exits 1 when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

# folder: the folders it may include from (besides itself).
declare -A allowed=(
  [common]=""
  [slip]="common"
  [offsets]="slip common"
  [print]="slip common"
  [postal]="common"
  [history]="slip print common"
  [batch]="print slip offsets postal common"
  [cli]="batch history postal print offsets slip common"
  [app]="cli batch history postal print offsets slip common"
)
core="common slip offsets print postal history batch"
widgets='QApplication|QWidget|QDialog|QMessageBox|QLabel|QLineEdit|QComboBox|QPushButton|QAbstractButton|QProgressDialog|QFileDialog|QCompleter|QTableView|QtWidgets'

status=0
declare -A folderOf=()
for dir in "${!allowed[@]}"; do
  [ -d "$dir" ] || continue
  while IFS= read -r file; do folderOf[$(basename "$file")]=$dir; done < <(find "$dir" -name '*.h')
done

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for dir in "${!allowed[@]}"; do
  [ -d "$dir" ] || continue
  while IFS= read -r file; do
    while IFS= read -r header; do
      target=${folderOf[$header]:-}
      [ -n "$target" ] || continue # Qt, the C library, generated ui_ headers
      echo "$file $(find "$target" -name "$header" | head -1)" >> "$edges"
      if [ "$target" != "$dir" ] && [[ " ${allowed[$dir]} " != *" $target "* ]]; then
        echo "$file includes $header from $target/, which $dir/ may not use"
        status=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    if [[ " $core " == *" $dir "* ]] && grep -Eq "^#include <($widgets)[>/]" "$file"; then
      echo "$file is part of the core but includes a widget header"
      status=1
    fi
  done < <(find "$dir" -name '*.h' -o -name '*.cpp')
done

# A file and its header count as one node, so that a .cpp including the
# header of a file that includes it back shows as a loop.
sed -E 's/\.(h|cpp)( |$)/\2/g' "$edges" | awk '$1 != $2' | sort -u > "$edges.nodes"
if ! tsort "$edges.nodes" > /dev/null 2> "$edges.loop"; then
  echo "files include each other in a loop:"
  grep -v 'input contains a loop' "$edges.loop" | sed 's/^tsort: /  /'
  status=1
fi
rm -f "$edges.nodes" "$edges.loop"
exit $status
