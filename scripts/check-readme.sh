#!/usr/bin/env bash
# Checks that the READMEs keep up with the build: every path under build/ and
# build-win/ they name exists (run it after ./test.sh and ./run.sh, which make
# both), and every preset they name is one `cmake --list-presets` lists.
set -euo pipefail
cd "$(dirname "$0")/.."

readmes=(README.md app/win32/README.md sim/README.md)
failed=0
for path in $(grep -ohE '(^|[^A-Za-z0-9_./-])build(-win)?/[A-Za-z0-9_.{}/-]*' "${readmes[@]}" |
  sed -E 's#^[^b]*##' | sort -u); do
  if [ ! -e "$path" ]; then
    echo "check-readme: a README names $path, which the build does not make" >&2
    failed=1
  fi
done

presets=$(cmake --list-presets 2>/dev/null | sed -nE 's/^ +"([^"]+)".*/\1/p')
# `--preset NAME`, and the list of builds: `NAME` (`build...`).
for name in $(cat "${readmes[@]}" | tr '\n' ' ' | grep -oE -- '--preset [a-z-]+|`[a-z-]+` +\(`build' |
  sed -E 's/^--preset //; s/^`([a-z-]+)`.*/\1/' | sort -u); do
  if ! grep -qx -- "$name" <<<"$presets"; then
    echo "check-readme: a README names the preset $name, which cmake --list-presets does not list" >&2
    failed=1
  fi
done
[ "$failed" = 0 ] && echo "every build path and preset the READMEs name exists"
exit "$failed"
