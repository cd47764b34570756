# shellcheck shell=bash
# bash completion for kavrin: commands, options, the items and options of the configuration
# for --set (from `kavrin config --json`), the recorders' addresses for --device (from
# `kavrin devices --json`), block files and configurations for file arguments.
# Installed as /usr/share/bash-completion/completions/kavrin; works without the
# bash-completion package too (source this file).

# The subcommands and options of a command path ("" for kavrin itself, "block show", ...).
# tests/docs/completion_test.cpp keeps these lists equal to what `kavrin --help` says.
_kavrin_subcommands() {
  case "$1" in
    "") echo "config block devices info test read write verify kavrin station report help" ;;
    block) echo "new show" ;;
  esac
}

_kavrin_options() {
  local common="-h --help --config --file --json -v --verbose"
  local device="$common -d --device --all --wait"
  local operation="--set --logo --clock --verify --force --set-kavrin-flag --station"
  case "$1" in
    "") echo "-h --help --version" ;;
    help) echo "-h --help" ;;
    report) echo "-h --help --html --json" ;;
    config) echo "-h --help --config --file --json --check --write-default --force" ;;
    block) echo "-h --help" ;;
    "block new") echo "-h --help -o --output --set --logo --config --file --json" ;;
    "block show") echo "-h --help --config --file --json" ;;
    devices) echo "$common" ;;
    info | test | verify) echo "$device" ;;
    read) echo "$device -o --output" ;;
    write) echo "$device --verify --force --dry-run" ;;
    kavrin) echo "$device $operation --dry-run" ;;
    station) echo "$common -d --device $operation --count --log --dry-run" ;;
  esac
}

# The last shell word of a text: after the last blank that no backslash escapes.
_kavrin_last_word() {
  local pattern='((\\.|[^[:space:]\\])*)$'
  [[ "$1" =~ $pattern ]] && printf '%s' "${BASH_REMATCH[0]}"
}

# The configuration named on the line (--config/--file), for --set.
_kavrin_config_argument() {
  local i
  for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
    case "${COMP_WORDS[i]}" in
      --config | --file) printf '%s\n' "${COMP_WORDS[i + 1]}"; return ;;
    esac
  done
}

# "title<TAB>option" for every option of every setting item ("title<TAB>" for an item
# without options), from `kavrin config --json`: its tokens one a line (strings, brackets,
# other values), walked with the key each object is at.
_kavrin_item_table() {
  local config
  config=$(_kavrin_config_argument)
  "$_kavrin_program" config --json ${config:+--config "$config"} 2>/dev/null |
    grep -oE '"([^"\\]|\\.)*"|[][{}]|[-0-9.eE+]+|true|false|null' | awk '
    function text(t) {
      t = substr(t, 2, length(t) - 2)
      gsub(/\\"/, "\"", t); gsub(/\\\\/, "\\", t)
      return t
    }
    function valueDone() { if (type[d] == "o") expectKey[d] = 1 }
    function inItem() { return d >= 3 && name[2] == "items" && type[2] == "a" }
    $0 == "{" || $0 == "[" {
      under = type[d] == "o" ? key[d] : ""
      d++; type[d] = $0 == "{" ? "o" : "a"; expectKey[d] = 1; name[d] = under; key[d] = ""
      if (d == 3 && inItem()) { title = ""; options = 0 }
      next
    }
    $0 == "}" || $0 == "]" {
      if (d == 3 && inItem() && title != "" && options == 0) print title "\t"
      d--; valueDone(); next
    }
    {
      if (type[d] == "o" && expectKey[d]) { key[d] = text($0); expectKey[d] = 0; next }
      if (d == 3 && inItem() && key[3] == "title") title = text($0)
      if (d == 4 && inItem() && name[4] == "options") { print title "\t" text($0); options++ }
      valueDone()
    }'
}

# Every address of every video input kavrin sees: node, /dev/v4l links, serial:SN, port:PATH.
# With the configuration the line names, since kavrin refuses to list with one it cannot read.
_kavrin_addresses() {
  local json config
  config=$(_kavrin_config_argument)
  json=$("$_kavrin_program" devices --json ${config:+--config "$config"} 2>/dev/null)
  {
    grep -o '"node": *"[^"]*"' <<<"$json" | sed 's/^"node": *"//; s/"$//'
    grep -o '"serial": *"[^"]\+"' <<<"$json" | sed 's/^"serial": *"/serial:/; s/"$//'
    grep -o '"port": *"[^"]\+"' <<<"$json" | sed 's/^"port": *"/port:/; s/"$//'
    grep -o '"links": *\[[^]]*\]' <<<"$json" | grep -o '"/[^"]*"' | tr -d '"'
  } | sort -u
}

# Candidates for the whole word being typed (one a line, unescaped), offered the way bash
# reads them: blanks escaped, and without the part up to the last '=' or ':', which bash
# keeps as words of its own and does not replace.
_kavrin_reply_words() {
  local word=$1 typed=$2 candidate head escaped
  local current=${COMP_WORDS[COMP_CWORD]}
  [[ "$current" == [=:] ]] && current=""  # the cursor right after the separator
  local keep=$(( ${#word} - ${#current} ))
  COMPREPLY=()
  while IFS= read -r candidate; do
    # Offered when it starts with what was typed, letter case aside.
    head=${candidate:0:${#typed}}
    if [ -z "$candidate" ] || [ "${head,,}" != "${typed,,}" ]; then continue; fi
    escaped=$(printf '%q' "$candidate")
    COMPREPLY+=("${escaped:$keep}")
  done
}

_kavrin_set_candidates() {
  local typed=$1 item table
  table=$(_kavrin_item_table)
  if [[ "$typed" == *=* ]]; then
    item=${typed%%=*}
    awk -F '\t' -v item="$item" 'tolower($1) == tolower(item) && $2 != "" {
      print item "=" $2 }' <<<"$table"
  else
    awk -F '\t' '$1 != "" { print $1 "=" }' <<<"$table" | sort -u
  fi
}

_kavrin() {
  local _kavrin_program=${COMP_WORDS[0]}
  local cur=${COMP_WORDS[COMP_CWORD]}
  [[ "$cur" == [=:] ]] && cur=""
  local line=${COMP_LINE:0:COMP_POINT}
  local word before
  word=$(_kavrin_last_word "$line")
  line=${line%"$word"}
  line=${line%"${line##*[![:space:]]}"}
  before=$(_kavrin_last_word "$line")
  # The word as typed, with its backslashes removed: "TV System=P".
  local typed
  typed=$(printf '%s' "$word" | sed 's/\\\(.\)/\1/g')

  # The command path: the words before the current one that are subcommands.
  local path="" i subcommands
  for ((i = 1; i < COMP_CWORD; i++)); do
    subcommands=" $(_kavrin_subcommands "$path") "
    if [[ "${COMP_WORDS[i]}" != -* && "$subcommands" == *" ${COMP_WORDS[i]} "* ]]; then
      path=${path:+$path }${COMP_WORDS[i]}
    fi
  done

  case "$before" in
    --set)
      [[ "$typed" == *=* ]] || compopt -o nospace 2>/dev/null
      _kavrin_reply_words "$word" "$typed" < <(_kavrin_set_candidates "$typed")
      return ;;
    -d | --device)
      _kavrin_reply_words "$word" "$typed" < <(_kavrin_addresses)
      return ;;
    --config | --file)
      mapfile -t COMPREPLY < <(compgen -f -X '!*.[iI][nN][iI]' -- "$cur"; compgen -d -- "$cur")
      return ;;
    -o | --output | --log | --write-default | --html)
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
    --clock)
      mapfile -t COMPREPLY < <(compgen -W "now utc" -- "$cur")
      return ;;
    --wait | --count | --logo | --station)
      return ;;
  esac

  if [[ "$cur" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(_kavrin_options "$path")" -- "$cur")
  elif [ -n "$(_kavrin_subcommands "$path")" ]; then
    mapfile -t COMPREPLY < <(compgen -W "$(_kavrin_subcommands "$path")" -- "$cur")
  else
    case "$path" in
      help)  # the command whose help to show
        mapfile -t COMPREPLY < <(compgen -W "$(_kavrin_subcommands "")" -- "$cur") ;;
      report)  # station logs
        mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
      "block show" | write | verify | kavrin)
        mapfile -t COMPREPLY < <(compgen -f -X '!*.[bB][iI][nN]' -- "$cur"; compgen -d -- "$cur") ;;
    esac
  fi
}
complete -F _kavrin kavrin
