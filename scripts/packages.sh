# Sourced by the scripts that build: installs the Debian packages that are missing, as root, or
# names them and the command that installs them. Usage: need_packages WHO PACKAGE...; extra
# names in the array `also_missing` (commands found missing by other means) are installed too.
need_packages() {
  local who=$1; shift
  local missing=("${also_missing[@]+"${also_missing[@]}"}") p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "$who: installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    { apt-get update -q && apt-get install -y -q "${missing[@]}"; } >&2 </dev/null
  else
    echo "$who: missing packages: ${missing[*]}" >&2
    echo "$who: install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
}
