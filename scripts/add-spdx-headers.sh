#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence identifier at the top of every source file of the tree: as the first line of C++
# sources, headers and CMake files, after the #! line of scripts. A file that already names its
# licence near the top is left as it is, so running it again changes nothing.
#
#   scripts/add-spdx-headers.sh           add the missing identifiers
#   scripts/add-spdx-headers.sh --check   only list the files without one; exit 1 when there are any
set -euo pipefail
cd "$(dirname "$0")/.."

readonly licence="SPDX-License-Identifier: GPL-3.0-or-later"
check=false
case "${1:-}" in
  "") ;;
  --check) check=true ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

# The files of the tree: what git tracks, or everything outside build trees in an unpacked source tarball.
source_tree_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files
  else
    find . \( -name .git -o -name 'build*' \) -prune -o -type f -printf '%P\n'
  fi
}

# How a file carries the identifier: "//" or "#" as the first line, "#!" after its #! line, or
# nothing when it is not a source file (data, documents, the licence itself).
comment_style() {
  local file=$1
  case "$file" in
    *.cpp | *.h | *.h.in) echo "//"; return ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | Makefile | */Makefile) echo "#"; return ;;
  esac
  if [[ $(head -c 2 "$file") == "#!" ]]; then
    echo "#!"
  elif [[ "$file" == *.sh || "$file" == *.py ]]; then
    echo "#"
  fi
}

has_identifier() {
  head -n 5 "$1" | grep -q "SPDX-License-Identifier:"
}

# sed -i keeps the file's mode, so scripts stay executable.
add_identifier() {
  local file=$1 style=$2
  if [[ "$style" == "#!" ]]; then
    sed -i "1a # $licence" "$file"
  elif [[ -s "$file" ]]; then
    sed -i "1i $style $licence" "$file"
  else
    printf '%s %s\n' "$style" "$licence" >"$file"
  fi
}

missing=0
while IFS= read -r file; do
  [[ -f "$file" && ! -L "$file" ]] || continue
  style=$(comment_style "$file")
  [[ -n "$style" ]] || continue
  has_identifier "$file" && continue
  missing=$((missing + 1))
  if $check; then
    echo "no licence identifier: $file"
  else
    add_identifier "$file" "$style"
    echo "added the licence identifier: $file"
  fi
done < <(source_tree_files)

if $check; then
  echo "spdx: $missing source files without a licence identifier"
  [[ $missing -eq 0 ]]
else
  echo "spdx: added the licence identifier to $missing files"
fi
