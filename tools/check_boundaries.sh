#!/bin/sh
# Fails when code outside platform/ (and the separate skin library) includes
# a header of GTK, GDK, GLib, WebKit, curl, libjpeg or dlfcn.
root=${1:-.}
cd "$root" || exit 2
hits=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](gtk/|gdk/|gdk-pixbuf/|glib|gio/|webkit|JavaScriptCore|jsc/|curl/|jpeglib|jerror|jconfig|jmorecfg|turbojpeg|dlfcn|cairo|pango)' \
  app catalogue player skin tests/unit bench 2>/dev/null | grep -v '^bench/bare_' )
if [ -n "$hits" ]; then
  echo "Library headers included outside platform/:" >&2
  echo "$hits" >&2
  exit 1
fi
exit 0
