#!/bin/sh
# /init of the virtual-machine test's guest (busybox sh): load the kernel modules, mount
# gadgetfs, run the checks, report, power off. The host judges the serial console.
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
echo "kavrin-vm: guest kernel $(uname -r)"
while read -r module; do
  insmod "/lib/modules/$module.ko" || echo "kavrin-vm: cannot load $module"
done < /lib/modules/load-order
mkdir -p /dev/gadget
mount -t gadgetfs gadgetfs /dev/gadget || echo "kavrin-vm: cannot mount gadgetfs"
mkdir -p /tmp/work
# The group the udev rule names (Debian's fixed id) and an unprivileged user outside it.
echo "root:x:0:0:root:/:/bin/sh" > /etc/passwd
echo "operator:x:1000:1000:operator:/tmp:/bin/sh" >> /etc/passwd
printf 'root:x:0:\nvideo:x:44:\noperator:x:1000:\n' > /etc/group
/bin/vm_guest_checks --camera /bin/zk742_camera --kavrin /bin/kavrin \
  --state /etc/kavrin-vm/zk742_state.json --work /tmp/work --gadget /dev/gadget/dummy_udc \
  --rule /etc/kavrin-vm/70-kavrin-zk742.rules
result=$?
if [ "$result" -ne 0 ]; then
  echo "kavrin-vm: ---- kernel messages about USB and video"
  dmesg | grep -iE 'usb|uvc|gadget|video' | tail -30
fi
echo "KAVRIN-VM-RESULT: $result"
poweroff -f
