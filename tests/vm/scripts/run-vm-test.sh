#!/usr/bin/env bash
# The virtual-machine test, as ctest runs it: fetch the current Debian kernel (cached), pack
# the guest, boot it under qemu (software emulation, bounded by `timeout`) and judge the
# serial console.
#
#   run-vm-test.sh --cache DIR --work DIR --camera PROGRAM --checks PROGRAM --kavrin PROGRAM
#                  --state FILE --rule UDEV_RULE
#
# Environment: KAVRIN_VM_TIMEOUT (seconds for the boot, default 720), KAVRIN_VM_ACCEL
# (qemu accelerator, default tcg), KAVRIN_VM_ICOUNT (qemu's -icount under tcg, default
# shift=1,sleep=on; "off" for the guest's clock to follow the real one).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache='' work='' camera='' checks='' kavrin='' state='' rule=''
while [ $# -gt 0 ]; do
  case "$1" in
    --cache) cache=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --camera) camera=$2; shift 2 ;;
    --checks) checks=$2; shift 2 ;;
    --kavrin) kavrin=$2; shift 2 ;;
    --state) state=$2; shift 2 ;;
    --rule) rule=$2; shift 2 ;;
    *) echo "run-vm-test: unknown argument $1" >&2; exit 2 ;;
  esac
done
for v in cache work camera checks kavrin state rule; do
  [ -n "${!v}" ] || { echo "run-vm-test: --$v is required" >&2; exit 2; }
done

missing=()
for tool in qemu-system-x86_64 cpio busybox gzip strip apt-get dpkg-deb; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "run-vm-test: missing ${missing[*]}; scripts/install-deps installs them" >&2
  exit 1
fi

kernel=$("$here/fetch-kernel.sh" "$cache")
mkdir -p "$work"
initramfs="$work/initramfs.cpio.gz"
serial="$work/serial.log"
"$here/build-initramfs.sh" --kernel "$kernel" --init "$here/../guest/init.sh" --out "$initramfs" \
  --program "$camera" --program "$checks" --program "$kavrin" \
  --file "$state=/etc/kavrin-vm/zk742_state.json" \
  --file "$rule=/etc/kavrin-vm/70-kavrin-zk742.rules"

echo "run-vm-test: booting $(basename "$kernel") under qemu"
status=0
# Under software emulation the guest's clock counts instructions (2 ns each) while it runs
# and follows the real clock only while it is idle: a loaded machine then slows the guest
# down without making its drivers' time-outs (uvcvideo's 5 s) expire in the middle of work
# the guest has not been given the time to do.
clock=()
icount=${KAVRIN_VM_ICOUNT:-shift=1,sleep=on}
if [ "${KAVRIN_VM_ACCEL:-tcg}" = tcg ] && [ "$icount" != off ]; then
  clock=(-icount "$icount")
fi
timeout --kill-after=10 "${KAVRIN_VM_TIMEOUT:-720}" \
  qemu-system-x86_64 -accel "${KAVRIN_VM_ACCEL:-tcg}" -m 512 -smp 1 "${clock[@]}" \
  -kernel "$kernel/vmlinuz" -initrd "$initramfs" \
  -append "console=ttyS0 loglevel=3 panic=-1 usbcore.autosuspend=-1" \
  -nographic -no-reboot -nodefaults -serial "file:$serial" -monitor none </dev/null || status=$?
[ -f "$serial" ] || : > "$serial"

# The guest's own lines: sections, verdicts, notes and the camera's log when it shows it.
sed -n '/^== /,/^KAVRIN-VM-RESULT/p' "$serial" | tr -d '\r' |
  grep -vE '^(KAVRIN-VM-RESULT|[0-9]+ passed, [0-9]+ failed$)' || true
summary=$(tr -d '\r' < "$serial" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1 || true)
result=$(tr -d '\r' < "$serial" | sed -n 's/^KAVRIN-VM-RESULT: \([0-9]*\)$/\1/p' | tail -1)

if [ -z "$summary" ] || [ -z "$result" ]; then
  [ "$status" -eq 124 ] && echo "run-vm-test: the guest did not finish within ${KAVRIN_VM_TIMEOUT:-720} s"
  echo "run-vm-test: the guest did not report; the serial log ends:"
  tail -n 40 "$serial" | tr -d '\r'
  echo "0 passed, 1 failed"
  exit 1
fi
echo "$summary"
[ "$result" -eq 0 ] && exit 0
echo "run-vm-test: guest checks failed (full serial log: $serial)"
exit 1
