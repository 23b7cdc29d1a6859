# SPDX-License-Identifier: GPL-3.0-or-later
# Configures the tree of a preset, its output kept in TREE.configure.log and shown only when it fails.
# A tree configured earlier with another generator (Make, before the presets named Ninja) is configured
# afresh, since CMake refuses to change a tree's generator; what was built in it is rebuilt.
#
#   configure_preset PRESET TREE
configure_preset() {
  local preset=$1 tree=$2
  if [[ -f $tree/CMakeCache.txt ]] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$tree/CMakeCache.txt"; then
    rm -rf "$tree/CMakeCache.txt" "$tree/CMakeFiles"
  fi
  cmake --preset "$preset" > "$tree.configure.log" || { cat "$tree.configure.log"; return 1; }
}
