# Sourced by scripts/build and scripts/package: the ordinary build and the package compile the
# same sources with the same flags in two folders, so with ccache the second takes the first's
# objects. Paths count from the checkout, and the folder compiled in does not count.
cache_launcher=()
if command -v ccache >/dev/null 2>&1; then
  # The cache lives in the checkout unless one is named: it needs no writable home.
  launcher="env;CCACHE_BASEDIR=$PWD;CCACHE_NOHASHDIR=true;CCACHE_DIR=${CCACHE_DIR:-$PWD/.ccache};ccache"
  cache_launcher=(-DCMAKE_C_COMPILER_LAUNCHER="$launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher")
fi
