#!/usr/bin/env bash
# One case of scripts/check-layering on a made-up source tree: the case's file, and whether
# the script must pass or name the fault. Usage: layering_test.sh SCRIPT CASE
set -euo pipefail
script="$1"
case_name="$2"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{text,platform,http,albums,download,app/qt}
echo '#include "text/text.h"' > "$tree/platform/files.h"

put() { printf '%s\n' "$2" > "$tree/$1"; }
case "$case_name" in
  downward) put download/d.cpp $'#include "albums/state.h"\n#include "text/text.h"\n#include <vector>'
            expect="" ;;
  upward) put albums/a.cpp $'// x\n#include "download/album.h"'
          expect="albums/a.cpp:2: albums/ includes from download/, a layer above it" ;;
  indented_upward) put text/t.h '  #  include "platform/files.h"'
                   expect="text/t.h:1: text/ includes from platform/, a layer above it" ;;
  no_layer) put http/h.cpp '#include "tests/support/gbk.h"'
            expect="http/h.cpp:1: includes from tests/, which is no layer of the program" ;;
  qt_below_app) put download/q.cpp '#include <QString>'
                expect="download/q.cpp:1: download/ includes the Qt header QString" ;;
  qt_in_app) put app/qt/w.cpp $'#include <QWidget>\n#include "download/batch.h"'
             expect="" ;;
  app_in_core) put app/CMakeLists.txt 'target_sources(albumfetch_core PRIVATE commands.cpp)'
               expect="app/CMakeLists.txt: puts app/ sources into the core library" ;;
  *) echo "no case $case_name" >&2; exit 2 ;;
esac

set +e
out=$("$script" "$tree" 2>&1)
rc=$?
set -e
if [ -z "$expect" ]; then
  [ "$rc" -eq 0 ] || { echo "expected a pass, got rc $rc: $out" >&2; exit 1; }
else
  [ "$rc" -ne 0 ] || { echo "expected a failure naming: $expect; got a pass: $out" >&2; exit 1; }
  grep -qxF "$expect" <<<"$out" || { echo "expected the line: $expect; got: $out" >&2; exit 1; }
fi
