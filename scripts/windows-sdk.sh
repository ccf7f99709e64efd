#!/usr/bin/env bash
# The third-party libraries the Windows build links statically: Qt 6.4.2 qtbase and libjpeg-turbo,
# cross-compiled with mingw-w64 from Debian's source packages. Sourced by build-windows.sh.
#
# Each library goes to a cache outside the checkout, in a folder named after a hash of its inputs
# (the Debian source version, the configure flags, the toolchain file), so it is built once per
# machine and rebuilt when an input changes:
#   CIFROVEX_WIN_CACHE  the cache (default ${XDG_CACHE_HOME:-~/.cache}/cifrovex)
#   CIFROVEX_QT_SEED    a tar.xz of the Qt SDK built with these inputs, unpacked instead of
#                       building (default ../shared/cache/qt-6.4.2-mingw64-static.tar.xz beside
#                       the checkout; "none" to build from source)
#   CIFROVEX_JOBS       parallel build jobs (default 2)

WIN_CACHE="${CIFROVEX_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/cifrovex}"
WIN_JOBS="${CIFROVEX_JOBS:-2}"
MINGW_TOOLCHAIN="$ROOT/cmake/mingw-w64.cmake"
QT_VERSION=6.4.2
# The inputs key of ../shared/cache/qt-6.4.2-mingw64-static.tar.xz (qt6-base 6.4.2+dfsg-10, the
# flags below, cmake/mingw-w64.cmake).
QT_SEED_KEY=842e9d07243b489c

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# A deb-src entry for every Debian archive the system installs from, so that apt-get source works.
ensure_deb_src() {
    if apt-get source --download-only --print-uris "$1" >/dev/null 2>&1; then return; fi
    echo "== adding deb-src entries for Debian's archives"
    local out=/etc/apt/sources.list.d/cifrovex-deb-src.sources
    {
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -e "$f" ] && [ "$f" != "$out" ] || continue
            # Every stanza with "Types: deb" on a debian.org archive, again as deb-src.
            awk 'BEGIN { RS = ""; ORS = "\n\n" }
                 /(^|\n)Types:[^\n]*deb/ && /URIs:[^\n]*debian\.org/ {
                     sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
        done
        if [ -e /etc/apt/sources.list ]; then
            awk '$1 == "deb" && /debian\.org/ {
                     printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $2, $3
                     for (i = 4; i <= NF; i++) printf " %s", $i
                     printf "\n\n" }' /etc/apt/sources.list
        fi
    } | as_root tee "$out" >/dev/null
    as_root apt-get update -qq
}

# fetch_source PACKAGE VERSION DIR: Debian's source package unpacked in DIR/src (orig tarball
# plus Debian's patches).
fetch_source() {
    local pkg=$1 ver=$2 dir=$3
    ensure_deb_src "$pkg=$ver"
    mkdir -p "$dir/dl"
    (cd "$dir/dl" && apt-get source --download-only "$pkg=$ver" >/dev/null)
    rm -rf "$dir/src"
    (cd "$dir/dl" && dpkg-source --no-check -x ./*.dsc "$dir/src" >/dev/null)
}

input_key() { sha256sum | cut -c1-16; }

qt_flags() {
    printf '%s\n' \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF -DINPUT_openssl=no \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DINPUT_opengl=desktop
}

# Sets QT_SDK to the static Qt for mingw, unpacking the seed or building it when not cached.
ensure_qt_sdk() {
    # The host tools (moc, rcc, uic) come from Debian's qt6-base-dev-tools and must be the
    # same version as the libraries: the source package is taken at that version.
    local src_ver
    src_ver=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
    case $src_ver in "$QT_VERSION"+*) ;; *)
        echo "qt6-base-dev-tools is $src_ver, Qt $QT_VERSION expected" >&2; return 1;; esac
    local key
    key=$({ echo "qt6-base $src_ver"; qt_flags; cat "$MINGW_TOOLCHAIN"; } | input_key)
    QT_SDK="$WIN_CACHE/qt-$QT_VERSION-mingw64-static-$key"
    if [ -e "$QT_SDK/.complete" ]; then echo "== Qt $QT_VERSION for Windows: cached in $QT_SDK"; return; fi

    rm -rf "$QT_SDK"; mkdir -p "$QT_SDK"
    # The seed was built from qt6-base 6.4.2+dfsg-10 with exactly these flags and toolchain:
    # it is used only while the inputs still hash to that key.
    local seed="${CIFROVEX_QT_SEED:-$ROOT/../shared/cache/qt-$QT_VERSION-mingw64-static.tar.xz}"
    if [ "$seed" != none ] && [ -f "$seed" ] && [ "$key" = "$QT_SEED_KEY" ]; then
        echo "== Qt $QT_VERSION for Windows: unpacking $seed"
        tar -xJf "$seed" -C "$QT_SDK" --strip-components=1
        touch "$QT_SDK/.complete"
        return
    fi

    echo "== Qt $QT_VERSION for Windows: building from Debian's qt6-base $src_ver (30-60 min)"
    local work="$WIN_CACHE/work-qt-$key" t0=$SECONDS
    fetch_source qt6-base "$src_ver" "$work"
    local flags; mapfile -t flags < <(qt_flags)
    rm -rf "$work/build"
    cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$MINGW_TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$QT_SDK" "${flags[@]}" >"$work/configure.log" 2>&1 \
        || { tail -40 "$work/configure.log" >&2; return 1; }
    cmake --build "$work/build" --parallel "$WIN_JOBS" >"$work/build.log" 2>&1 \
        || { tail -40 "$work/build.log" >&2; return 1; }
    cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -20 "$work/install.log" >&2; return 1; }
    echo "qt6-base $src_ver, built in $((SECONDS - t0)) s" >"$QT_SDK/.complete"
    rm -rf "$work"
    echo "== Qt built in $((SECONDS - t0)) s"
}


# Sets JPEG_SDK to a static libjpeg-turbo for mingw (include/, lib/libjpeg.a). Its GNUInstallDirs
# takes a relative CMAKE_INSTALL_LIBDIR from the wrong folder, hence the whole path.
ensure_jpeg_sdk() {
    local src_ver
    src_ver=$(apt-cache policy libjpeg62-turbo-dev 2>/dev/null | awk '/Candidate:/ { print $2 }')
    src_ver=${src_ver:-$(dpkg-query -W -f='${Version}' libjpeg62-turbo-dev)}
    local flags=(-DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
                 -DWITH_SIMD=OFF -DWITH_JPEG8=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)
    local key
    key=$({ echo "libjpeg-turbo $src_ver"; printf '%s\n' "${flags[@]}"; cat "$MINGW_TOOLCHAIN"; } | input_key)
    JPEG_SDK="$WIN_CACHE/libjpeg-turbo-mingw64-static-$key"
    if [ -e "$JPEG_SDK/.complete" ]; then echo "== libjpeg for Windows: cached in $JPEG_SDK"; return; fi
    echo "== libjpeg for Windows: building from Debian's libjpeg-turbo $src_ver"
    local work="$WIN_CACHE/work-jpeg-$key" t0=$SECONDS
    rm -rf "$JPEG_SDK"
    fetch_source libjpeg-turbo "$src_ver" "$work"
    cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$MINGW_TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$JPEG_SDK" -DCMAKE_INSTALL_LIBDIR="$JPEG_SDK/lib" "${flags[@]}" >"$work/build.log" 2>&1 \
        && cmake --build "$work/build" --parallel "$WIN_JOBS" >>"$work/build.log" 2>&1 \
        && cmake --install "$work/build" >>"$work/build.log" 2>&1 \
        || { tail -40 "$work/build.log" >&2; return 1; }
    echo "libjpeg-turbo $src_ver, built in $((SECONDS - t0)) s" >"$JPEG_SDK/.complete"
    rm -rf "$work"
}
