#!/usr/bin/env bash
# Packs the guest of the virtual-machine test into a gzip'd cpio initramfs.
#
#   build-initramfs.sh --kernel DIR --init FILE --out FILE [--program FILE]... [--file SRC=DEST]...
#
# DIR is what fetch-kernel.sh prepared (modules and their loading order). Programs go to
# /bin, stripped; a dynamically linked program brings the libraries ldd names, at the same
# paths, and glibc's UTF-16 converter (the programs' text conversions go through iconv).
# busybox (static from busybox-static) provides the shell and the few tools /init uses.
set -euo pipefail

kernel='' init='' out=''
programs=() files=()
while [ $# -gt 0 ]; do
  case "$1" in
    --kernel) kernel=$2; shift 2 ;;
    --init) init=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --program) programs+=("$2"); shift 2 ;;
    --file) files+=("$2"); shift 2 ;;
    *) echo "build-initramfs: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$kernel" ] || [ -z "$init" ] || [ -z "$out" ]; then
  echo "build-initramfs: --kernel, --init and --out are required" >&2
  exit 2
fi

root="$out.root"
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,etc,lib/modules}

# Copies the shared libraries a program needs (nothing for a static one).
copy_libraries() {
  local lib
  for lib in $(ldd "$1" 2>/dev/null | grep -oE '/[^ ]+' || true); do
    [ -e "$root$lib" ] && continue
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
    case "$lib" in */libc.so.*) copy_converters "$(readlink -f "$(dirname "$lib")/gconv")" ;; esac
  done
}

# iconv loads its converters at run time from the folder glibc was built with (under /usr
# even where /lib points there): the module list and UTF-16 are enough here.
copy_converters() {
  local gconv=$1
  [ -d "$gconv" ] || return 0
  mkdir -p "$root$gconv"
  cp "$gconv/UTF-16.so" "$root$gconv/"
  cp -r "$gconv"/gconv-modules* "$root$gconv/"
}

busybox=$(command -v busybox || true)
[ -n "$busybox" ] || { echo "build-initramfs: busybox is missing (scripts/install-deps)" >&2; exit 1; }
cp "$busybox" "$root/bin/busybox"
copy_libraries "$busybox"
for applet in sh mount mkdir insmod poweroff cat uname sleep ls dmesg tail grep; do
  ln -s busybox "$root/bin/$applet"
done

for program in ${programs[@]+"${programs[@]}"}; do
  strip --strip-debug -o "$root/bin/$(basename "$program")" "$program"
  copy_libraries "$program"
done
for params in ${files[@]+"${files[@]}"}; do
  mkdir -p "$root$(dirname "${params#*=}")"
  cp "${params%%=*}" "$root${params#*=}"
done

cp "$kernel"/modules/*.ko "$root/lib/modules/"
cp "$kernel/load-order" "$root/lib/modules/load-order"
cp "$init" "$root/init"
chmod +x "$root/init"

(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc --quiet) | gzip -1 > "$out"
rm -rf "$root"
