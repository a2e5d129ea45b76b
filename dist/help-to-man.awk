# Turns the "commands:" and "options:" tables of `copyloom --help` into man
# page entries, so the manual page and --help cannot drift apart.
# Usage: copyloom --help | awk -v section=commands -f help-to-man.awk
function roff(text) {
  gsub(/\\/, "\\e", text)
  gsub(/-/, "\\-", text)
  sub(/^[.']/, "\\\\&&", text)
  return text
}
function flush() {
  if (name != "") printf ".TP\n.B %s\n%s\n", roff(name), roff(description)
  name = ""
  description = ""
}
$0 == section ":" { inside = 1; next }
inside && /^$/ { flush(); exit }
inside && /^  [^ ]/ {
  flush()
  line = substr($0, 3)
  cut = match(line, /  +/)
  if (cut) {
    name = substr(line, 1, cut - 1)
    description = substr(line, cut + RLENGTH)
  } else {
    name = line
  }
  next
}
inside && /^   +[^ ]/ {
  sub(/^ +/, "")
  description = description (description == "" ? "" : " ") $0
  next
}
END { if (inside) flush() }
