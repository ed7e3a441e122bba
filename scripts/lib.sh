# Shared by the project's scripts.
: "${PLINTHAR_CACHE:=${XDG_CACHE_HOME:-$HOME/.cache}/plinthar}"
export PLINTHAR_CACHE

# The Windows target whose tests can run here: i686 when 32-bit Linux programs
# (and so 32-bit Wine) run on this kernel, else x86_64 under 64-bit Wine.
windows_test_arch() {
    if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo i686
    else
        echo x86_64
    fi
}
