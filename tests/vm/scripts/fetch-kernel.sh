#!/usr/bin/env bash
# Prepares a current Debian kernel for the virtual-machine test and prints its folder.
#
#   fetch-kernel.sh CACHE_DIR
#
# The package is whatever linux-image-amd64 depends on today (never a pinned version: old
# packages leave the archive). It is downloaded once with `apt-get download` into
# CACHE_DIR/debs; the kernel image and the modules the test needs (with everything they
# depend on, in loading order) are extracted once into CACHE_DIR/kernel/<package>:
#   vmlinuz  modules/<name>.ko  load-order
set -euo pipefail

cache=${1:?usage: fetch-kernel.sh CACHE_DIR}
# The guest needs a host controller and a device controller joined in one machine
# (dummy_hcd), user-space gadgets (gadgetfs), the virtual host controller that takes
# user-space USB/IP devices (vhci_hcd: gadgetfs serves one device per kernel, the production
# line test plugs in two) and the video class driver (uvcvideo).
roots=(dummy_hcd gadgetfs vhci_hcd uvcvideo)

say() { echo "fetch-kernel: $*" >&2; }

lookup_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
}

package=$(lookup_package)
if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
  say "no package lists yet; running apt-get update"
  apt-get update -qq >&2 || true
  package=$(lookup_package)
fi
if [ -z "$package" ]; then
  say "cannot find the kernel package that linux-image-amd64 depends on (apt-get update?)"
  exit 1
fi

mkdir -p "$cache/debs"
shopt -s nullglob
debs=("$cache/debs/${package}"_*.deb)
if [ ${#debs[@]} -eq 0 ]; then
  say "downloading $package"
  # Only the current kernel is kept; superseded downloads are removed.
  rm -f "$cache"/debs/*.deb
  # As root, apt would hand the download to its sandbox user, who cannot write here.
  sandbox=()
  [ "$(id -u)" -eq 0 ] && sandbox=(-o APT::Sandbox::User=root)
  download() { (cd "$cache/debs" && apt-get download -q "${sandbox[@]}" "$package" >&2); }
  if ! download; then
    # Stale package lists name a version the archive has dropped: refresh them once.
    if [ "$(id -u)" -eq 0 ]; then
      say "download failed; refreshing the package lists and trying again"
      apt-get update -qq >&2 || true
      package=$(lookup_package)
    fi
    if [ -z "$package" ] || ! download; then
      say "apt-get download $package failed"
      exit 1
    fi
  fi
  debs=("$cache/debs/${package}"_*.deb)
fi
deb=${debs[0]}

target="$cache/kernel/$package"
# The marker names the modules extracted: a changed list extracts again.
if [ -f "$target/ready" ] && [ "$(cat "$target/ready")" = "${roots[*]}" ]; then
  echo "$target"
  exit 0
fi
say "extracting $(basename "$deb")"
rm -rf "$cache/kernel"  # only the current kernel is kept
work="$target.partial"
mkdir -p "$work/tree" "$work/modules"

listing="$work/listing"
# One pass over the package (decompressing it is the slow part) lists it and takes the kernel
# image and the USB and media drivers, where the modules and their dependencies usually are.
dpkg-deb --fsys-tarfile "$deb" | tee >(tar -t > "$listing") |
  tar -x -C "$work/tree" --wildcards './boot/vmlinuz-*' './lib/modules/*/modules.builtin' \
    './lib/modules/*/kernel/drivers/usb/*' './lib/modules/*/kernel/drivers/media/*' ||
  say "not every usual folder is in the package; looking module by module"
wait  # for the listing

extract() {  # extract the named members into $work/tree, unless they are there already
  local wanted=() m
  for m in "$@"; do [ -e "$work/tree/$m" ] || wanted+=("$m"); done
  [ ${#wanted[@]} -eq 0 ] && return 0
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work/tree" "${wanted[@]}"
}

vmlinuz=$(grep -m1 '^\./boot/vmlinuz-' "$listing") || { say "no kernel image in $deb"; exit 1; }
builtin=$(grep -m1 '/modules\.builtin$' "$listing" || true)

normal() { echo "${1//-/_}"; }

# Module name -> archive member, for every module the package carries.
declare -A member
while IFS= read -r path; do
  base=${path##*/}
  name=${base%%.ko*}
  member[$(normal "$name")]=$path
done < <(grep -E '\.ko(\.xz|\.zst|\.gz)?$' "$listing")

declare -A is_builtin
if [ -n "$builtin" ]; then
  while IFS= read -r path; do
    base=${path##*/}
    is_builtin[$(normal "${base%.ko}")]=1
  done < "$work/tree/$builtin"
fi

# Plain .ko for the guest's insmod, whatever compression the package uses.
decompress() {
  case "$1" in
    *.xz) xz -dc "$1" ;;
    *.zst) zstd -qdc "$1" ;;
    *.gz) gzip -dc "$1" ;;
    *) cat "$1" ;;
  esac
}

# Breadth-first over the `depends=` of each module's .modinfo, extracting as we go.
declare -A seen depends
queue=()
for r in "${roots[@]}"; do queue+=("$(normal "$r")"); done
while [ ${#queue[@]} -gt 0 ]; do
  fresh=()
  for name in "${queue[@]}"; do
    [ -n "${seen[$name]:-}" ] && continue
    seen[$name]=1
    if [ -z "${member[$name]:-}" ]; then
      [ -n "${is_builtin[$name]:-}" ] && { depends[$name]=builtin; continue; }
      say "module $name is neither in $deb nor built in"
      exit 1
    fi
    fresh+=("$name")
  done
  queue=()
  [ ${#fresh[@]} -eq 0 ] && break
  members=()
  for name in "${fresh[@]}"; do members+=("${member[$name]}"); done
  extract "${members[@]}"
  for name in "${fresh[@]}"; do
    decompress "$work/tree/${member[$name]}" > "$work/modules/$name.ko"
    deps=$(tr '\0' '\n' < "$work/modules/$name.ko" | sed -n 's/^depends=//p' | head -1)
    depends[$name]=${deps//,/ }
    for d in ${depends[$name]}; do queue+=("$(normal "$d")"); done
  done
done

# Loading order: every module after the ones it depends on.
declare -A placed
order=()
place() {
  local name=$1
  [ -n "${placed[$name]:-}" ] && return
  placed[$name]=1
  [ "${depends[$name]}" = builtin ] && return
  local d
  for d in ${depends[$name]}; do place "$(normal "$d")"; done
  order+=("$name")
}
for r in "${roots[@]}"; do place "$(normal "$r")"; done

cp "$work/tree/$vmlinuz" "$work/vmlinuz"
printf '%s\n' "${order[@]}" > "$work/load-order"
rm -rf "$work/tree" "$listing"
echo "${roots[*]}" > "$work/ready"
mv "$work" "$target"
say "kernel $(basename "$vmlinuz"), modules: ${order[*]}"
echo "$target"
