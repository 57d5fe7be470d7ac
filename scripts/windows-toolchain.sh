#!/usr/bin/env bash
# Builds, once per machine, what the Windows program is linked with: a static Qt 5.15 and a static
# OpenSSL 3 for x86_64-w64-mingw32, from Debian's own source packages. Each lands in a folder of the
# user's cache named after its version and build options, which every later run and every clone reuses.
# Prints the two install folders, Qt's first, one a line; all else goes to stderr.
# Needs dpkg-dev and the MinGW-w64 compilers (scripts/deps.sh test).
set -euo pipefail
cache=${XDG_CACHE_HOME:-$HOME/.cache}/chronvale
mkdir -p "$cache"
say() { echo "windows-toolchain: $*" >&2; }

# The POSIX-thread compilers, whatever the machine's alternatives point to.
tools=$cache/mingw-bin
mkdir -p "$tools"
for tool in gcc g++; do ln -sf "$(command -v x86_64-w64-mingw32-$tool-posix)" "$tools/x86_64-w64-mingw32-$tool"; done
export PATH=$tools:$PATH
compiler=$(x86_64-w64-mingw32-g++ -dumpfullversion)

qt_options=(-opensource -confirm-license -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
    -static -static-runtime -release -nomake examples -nomake tests -no-opengl -no-dbus -no-icu
    -qt-zlib -qt-libpng -qt-pcre -qt-freetype -qt-harfbuzz -no-ssl
    # Debian's source lacks src/3rdparty/wintab, which tablet events need.
    -no-feature-tabletevent
    # What the program does not use: modules, plugins (its images are PNG and ICO), bearer management.
    -no-feature-sql -no-feature-xml -no-feature-concurrent -no-feature-printer -no-direct2d -no-gif -no-libjpeg
    -no-feature-tuiotouch -no-feature-bearermanagement)
# No configuration file, engine or module loaded at run time; the certificate folder, where a Windows build of
# OpenSSL looks by default, only an administrator can write. The folders go to make: Configure takes them for
# relative Unix paths.
openssl_options=(mingw64 --cross-compile-prefix=x86_64-w64-mingw32- no-shared no-module no-dso no-engine
    no-autoload-config no-tests --libdir=lib)
openssl_folders=("OPENSSLDIR=C:/Program Files/Common Files/SSL" "ENGINESDIR=C:/Program Files/OpenSSL/lib/engines-3"
    "MODULESDIR=C:/Program Files/OpenSSL/lib/ossl-modules")

# A private apt configuration that reads source packages from the archives the machine installs from;
# the machine's own apt sources stay as they are.
apt_dir=$cache/apt
mkdir -p "$apt_dir"/{lists/partial,archives/partial,sources.list.d}
rm -f "$apt_dir"/sources.list.d/*
touch "$apt_dir/sources.list"
[ ! -f /etc/apt/sources.list ] || sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] && sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
done
for file in /etc/apt/sources.list.d/*.list; do
    [ -e "$file" ] && sed -n 's/^deb /deb-src /p' "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
done
cat >"$apt_dir/apt.conf" <<EOF
Dir::Etc::sourcelist "$apt_dir/sources.list";
Dir::Etc::sourceparts "$apt_dir/sources.list.d";
Dir::State::lists "$apt_dir/lists";
Dir::Cache "$apt_dir";
Debug::NoLocking "true";
APT::Sandbox::User "$(id -un)";
EOF
export APT_CONFIG=$apt_dir/apt.conf
apt-get update -qq >&2 || say "no package lists could be fetched; using those from the last run"

source_versions() { apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p' | sort -ruV; }
options_hash() { printf '%s\n' "$compiler" "$@" | sha256sum | cut -c1-12; }

# Builds a package's newest source version that the archive serves, unless it is in the cache already.
# usage: provide PACKAGE BUILD-FUNCTION OPTION...
provide() {
    local package=$1 build=$2 version prefix work
    shift 2
    local versions=($(source_versions "$package"))
    [ ${#versions[@]} -gt 0 ] || { say "apt knows no source package $package"; exit 1; }
    for version in "${versions[@]}"; do
        prefix=$cache/$package-$version-mingw64-$(options_hash "$@")
        if [ -f "$prefix/.complete" ]; then
            say "$package $version for Windows: reusing $prefix"
            echo "$prefix"
            return
        fi
    done
    work=$(mktemp -d "$cache/build-$package.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    for version in "${versions[@]}"; do
        (cd "$work" && apt-get source -qq "$package=$version" >/dev/null 2>&1) && break
        say "$package $version is listed but not served; trying an older version"
        rm -rf "${work:?}"/*
        version=
    done
    [ -n "$version" ] || { say "no source of $package could be fetched"; exit 1; }
    prefix=$cache/$package-$version-mingw64-$(options_hash "$@")
    say "building $package $version for Windows into $prefix"
    say "this happens once per machine and takes a while; later runs reuse it"
    rm -rf "$prefix"
    local started=$SECONDS
    (cd "$work"/*/ && "$build" "$prefix" "$@") >"$work.log" 2>&1 || {
        tail -50 "$work.log" >&2
        say "building $package failed; the whole log is $work.log"
        exit 1
    }
    touch "$prefix/.complete"
    say "built $package $version in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
    rm -rf "$work" "$work.log"
    trap - EXIT
    echo "$prefix"
}

# Low priority and two jobs: the machine is shared.
build_qt() {
    local prefix=$1
    shift
    nice -n 19 ./configure -prefix "$prefix" "$@"
    nice -n 19 make -j2
    nice -n 19 make install
}
build_openssl() {
    local prefix=$1
    shift
    nice -n 19 ./Configure --prefix="$prefix" "${openssl_options[@]}"
    nice -n 19 make -j2 "${openssl_folders[@]}" build_libs
    nice -n 19 make install_dev
}

openssl=$(provide openssl build_openssl "${openssl_options[@]}" "${openssl_folders[@]}")
qt=$(provide qtbase-opensource-src build_qt "${qt_options[@]}")
printf '%s\n' "$qt" "$openssl"
