#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would:
# the files are where they belong, every program prints the version, the
# installed qorvreg registers the installed module in a private registry,
# and a small caller built against the installed package (find_package and
# pkg-config) activates the SDK object and reads a property back.
#   install_test.sh install BUILD_DIR SOURCE_DIR VERSION [CXX_FLAGS]
#   install_test.sh package BUILD_DIR SOURCE_DIR VERSION
# "package" runs cpack and checks the Debian package's files and scripts.
# Everything lives in one temporary folder, removed on every way out.
set -euo pipefail
mode=$1 version=$4 cxx_flags=${5:-}
build=$(cd "$2" && pwd) source=$(cd "$3" && pwd)
major=${version%%.*}

work=$(mktemp -d "${TMPDIR:-/tmp}/qorv_install_test.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# expect_files LISTING PATH...: every PATH is a line of LISTING.
expect_files() {
  local listing=$1 path
  shift
  for path in "$@"; do
    grep -qxF -- "$path" <<<"$listing" || fail "missing $path"
  done
}

if [ "$mode" = package ]; then
  (cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
  deb=$(ls "$work"/out/qorvsdk_"$version"*.deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || fail "no qorvsdk_$version*.deb made"
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
  libdir=$(grep -o '^/usr/lib.*/libqorvsdk\.so\.'"$major"'$' <<<"$listing" | head -n1)
  [ -n "$libdir" ] || fail "no libqorvsdk.so.$major in the package"
  libdir=${libdir%/*}
  expect_files "$listing" /usr/bin/qorv /usr/bin/qorvd /usr/bin/qorvreg \
    "$libdir/libqorvsdk.so.$version" "$libdir/libqorvsdk.so" \
    /usr/include/qorvsdk/qorvsdk.h /usr/include/qorvsdk/com_ptr.h \
    "$libdir/cmake/qorvsdk/qorvsdkConfig.cmake" "$libdir/pkgconfig/qorvsdk.pc" \
    /usr/share/man/man1/qorv.1 /usr/share/man/man1/qorvd.1 \
    /usr/share/bash-completion/completions/qorv /usr/lib/systemd/system/qorvd.service
  dpkg-deb -e "$deb" "$work/control"
  grep -q "QORV_REGISTRY=/etc/qorvsdk/registry.reg" "$work/control/postinst" ||
    fail "postinst does not write the system registry"
  grep -qF "/usr/bin/qorvreg /s $libdir/libqorvsdk.so.$major" "$work/control/postinst" ||
    fail "postinst does not register the packaged module"
  grep -qF "/usr/bin/qorvreg /u /s $libdir/libqorvsdk.so.$major" "$work/control/prerm" ||
    fail "prerm does not unregister the module"
  # Purging removes the registry file only when no class is left in it.
  sh -n "$work/control/postrm" || fail "postrm is not a valid shell script"
  mkdir -p "$work/etc"
  printf 'QORV-REGISTRY 1\n[CLSID]\n[TypeLib]\n' >"$work/etc/registry.reg"
  : >"$work/etc/registry.reg.lock"
  sed "s|/etc/qorvsdk/registry.reg|$work/etc/registry.reg|" "$work/control/postrm" >"$work/postrm"
  sh "$work/postrm" remove && [ -f "$work/etc/registry.reg" ] || fail "postrm remove took the registry"
  printf '[CLSID\\{1}\\InprocServer32]\n' >>"$work/etc/registry.reg"
  sh "$work/postrm" purge && [ -f "$work/etc/registry.reg" ] ||
    fail "postrm purge removed a registry that still names a module"
  printf 'QORV-REGISTRY 1\n[CLSID]\n' >"$work/etc/registry.reg"
  sh "$work/postrm" purge && [ ! -e "$work/etc" ] || fail "postrm purge left the empty registry"
  dpkg-deb -x "$deb" "$work/root"
  grep -qx "ExecStart=/usr/bin/qorvd .*" "$work/root/usr/lib/systemd/system/qorvd.service" ||
    fail "the unit does not start /usr/bin/qorvd"
  echo "package ok: $(basename "$deb")"
  exit 0
fi

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install"
module=$(find "$prefix" -name "libqorvsdk.so.$major" | head -n1)
[ -n "$module" ] || fail "no libqorvsdk.so.$major installed"
libdir=${module%/*}
listing=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||')
rel=${libdir#"$prefix"/}
expect_files "$listing" bin/qorv bin/qorvd bin/qorvreg \
  "$rel/libqorvsdk.so" "$rel/libqorvsdk.so.$major" "$rel/libqorvsdk.so.$version" \
  include/qorvsdk/qorvsdk.h include/qorvsdk/com_ptr.h include/qorvsdk/bstr.h \
  include/qorvsdk/variant.h include/qorvsdk/result.h include/qorvsdk/collection.h \
  "$rel/cmake/qorvsdk/qorvsdkConfig.cmake" "$rel/cmake/qorvsdk/qorvsdkConfigVersion.cmake" \
  "$rel/cmake/qorvsdk/qorvsdkTargets.cmake" "$rel/pkgconfig/qorvsdk.pc" \
  share/man/man1/qorv.1 share/man/man1/qorvd.1 \
  share/bash-completion/completions/qorv lib/systemd/system/qorvd.service

soname=$(readelf -d "$module" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libqorvsdk.so.$major" ] || fail "SONAME is '$soname'"
grep -qx "ExecStart=$prefix/bin/qorvd .*" "$prefix/lib/systemd/system/qorvd.service" ||
  fail "the unit does not start the installed qorvd"
for program in qorv qorvd qorvreg; do
  out=$("$prefix/bin/$program" --version) || fail "$program --version"
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
done

# The completion reads the commands and options from the installed qorv.
completion=$(PATH=$prefix/bin:$PATH bash -c '
  source "$1"
  complete_words() {
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
    _qorv
    echo "${COMPREPLY[*]}"
  }
  complete_words qorv check
  complete_words qorv --server h:1 get --recurs
' completion "$prefix/share/bash-completion/completions/qorv") || fail "the bash completion"
[ "$completion" = $'checkout checkin\n--recursive' ] ||
  fail "the bash completion offered '$completion'"

export QORV_REGISTRY=$work/registry.reg
"$prefix/bin/qorvreg" /s "$module" || fail "qorvreg"
grep -qF "@=\"$libdir/libqorvsdk.so" "$QORV_REGISTRY" ||
  fail "the registry does not name the installed module"

for find in package pkg-config; do
  caller=$work/caller-$find
  PKG_CONFIG_PATH=$libdir/pkgconfig cmake -S "$source/tests/install/caller" -B "$caller" \
    -G Ninja -DQORV_FIND=$find -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="$cxx_flags" -DCMAKE_EXE_LINKER_FLAGS="$cxx_flags" \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configure ($find)"; }
  cmake --build "$caller" >"$work/build.log" 2>&1 ||
    { cat "$work/build.log" >&2; fail "build ($find)"; }
  out=$("$caller/caller" "/srv/ca-$find.pem") || fail "the caller built with $find"
  [ "$out" = "TrustedCAFile=/srv/ca-$find.pem" ] || fail "the caller ($find) printed '$out'"
  # It ran the installed module, not the build's.
  # (grep reads a variable: `ldd | grep -q` fails under pipefail when grep
  # stops reading first.)
  libraries=$(ldd "$caller/caller")
  grep -qF "$libdir/libqorvsdk.so.$major" <<<"$libraries" ||
    fail "the caller ($find) does not link the installed module"
done
# With a registry that names no module, the installed qorv registers the one
# installed with it, not the build tree's (the command then fails to
# connect: nothing listens on port 1).
export QORV_REGISTRY=$work/qorv.reg
"$prefix/bin/qorv" --server 127.0.0.1:1 -u a -d b --password c databases >/dev/null 2>&1 || true
grep -qF "@=\"$libdir/libqorvsdk.so" "$QORV_REGISTRY" ||
  fail "the installed qorv did not register the installed module"
echo "install ok: $prefix"
