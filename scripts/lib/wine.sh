# Wine as the Windows checks run it. Sourced after common.sh.

# wine_environment PREFIX: exports Wine's settings for a prefix of the caller's (no debug
# output but a library that cannot be loaded, which would otherwise end a program before it
# prints a line, without a word; and never a dialog: Mono and Gecko are never offered) and
# sets wine_program, the Wine that runs the Windows programs.
wine_environment() {
  export WINEPREFIX=$1 WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml="
  wine_program=$(type -P wine || echo /usr/lib/wine/wine64)
}
