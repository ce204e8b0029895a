# Sourced by scripts/build and scripts/package: the ordinary build and the package compile the
# same sources with the same flags in two folders, so with ccache the second takes the first's
# objects. Paths count from the checkout, and the folder compiled in does not count.
cache_launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher="env;CCACHE_BASEDIR=$PWD;CCACHE_NOHASHDIR=true;ccache"
  cache_launcher=(-DCMAKE_C_COMPILER_LAUNCHER="$launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher")
fi
