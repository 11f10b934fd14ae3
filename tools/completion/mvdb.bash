# bash completion for mvdb. The commands and options come from the
# program's own --help, so they always match the installed version.

_mvdb_commands() {
    "$1" --help 2>/dev/null | awk '/^[A-Za-z]+:/ { in_list = ($1 == "Subcommands:") ; next }
                                   in_list && NF { print $1 }'
}

_mvdb_options() {
    "$@" --help 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u
}

_mvdb() {
    local cur prev program command word i
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    program=${COMP_WORDS[0]}

    case $prev in
    --data-dir | --info-dir)
        compopt -o dirnames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    --out)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    esac

    # The command is the first word that is no option and no option's value.
    command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --data-dir) ((i++)) ;;
        -*) ;;
        *)
            command=$word
            break
            ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$(_mvdb_options "$program")" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$(_mvdb_commands "$program")" -- "$cur"))
        fi
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_mvdb_options "$program" "$command")" -- "$cur"))
        return
    fi
    case $command in
    dump | check | import | export)
        COMPREPLY=($(compgen -f -- "$cur"))
        ;;
    esac
}

complete -F _mvdb mvdb
