#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop sees there:
# the tree, the desktop entries, the metainfo, the MIME package, the manual pages and
# the bash completion against the programs' --help, the versions, a split and a join
# run from the installed tree, and the file type and default program per xdg-mime.
# A check whose tool is missing is skipped with a message.
#
# check_install.sh BUILD_DIR VERSION FULL_BINDIR FULL_DATADIR FULL_MANDIR
set -uo pipefail
build=$1 version=$2 bindir=$3 datadir=$4 mandir=$5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $1 is not installed: $2"; }
have() { command -v "$1" >/dev/null 2>&1; }

DESTDIR=$root cmake --install "$build" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  echo "FAIL: cmake --install"
  exit 1
}
bin=$root$bindir
share=$root$datadir
man=$root$mandir
mime_type=application/x-kivora-definition

# The tree.
for program in kivora kivora-cli kvrpack; do
  [ -x "$bin/$program" ] || fail "$bindir/$program is not an installed program"
done
expected=(
  applications/kivora.desktop applications/kvrpack.desktop mime/packages/kivora.xml
  metainfo/tw.org.kivora.kivora.metainfo.xml bash-completion/completions/kivora-cli
  zsh/vendor-completions/_kivora-cli fish/vendor_completions.d/kivora-cli.fish
  icons/hicolor/scalable/apps/kivora.svg icons/hicolor/scalable/apps/kvrpack.svg
  kivora/kivora-cli.schema.json
)
for size in 16 24 32 48 64 128 256; do
  expected+=("icons/hicolor/${size}x$size/apps/kivora.png" "icons/hicolor/${size}x$size/apps/kvrpack.png")
done
for file in "${expected[@]}"; do [ -s "$share/$file" ] || fail "missing $datadir/$file"; done
for page in kivora kivora-cli kvrpack; do
  [ -s "$man/man1/$page.1.gz" ] || fail "missing $mandir/man1/$page.1.gz"
done
[ -d "$share/kivora/plugin" ] || fail "missing the plug-in folder $datadir/kivora/plugin"
if have file; then
  for size in 16 256; do
    file "$share/icons/hicolor/${size}x$size/apps/kivora.png" | grep -q "$size x $size" ||
      fail "the ${size}x$size icon is not $size pixels square"
  done
fi

# Desktop entries, metainfo, MIME package.
if have desktop-file-validate; then
  for entry in kivora kvrpack; do
    out=$(desktop-file-validate "$share/applications/$entry.desktop" 2>&1) && [ -z "$out" ] ||
      fail "desktop-file-validate $entry.desktop: $out"
  done
else
  skip desktop-file-validate "desktop entries"
fi
grep -qx "MimeType=$mime_type;" "$share/applications/kivora.desktop" &&
  grep -q '^Exec=kivora %f$' "$share/applications/kivora.desktop" ||
  fail "kivora.desktop does not open $mime_type with %f"
if have appstreamcli; then
  appstreamcli validate --no-net "$share/metainfo/tw.org.kivora.kivora.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || fail "appstreamcli validate: $(cat "$work/appstream.log")"
else
  skip appstreamcli "metainfo"
fi
if have xmllint; then
  xmllint --noout "$share/mime/packages/kivora.xml" || fail "xmllint kivora.xml"
else
  skip xmllint "MIME package"
fi

# Versions.
for program in kivora kivora-cli kvrpack; do
  out=$("$bin/$program" --version 2>&1)
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
done

# The options each program's --help lists.
help_options() { "$@" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }
subcommands="split join test resplit repair info plugins fetch check"

# Manual pages: rendered without warnings, and naming every option of --help.
if have man; then
  for page in kivora kivora-cli kvrpack; do
    out=$(MANWIDTH=80 man --warnings -l "$man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man $page: $out"
  done
else
  skip man "manual pages"
fi
page_options() { gzip -dc "$man/man1/$1.1.gz" | sed 's/\\-/-/g' | grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }
for program in kivora kvrpack; do
  missing=$(comm -23 <(help_options "$bin/$program") <(page_options "$program"))
  [ -z "$missing" ] || fail "$program(1) lacks" $missing
done
for command in "" $subcommands; do
  missing=$(comm -23 <(help_options "$bin/kivora-cli" $command) <(page_options kivora-cli))
  [ -z "$missing" ] || fail "kivora-cli(1) lacks for '$command':" $missing
done

# Bash completion: subcommands, and every option of each subcommand's --help.
if [ -r /usr/share/bash-completion/bash_completion ]; then
  complete_words() {
    bash -c 'source /usr/share/bash-completion/bash_completion
             source "$1"; shift
             COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
             COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
             _kivora_cli kivora-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
             printf "%s\n" "${COMPREPLY[@]}"' _ "$share/bash-completion/completions/kivora-cli" "$@" |
      sort -u
  }
  [ "$(complete_words kivora-cli re | tr '\n' ' ')" = "repair resplit " ] ||
    fail "completion of 're' is not 'repair resplit'"
  for command in $subcommands; do
    missing=$(comm -23 <(help_options "$bin/kivora-cli" $command) <(complete_words kivora-cli "$command" -))
    [ -z "$missing" ] || fail "completion of kivora-cli $command lacks" $missing
  done
else
  skip bash-completion "completion of kivora-cli"
fi

# zsh and fish completions: valid scripts naming every option of every subcommand.
all_options=$(for command in "" $subcommands; do help_options "$bin/kivora-cli" $command; done | sort -u)
zsh_file=$share/zsh/vendor-completions/_kivora-cli
fish_file=$share/fish/vendor_completions.d/kivora-cli.fish
missing=$(comm -23 <(echo "$all_options") <(grep -o -- '--[a-z][a-z0-9-]*' "$zsh_file" | sort -u))
[ -z "$missing" ] || fail "zsh completion lacks" $missing
missing=$(comm -23 <(echo "$all_options") <(grep -o -- '-l [a-z][a-z0-9-]*' "$fish_file" | sed 's/^-l /--/' | sort -u))
[ -z "$missing" ] || fail "fish completion lacks" $missing
if have zsh; then zsh -n "$zsh_file" || fail "zsh -n _kivora-cli"; else skip zsh "zsh completion syntax"; fi
if have fish; then fish -n "$fish_file" || fail "fish -n kivora-cli.fish"; else skip fish "fish completion syntax"; fi

# A split and a join by the installed program, which finds its own plug-in folder.
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" "$work/set"
head -c 300000 /dev/urandom >"$work/source.bin"
"$bin/kivora-cli" split "$work/source.bin" -o "$work/set" -s 50 >"$work/split.log" 2>&1 ||
  fail "installed split: $(cat "$work/split.log")"
"$bin/kivora-cli" join "$work/set/source.kvr" --output "$work/joined.bin" >"$work/join.log" 2>&1 ||
  fail "installed join: $(cat "$work/join.log")"
cmp -s "$work/source.bin" "$work/joined.bin" || fail "the joined file differs from the source"
"$bin/kivora-cli" plugins 2>&1 | grep -qx "  $share/kivora/plugin" ||
  fail "the installed kivora-cli does not look for plug-ins in $datadir/kivora/plugin"

# The file type and its default program, as xdg-mime finds them in the installed tree.
if have xdg-mime && have update-mime-database && have update-desktop-database; then
  update-mime-database "$share/mime" >"$work/mime.log" 2>&1 || fail "update-mime-database: $(cat "$work/mime.log")"
  update-desktop-database "$share/applications" || fail "update-desktop-database"
  cp "$work/set/source.kvr" "$work/definition"  # no extension: the "KV" magic decides
  : >"$work/empty.kvr"                           # no magic: the name decides
  xdg() {
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
      XDG_DATA_DIRS="$share:/usr/share" xdg-mime "$@" 2>&1
  }
  out=$(xdg query default "$mime_type")
  [ "$out" = kivora.desktop ] || fail "xdg-mime query default $mime_type gave '$out'"
  for file in "$work/set/source.kvr" "$work/definition" "$work/empty.kvr"; do
    out=$(xdg query filetype "$file")
    [ "$out" = "$mime_type" ] || fail "xdg-mime query filetype ${file##*/} gave '$out'"
  done
else
  skip "xdg-mime or the MIME and desktop database tools" "file type and default program"
fi

[ "$failures" -eq 0 ] && echo "The installed tree passed every check." || exit 1
