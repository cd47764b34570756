# fish completion for kavrin: the candidates of kavrin's bash completion, as whole words
# (kavrin-words.bash), so that every shell offers the same. Installed in
# /usr/share/fish/vendor_completions.d.
function __kavrin_words
    set -l words_script /usr/share/kavrintool/kavrin-words.bash
    set -q KAVRIN_COMPLETION_WORDS; and set words_script $KAVRIN_COMPLETION_WORDS
    bash $words_script (commandline -cp) 2>/dev/null
end
complete -c kavrin -f -a '(__kavrin_words)'
