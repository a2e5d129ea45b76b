# Sourced: a Wine prefix of the build's own, headless and quiet.
# Usage: source scripts/wine-env.sh BUILD_DIR
wine_build_dir=${1:?build dir}
export WINEPREFIX="$(realpath -m "$wine_build_dir")/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Without a window manager Wine must draw frames itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}
