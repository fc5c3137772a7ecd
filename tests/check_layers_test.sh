#!/usr/bin/env bash
# The layer check passes on the real tree and fails on a small tree with a climbing include.
set -u
check=$1
real_src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

"$check" "$real_src" || fail "the program's own sources do not pass"

mkdir -p "$tmp/src/core" "$tmp/src/display/emulator" "$tmp/src/effects" "$tmp/src/shell"
printf '#include <string>\n#include "core/Timer.h"\n' >"$tmp/src/core/A.h"
printf '#include "core/A.h"\n#include "display/Models.h"\n' >"$tmp/src/display/B.h"
printf '#include "display/B.h"\n' >"$tmp/src/display/emulator/E.h"
printf '#include "display/B.h"\n#include "shell/FrmMain.h"\n' >"$tmp/src/shell/S.h"
"$check" "$tmp/src" || fail "a tree whose includes only go down is refused"

plant() {  # file, include line: the check must fail and name the file
  printf '%s\n' "$2" >"$tmp/src/$1"
  if out=$("$check" "$tmp/src" 2>&1); then fail "$1 with '$2' passes"; fi
  grep -q "$1" <<<"$out" || fail "the complaint about '$2' does not name $1: $out"
  rm "$tmp/src/$1"
}
plant display/Climb.cpp '#include "shell/FrmMain.h"'
plant effects/Climb.h '#  include "shell/FrmMain.h"'
plant display/Emu.cpp '#include "display/emulator/Decoders.h"'
plant core/Up.h '#include "display/Models.h"'
plant effects/Qt.cpp '#include <QTimer>'
mkdir -p "$tmp/src/app" "$tmp/src/daemon"
plant app/View.cpp '#include "ui/MainWindowView.h"'
plant daemon/Qt.cpp '#include <QCoreApplication>'
plant shell/App.h '#include "app/Options.h"'

# A program without a window that loads Qt fails; the windowed one is allowed to (not given).
if [ -n "${3:-}" ]; then
  "$check" "$real_src" --program "$3" || fail "the program without a window fails the link check"
fi
if [ -n "${4:-}" ]; then
  if "$check" "$real_src" --program "$4" 2>/dev/null; then
    fail "a program that loads Qt passes the link check"
  fi
fi
echo "layer check: every case behaves"
