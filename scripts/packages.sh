# Debian package helpers, sourced by scripts/setup.sh and fuzz/run.sh (bash, set -e).

# The package lists are refreshed at most once per script run; a failed refresh stops
# the script: installing from stale or missing lists would fail later, less clearly.
packages_updated=""
packages_sudo=""
if [ "$(id -u)" -ne 0 ]; then packages_sudo=sudo; fi
packages_update() {
  [ -n "$packages_updated" ] && return 0
  if ! $packages_sudo apt-get update -qq; then
    echo "apt-get update failed: cannot refresh Debian's package lists (network, sources or permissions?)" >&2
    return 1
  fi
  packages_updated=yes
}

package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Installs those of the packages given that are not installed yet, without recommends.
packages_install() {
  local missing=() p
  for p in "$@"; do
    package_installed "$p" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  packages_update
  DEBIAN_FRONTEND=noninteractive $packages_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# True when the package lists know the package (installed or installable).
package_known() {
  package_installed "$1" || apt-cache show "$1" > /dev/null 2>&1
}
