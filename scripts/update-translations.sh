#!/usr/bin/env bash
# The catalogues (po/) and the code kept in step.
#   update-translations.sh          writes po/candlewatcher.pot from the texts the code marks for
#                                   translation (Tr, TrN, TrNoop, QTr, QTrN), the desktop entry and the
#                                   AppStream metadata and the manual page (po4a), and merges it into every language's .po: new texts
#                                   come in untranslated, changed ones fuzzy, for translators to finish.
#   update-translations.sh --check  changes nothing; fails when the template is out of date with the code,
#                                   a catalogue has an untranslated, fuzzy or stale entry, or a window or
#                                   command-line text is written out without being marked.
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
[ "${1:-}" = --check ] && check=true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The code's texts, by file only (no line numbers), so that moving code does not change the catalogues.
git ls-files -- '*.cpp' '*.h' | grep -Ev '^(tests|bench)/' >"$work/sources"
common=(--force-po --from-code=UTF-8 --add-location=file --sort-by-file --add-comments=TRANSLATORS:
    --package-name=Candlewatcher --msgid-bugs-address=https://candlewatcher.example.org/issues)
xgettext "${common[@]}" -L C++ --keyword= --keyword=Tr --keyword=TrN:1,2 --keyword=TrNoop --keyword=QTr \
    --keyword=QTrN:1,2 --flag=Tr:1:qt-format --flag=TrN:1:qt-format --flag=TrN:2:qt-format --flag=QTr:1:qt-format \
    --flag=QTrN:1:qt-format --flag=QTrN:2:qt-format -f "$work/sources" -o "$work/code.pot"
xgettext "${common[@]}" -L Desktop app/candlewatcher.desktop.in -o "$work/desktop.pot"
GETTEXTDATADIRS=$PWD/po xgettext "${common[@]}" packaging/candlewatcher.metainfo.xml.in -o "$work/metainfo.pot"
po4a-updatepo --format man --master packaging/candlewatcher.1 --master-charset UTF-8 --po "$work/man.pot" \
    --package-name Candlewatcher --msgid-bugs-address https://candlewatcher.example.org/issues >/dev/null 2>&1
msgcat --use-first --add-location=file --sort-by-file "$work/code.pot" "$work/desktop.pot" "$work/metainfo.pot" \
    "$work/man.pot" |
    sed '/^"POT-Creation-Date:/d' >"$work/candlewatcher.pot"
# msgcat fills in a header of its own when the parts disagree; keep xgettext's.
msgcat --use-first "$work/code.pot" "$work/candlewatcher.pot" -o /dev/null

failed=false
if $check; then
    if ! diff -q po/candlewatcher.pot "$work/candlewatcher.pot" >/dev/null; then
        echo "po/candlewatcher.pot is out of date with the code: run scripts/update-translations.sh" >&2
        diff -u po/candlewatcher.pot "$work/candlewatcher.pot" | head -40 >&2 || true
        failed=true
    fi
else
    cp "$work/candlewatcher.pot" po/candlewatcher.pot
fi

total=$(msgattrib --no-obsolete po/candlewatcher.pot | grep -c '^msgid ' || true)
total=$((total - 1)) # the header
while read -r language; do
    case "$language" in '' | '#'*) continue ;; esac
    po=po/$language.po
    if ! $check; then
        if [ -f "$po" ]; then
            msgmerge --quiet --update --backup=none --previous --add-location=file --sort-by-file "$po" po/candlewatcher.pot
            msgattrib --no-obsolete "$po" -o "$po"
        else
            msginit --no-translator --locale="$language.UTF-8" -i po/candlewatcher.pot -o "$po"
        fi
    fi
    untranslated=$(msgattrib --untranslated --no-obsolete "$po" | grep -c '^msgid ' || true)
    fuzzy=$(msgattrib --only-fuzzy --no-obsolete "$po" | grep -c '^msgid ' || true)
    entries=$(msgattrib --no-obsolete "$po" | grep -c '^msgid ' || true)
    # Each count includes the header, when there is anything to count.
    untranslated=$((untranslated > 0 ? untranslated - 1 : 0))
    fuzzy=$((fuzzy > 0 ? fuzzy - 1 : 0))
    if [ "$untranslated" -ne 0 ] || [ "$fuzzy" -ne 0 ]; then
        echo "$po: $untranslated untranslated and $fuzzy fuzzy entries" >&2
        failed=true
    fi
    if ! msgcmp --use-untranslated --use-fuzzy "$po" po/candlewatcher.pot 2>"$work/msgcmp" ||
        [ "$((entries - 1))" -ne "$total" ]; then
        echo "$po does not match po/candlewatcher.pot: run scripts/update-translations.sh" >&2
        head -5 "$work/msgcmp" >&2
        failed=true
    fi
    msgfmt --check -o /dev/null "$po" || failed=true
done <po/LINGUAS

# Texts the user reads, written out without a mark: a window text set from a plain literal, or a
# command-line message printed from one.
if grep -nE '(setText|setWindowTitle|setToolTip|setAccessibleName|setAccessibleDescription|setPlaceholderText|addAction|Warn|Inform|Ask|showMessage)\((QStringLiteral\()?"[^"%]*[A-Za-z]+ [A-Za-z]+' \
    $(grep -E '^(tray|manage|ui|desktop|app)/' "$work/sources") >"$work/unmarked" ||
    grep -nE '(fputs|printf)\( *"[^"%]*[A-Za-z]+ [A-Za-z]+|fprintf\(std(err|out), *"[^"%]*[A-Za-z]+ [A-Za-z]+' \
        $(grep -E '^(cli|app)/' "$work/sources") >>"$work/unmarked"; then
    echo "texts shown to the user without a translation mark (wrap them in Tr or QTr):" >&2
    cat "$work/unmarked" >&2
    failed=true
fi

if $failed; then
    exit 1
fi
$check && echo "catalogues: $total texts, every language complete and up to date"
exit 0
