# Sourced by the screenshot scripts after quill_wine_up: the dialog templates
# name "ＭＳ Ｐゴシック"; map it (and the UI fonts) to IPA Gothic in the prefix,
# let Wine draw the captions itself (no window manager), and restart the
# wineserver so that the font cache is read again.
quill_japanese_fonts() {
  local fontdir=$WINEPREFIX/drive_c/windows/Fonts f name
  local subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  mkdir -p "$fontdir"
  for f in /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf \
           /usr/share/fonts/truetype/fonts-japanese-gothic.ttf; do
    [ -e "$f" ] && ln -sf "$(readlink -f "$f")" "$fontdir/$(basename "$f")"
  done
  for name in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS PGothic" "MS Gothic" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
    wine reg add "$subst" /v "$name" /d "IPAPGothic" /f >/dev/null 2>&1
  done
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  quill_wine_up
}
