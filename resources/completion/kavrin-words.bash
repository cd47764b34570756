# shellcheck shell=bash
# The candidates kavrin's bash completion offers for the last word of a command line, as whole
# words without shell quoting, one a line: what zsh and fish need from it. Both shells call
# this, so that the rules of completion (commands, options, the configuration's items for
# --set, the recorders' addresses for --device, files) live in one place, the bash script.
#
#   kavrin-words.bash 'kavrin --set TV\ Sys'      ->  TV System=
#
# The line is what stands before the cursor; its first word the program. The bash script is
# KAVRIN_BASH_COMPLETION, else the installed one.
line=$1
# shellcheck source=resources/completion/kavrin.bash
source "${KAVRIN_BASH_COMPLETION:-/usr/share/bash-completion/completions/kavrin}" || exit 1

# COMP_WORDS as bash makes them: words split at blanks that no backslash escapes, and '=' and
# ':' as words of their own ("--set", "TV\ System", "=", "P").
COMP_WORDS=("")
for ((i = 0; i < ${#line}; i++)); do
  c=${line:i:1}
  last=$((${#COMP_WORDS[@]} - 1))
  if [[ "$c" == "\\" && $((i + 1)) -lt ${#line} ]]; then
    COMP_WORDS[last]+=${line:i:2}
    i=$((i + 1))
  elif [[ "$c" == ' ' ]]; then
    [[ -n "${COMP_WORDS[last]}" ]] && COMP_WORDS+=("")
  elif [[ "$c" == '=' || "$c" == ':' ]]; then
    if [[ -n "${COMP_WORDS[last]}" && "${COMP_WORDS[last]: -1}" != "$c" ]]; then
      COMP_WORDS+=("")
      last=$((last + 1))
    fi
    COMP_WORDS[last]+=$c
    COMP_WORDS+=("")
  else
    COMP_WORDS[last]+=$c
  fi
done
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
COMP_LINE=$line
COMP_POINT=${#line}
_kavrin 2>/dev/null

# bash replaces only the part after the last '=' or ':'; the other shells replace the whole
# word, so the part before it goes in front.
unquote() { printf '%s' "$1" | sed 's/\\\(.\)/\1/g'; }
token=$(_kavrin_last_word "$line")
current=${COMP_WORDS[COMP_CWORD]}
[[ "$current" == [=:] ]] && current=""
head=$(unquote "${token:0:$((${#token} - ${#current}))}")
for candidate in "${COMPREPLY[@]}"; do
  printf '%s%s\n' "$head" "$(unquote "$candidate")"
done
