# SolvaneUpdate.exe in a Downloads folder with a stranger's version.dll beside
# it: wine is told to prefer that DLL (version=n,b, the order Windows searches
# for a DLL that is not a known DLL), yet it is never loaded, and the caption
# still shows the build read through the real version.dll. Also the release's
# exe (SOLVANE_RELEASE_DIR, signed or not): it starts with its caption and
# About box intact. Sourced by wine-tests.sh, in its prefix, display and
# server, with its helpers.

planted_dll_exe=$build/tests/win32/version.dll

# planted_dll RUN EXE: EXE copied beside the planted DLL, started, read, quit.
planted_dll() {
  local run=$1 downloads=$work/$1/Downloads
  [ -f "$planted_dll_exe" ] || fail "no planted version.dll in $build"
  mkdir -p "$out/$run" "$downloads"
  cp "$2" "$downloads/SolvaneUpdate.exe"
  cp "$planted_dll_exe" "$downloads/version.dll"
  WINEDLLOVERRIDES="mscoree,mshtml=;version=n,b" wine "$downloads/SolvaneUpdate.exe" \
    >"$out/$run/SolvaneUpdate.log" 2>&1 &
  app_pid=$!
  main=$(probe window "Solvane Update - Build:  35675" 20000 || true)
  # Whatever loads it does so before the caption shows the build; and an exe
  # that loads it may never get that far.
  expect "$run: planted version.dll loaded" \
    "$([ -e "$downloads/planted-dll-loaded" ] && echo yes || echo no)" "no"
  main=$(handle "$run: main dialog" "$main")
  expect "$run: About entry" "$(probe syscommand "$main" 16)" "posted"
  local about
  about=$(handle "$run: About box" "$(probe owned "$main" "About KiteUpdate" 10000)")
  expect "$run: About text" "$(probe text "$about" 1003)" "Solvane Update Build:  35675"
  expect "$run: About OK" "$(probe click "$about" 1)" "posted"
  expect "$run: About box closed" "$(probe gone "$about" 10000)" "gone"
  app_ends "$run" quit
  expect "$run: planted version.dll loaded while running" \
    "$([ -e "$downloads/planted-dll-loaded" ] && echo yes || echo no)" "no"
}

dll_checks() {
  echo "== A planted version.dll beside SolvaneUpdate.exe"
  planted_dll planted-dll "$exe"
  if [ -n "${SOLVANE_RELEASE_DIR:-}" ]; then
    echo "== The release's SolvaneUpdate.exe in $SOLVANE_RELEASE_DIR"
    planted_dll release "$SOLVANE_RELEASE_DIR/SolvaneUpdate.exe"
  fi
}
