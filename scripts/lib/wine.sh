# Wine as the Windows checks run it. Sourced after common.sh.

# wine_environment PREFIX: exports Wine's settings for a prefix of the caller's (no debug
# output but a library that cannot be loaded, which would otherwise end a program before it
# prints a line, without a word; never a dialog: Mono and Gecko are never offered; and
# nothing outside the prefix: winemenubuilder, which copies each Windows shortcut and icon
# into the desktop's menus, writes those of the prefix's own, not the user's) and sets
# wine_program, the Wine that runs the Windows programs.
wine_environment() {
  export WINEPREFIX=$1 WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml="
  export XDG_DATA_HOME=$1/desktop/data XDG_CONFIG_HOME=$1/desktop/config
  wine_program=$(type -P wine || echo /usr/lib/wine/wine64)
}

# wine_new_prefix FOLDER: makes FOLDER a new Wine prefix, as `wineboot -i` makes one, and
# sets Wine's environment for it (wine_environment). Wine takes some 15 s to make a prefix
# and cp a second to copy one: the first made for this Wine is kept in the user's cache,
# and each later one is a copy of it.
wine_new_prefix() {
  local template
  wine_environment "$1"
  template=$quorvale_cache/wine-prefix/$("$wine_program" --version |
    sha256sum | cut -c1-16)
  if [ ! -d "$template" ]; then
    mkdir -p "${template%/*}"
    # A folder of this call's own: two checks of one stage may make the first at once.
    local partial
    partial=$(mktemp -d "$template.XXXXXX")
    WINEPREFIX=$partial "$wine_program" wineboot -i >/dev/null 2>&1 &&
      WINEPREFIX=$partial wineserver -w || {
      rm -rf "$partial"
      echo "Wine could not make a prefix in $partial" >&2
      return 1
    }
    # Another call that made one first keeps its own.
    mv -T "$partial" "$template" 2>/dev/null || rm -rf "$partial"
    # The templates of the Wines this machine had before are of no more use.
    find "${template%/*}" -mindepth 1 -maxdepth 1 ! -name "${template##*/}*" -exec rm -rf {} +
  fi
  rm -rf "$1"
  mkdir -p "${1%/*}"
  cp -a "$template" "$1"
}
