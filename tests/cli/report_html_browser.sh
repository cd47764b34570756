#!/usr/bin/env bash
# kavrin report's HTML page in a real browser: headless Chromium (Debian's chromium package)
# opens the page written from two stations' logs, and the page must load without a console
# message (no script error, no blocked load: the page fetches nothing), show the chart with
# one bar per hour, and show a hostile serial as text, never as markup. The console check is
# first shown to catch a page that has an error.
#
#   tests/cli/report_html_browser.sh KAVRIN_BINARY [SCREENSHOT.png]
#
# Exit status: 0 pass, 1 fail, 77 skipped (no chromium: scripts/install-deps test installs it).
set -euo pipefail
kavrin=$1
screenshot=${2:-}
browser=$(command -v chromium || true)
if [ -z "$browser" ]; then
  echo "report_html_browser: SKIPPED: chromium is not installed (scripts/install-deps test)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Chromium as a test runner: no sandbox (root in CI), no GPU, and none of the background
# connections that a closed network refuses; each run with a profile of its own.
run_browser() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  timeout 90 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --enable-logging=stderr --v=0 "$@"
}

# The page's console messages (errors, blocked loads), one a line; nothing for a clean page.
console_messages() {
  run_browser --dump-dom "file://$1" 2>"$work/console.log" >"$work/dom.html" || {
    echo "report_html_browser: chromium failed on $1:" >&2
    cat "$work/console.log" >&2
    return 1
  }
  grep ':CONSOLE' "$work/console.log" || true
}

fail() {
  echo "report_html_browser: FAILED: $*" >&2
  exit 1
}

# The check catches a page with a script error.
printf '<!DOCTYPE html><html><body><script>noSuchFunction()</script></body></html>\n' \
  >"$work/broken.html"
[ -n "$(console_messages "$work/broken.html")" ] || fail "the console check misses a script error"

# Two stations' logs as stations write them: units over three hours, one NG, one pulled
# out, one serial at both stations, a serial that is markup, and a crash's half line.
head='"schema":1,"command":"station","tool":{"name":"kavrin","version":"1.0.0"},"config":{"path":"/line/KAVRIN_CFG.ini","sha256":"cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc"},"source":{"kind":"file","path":"/line/line.bin","sha256":"dddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddd"},"changes":["TV System=PAL"]'
sha=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
start() { # STATION SESSION STARTED
  printf '{%s,"record":"start","ok":true,"session":"%s","station":"%s","started":"%s","settings":"%0160d","settingsSha256":"%s","differsFromDefaults":[],"options":{"clock":"now","force":false,"verify":false,"setKavrinFlag":false,"count":0,"devices":[]}}\n' \
    "$head" "$2" "$1" "$3" 0 "$sha"
}
unit() { # STATION SESSION SERIAL FINISHED [REASON STEP]
  local ok=true result=ok failure=""
  if [ $# -gt 4 ]; then
    ok=false result=failed
    failure=",\"reason\":\"$5\",\"message\":\"failed at $6\",\"step\":\"$6\",\"cause\":\"refused\""
  fi
  printf '{%s,"record":"unit","ok":%s,"session":"%s","station":"%s","device":{"node":"/dev/video2","port":"1-1","serial":"%s","name":"ZK742"}%s,"settingsSha256":"%s","unit":{"model":"ZK742","hardware":"HW 1.2","firmware":"FW 3.4","information":[]},"result":"%s","started":"%s","finished":"%s","durationMs":900}\n' \
    "$head" "$ok" "$2" "$1" "$3" "$failure" "$sha" "$result" "$4" "$4"
}
{
  start line-3 s3 2026-12-11T08:59:01.000+08:00
  unit line-3 s3 ZK0001 2026-12-11T09:10:00.120+08:00
  unit line-3 s3 ZK0002 2026-12-11T09:40:00.000+08:00
  unit line-3 s3 ZK0003 2026-12-11T10:05:00.000+08:00 engine-test-ng "engine tests"
  unit line-3 s3 '<script>alert(1)<\/script>' 2026-12-11T10:20:00.000+08:00 transfer-failed "settings chunk 2"
  unit line-3 s3 ZK0005 2026-12-11T10:30:00.000+08:00
} >"$work/line-3.jsonl"
{
  start line-4 s4 2026-12-11T09:45:00.000+08:00
  unit line-4 s4 ZK0101 2026-12-11T09:50:00.000+08:00 unavailable opening
  unit line-4 s4 ZK0005 2026-12-11T11:02:00.000+08:00
  printf '{"schema":1,"command":"station","record":"unit","ok":tr'
} >"$work/line-4.jsonl"

"$kavrin" report "$work/line-3.jsonl" "$work/line-4.jsonl" --html "$work/report.html" \
  >"$work/report.txt" || fail "kavrin report failed"

messages=$(console_messages "$work/report.html")
[ -z "$messages" ] || fail "the page has console messages: $messages"
dom="$work/dom.html"
grep -q '<svg[^>]*id="units-per-hour"' "$dom" || fail "no chart in the page"
bars=$(grep -o '<g class="bar">' "$dom" | wc -l)
[ "$bars" -eq 3 ] || fail "$bars bars in the chart, not one per hour (3)"
grep -qi '<script' "$dom" && fail "a serial became a script element"
grep -q '&lt;script&gt;alert(1)&lt;/script&gt;' "$dom" || fail "the hostile serial is not shown as text"

if [ -n "$screenshot" ]; then
  run_browser --window-size=1100,1500 --screenshot="$screenshot" "file://$work/report.html" \
    2>/dev/null || fail "no screenshot"
  [ -s "$screenshot" ] || fail "the screenshot is empty"
fi
echo "report_html_browser: the page loads cleanly and shows $bars bars"
