#!/bin/sh
# Builds and runs the consumer program the ways an outside project would.
#   run.sh installed BUILD_DIR SOURCE_DIR WORK_DIR
#     installs BUILD_DIR into WORK_DIR/prefix, then builds against it with
#     CMake (find_package) and with pkg-config, shared and static;
#   run.sh subdirectory BUILD_DIR SOURCE_DIR WORK_DIR
#     builds the library inside the consumer's own build (add_subdirectory),
#     kept in WORK_DIR so that a later run rebuilds only what changed, and
#     configures a FetchContent consumer.
# CC, CFLAGS and LDFLAGS are those of the library's build (a sanitizer build
# passes its flags); CMAKE_GENERATOR and compiler launchers pass through.
set -eu
mode="$1"
build="$2"
source="$3"
work="$4"
here="$(cd "$(dirname "$0")" && pwd)"
: "${CC:=cc}"
: "${CFLAGS:=}"
: "${LDFLAGS:=}"

# Runs a built consumer in a fresh directory; it must succeed.
run() {
  rm -rf "$work/data" && mkdir -p "$work/data"
  "$@" "$work/data"
}

# Fails unless the program loads (or does not load) the shared library.
needs_shared() {
  if readelf -d "$2" | grep -q 'NEEDED.*libqo_zel\.so'; then found=yes; else found=no; fi
  if [ "$found" != "$1" ]; then
    echo "$2: libqo_zel.so needed: $found, expected $1"
    exit 1
  fi
}

cmake_consumer() {
  dir="$1"
  shift
  cmake -S "$here" -B "$dir" -DCMAKE_C_COMPILER="$CC" -DCMAKE_C_FLAGS="$CFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" "$@"
}

case "$mode" in
  installed)
    prefix="$work/prefix"
    rm -rf "$prefix"
    cmake --install "$build" --prefix "$prefix"
    for f in include/zel/zel.h bin/zel; do
      [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
    done
    libdir=$(dirname "$(find "$prefix" -name 'libqo_zel.a')")
    so=$(find "$libdir" -name 'libqo_zel.so.*.*.*')
    [ -n "$so" ] || { echo "no versioned shared library in $libdir"; exit 1; }
    soname=$(readelf -d "$so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
    [ "$soname" = "libqo_zel.so.8" ] && [ -L "$libdir/libqo_zel.so.8" ] && [ -L "$libdir/libqo_zel.so" ] ||
      { echo "soname $soname or its links are wrong"; exit 1; }
    # The installed tool finds the installed library by itself.
    loaded=$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/zel" | sed -n 's/.*libqo_zel\.so\.8 => \(.*\) (.*/\1/p')
    [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$libdir/libqo_zel.so.8")" ] ||
      { echo "the installed zel loads ${loaded:-no libqo_zel}, not the installed library"; exit 1; }

    echo "== CMake package"
    rm -rf "$work/package"
    cmake_consumer "$work/package" -DZEL_CONSUME=package -DCMAKE_PREFIX_PATH="$prefix"
    cmake --build "$work/package"
    needs_shared yes "$work/package/consumer_shared"
    needs_shared no "$work/package/consumer_static"
    LD_LIBRARY_PATH="$libdir" run "$work/package/consumer_shared"
    run "$work/package/consumer_static"

    echo "== pkg-config"
    export PKG_CONFIG_PATH="$libdir/pkgconfig"
    [ "$(pkg-config --modversion qo_zel)" = "8.0.0" ] || { echo "pkg-config: wrong version"; exit 1; }
    private=$(pkg-config --libs --static qo_zel)
    case "$private" in *-lstdc++*-lm*) ;; *) echo "pkg-config --static lacks the C++ runtime: $private"; exit 1 ;; esac
    # shellcheck disable=SC2046
    "$CC" $CFLAGS "$here/consumer.c" -o "$work/pc_shared" $(pkg-config --cflags --libs qo_zel) $LDFLAGS
    needs_shared yes "$work/pc_shared"
    LD_LIBRARY_PATH="$libdir" run "$work/pc_shared"
    if [ -z "$LDFLAGS" ]; then
      # A fully static program: everything it needs comes from --static.
      # shellcheck disable=SC2046
      "$CC" $CFLAGS -static "$here/consumer.c" -o "$work/pc_static" $(pkg-config --cflags --libs --static qo_zel)
      readelf -d "$work/pc_static" | grep -q NEEDED && { echo "pc_static is not static"; exit 1; }
      run "$work/pc_static"
    else
      echo "(fully static link skipped: the sanitizers' runtimes are shared)"
    fi
    ;;
  subdirectory)
    echo "== add_subdirectory"
    cmake_consumer "$work/subdirectory" -DZEL_CONSUME=subdirectory -DZEL_SOURCE_DIR="$source"
    cmake --build "$work/subdirectory" -j2
    # A subproject installs nothing into its parent's install tree.
    if grep -q 'qo_zel' "$work/subdirectory/qo_zel/cmake_install.cmake"; then
      echo "the subproject has install rules"
      exit 1
    fi
    needs_shared yes "$work/subdirectory/consumer_shared"
    needs_shared no "$work/subdirectory/consumer_static"
    run "$work/subdirectory/consumer_shared"
    run "$work/subdirectory/consumer_static"
    echo "== FetchContent (configured only: it is add_subdirectory underneath)"
    rm -rf "$work/fetchcontent"
    cmake_consumer "$work/fetchcontent" -DZEL_CONSUME=fetchcontent -DZEL_SOURCE_DIR="$source"
    ;;
  *)
    echo "usage: run.sh installed|subdirectory BUILD_DIR SOURCE_DIR WORK_DIR"
    exit 2
    ;;
esac
echo "consumers: all ran"
