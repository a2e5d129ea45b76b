# Sourced: a Wine prefix of the build's own, headless and quiet.
# Usage: source scripts/wine-env.sh BUILD_DIR
#   wine_prefix_ready   create the prefix once (fonts, frames drawn by Wine)
#   wine_ctest [ARGS]   run the build's tests under Wine; call inside xvfb-run
#   wine_stop           stop the prefix's Wine server and services
wine_build_dir=$(realpath -m "${1:?build dir}")
export WINEPREFIX="$wine_build_dir/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko download prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_prefix_ready() {
  local stamp="$WINEPREFIX/.copyloom-ready"
  [ -f "$stamp" ] && return 0
  echo "wine: preparing prefix $WINEPREFIX"
  mkdir -p "$wine_build_dir"
  # wineboot -i also completes a prefix that an interrupted run left half made.
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: could not create the prefix $WINEPREFIX" >&2
    return 1
  fi
  # Debian's Wine does not look in its own fonts folder: without these,
  # dialogs fall back to a wider font and caption buttons show letters.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
    if [ -f "/usr/share/wine/fonts/$font" ] && [ ! -f "$fonts/$font" ]; then
      cp "/usr/share/wine/fonts/$font" "$fonts/"
    fi
  done
  # Xvfb has no window manager: Wine must draw frames itself, else every
  # hidden window stalls about 2 s.
  if ! wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >/dev/null 2>&1; then
    echo "wine: could not configure the prefix $WINEPREFIX" >&2
    return 1
  fi
  wineserver -w || true
  touch "$stamp"
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

wine_ctest() {
  wine_prefix_ready || return 1
  # One server and Wine's services for the whole run, else every test waits
  # seconds for them to let go of its output. Their output goes nowhere so
  # they hold no pipe of ours.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
  local status=0
  # A test that fails is run once more and must pass then: a Wine process
  # under Xvfb now and then dies at start with no output. A real fault fails
  # both times; ctest's log shows the first failure either way.
  ctest --test-dir "$wine_build_dir" -j2 --output-on-failure --repeat until-pass:2 "$@" || status=$?
  wine_stop
  return $status
}
