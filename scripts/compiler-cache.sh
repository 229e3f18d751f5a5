# Sourced by the build scripts: compiles through ccache when it is installed, with its cache in
# the user's cache folder (~/.cache/ccache), outside the checkout, so that a fresh clone on the
# same machine builds from what an earlier one compiled. Paths below the checkout are made
# relative and the working folder is left out of the key, so clones in other folders hit too.
# Sets `compiler_cache` to the CMake arguments that use it (none without ccache).
compiler_cache=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
    export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
    compiler_cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
