# Sourced by the scripts that build from Debian's packages and source
# packages (scripts/web.sh, scripts/windows.sh); not run on its own.
#   debian_log_prefix    the caller's name for its messages ("web", "windows")
#   install_packages P... installs the packages that are not installed yet, each
#                        checked first to be one the apt sources offer
#   fetch_imgui CACHE    Dear ImGui's pinned source, unpacked into CACHE/imgui-1.86
#   link_headers CACHE NAME...   /usr/include/NAME linked into CACHE/include, so a
#                        build can point at these headers alone, never at all of
#                        /usr/include
#   sha256_of FILE
# Sources come through `apt-get source`, from a deb-src twin of the machine's
# Debian entries kept in CACHE/apt with an apt state of its own (the machine's
# apt configuration is left alone).

debian_log_prefix=${debian_log_prefix:-debian}

# The Dear ImGui the desktop links (Debian's libimgui-dev 1.86), pinned: a
# different source fails here rather than building something else.
imgui_version=1.86+ds-1
imgui_tarball=imgui_1.86+ds.orig.tar.xz
imgui_tarball_sha256=0dace0e8e57d298eb6e93af12dc19420cb96330832f6495c733b90aeeef11f64
imgui_cpp_sha256=f5831105e72d0737f1d42d615cfcb3039b36cb368e847822b9f574e12842b51a

debian_sudo=""
[ "$(id -u)" -ne 0 ] && debian_sudo="sudo"

install_packages() {
    local missing=() p
    for p in "$@"; do
        # grep without -q reads to the end: with pipefail, a grep that quits at
        # its first match can leave the writer dead of SIGPIPE, failing the test.
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep "install ok installed" >/dev/null ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "$debian_log_prefix: installing ${missing[*]}"
    $debian_sudo apt-get update -qq
    for p in "${missing[@]}"; do
        if ! apt-cache policy "$p" | grep 'Candidate: [^(]' >/dev/null; then
            echo "$debian_log_prefix: the machine's apt sources offer no package $p" >&2
            exit 1
        fi
    done
    DEBIAN_FRONTEND=noninteractive $debian_sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# apt-get with a state of its own under $1/apt, reading only the deb-src
# list written there.
private_apt() {
    local apt_dir=$1/apt
    shift
    apt-get -q -o Dir::Etc::SourceList="$apt_dir/deb-src.list" \
        -o Dir::Etc::SourceParts="$apt_dir/none" -o Dir::State::Lists="$apt_dir/lists" \
        -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User=root "$@"
}

# A deb-src line for every Debian archive the machine's sources lists name
# (as apt itself reads them), signed by Debian's archive keyring.
write_deb_src_list() {
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg option=""
    [ -f "$keyring" ] && option="[signed-by=$keyring] "
    apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(COMPONENT)' |
        awk -v option="$option" '$1 == "deb" && $2 ~ /debian/ {
            print "deb-src " option $2 " " $3 " " $4 }' | sort -u >"$1"
    if [ ! -s "$1" ]; then
        echo "$debian_log_prefix: the machine's apt sources name no Debian archive to take sources from" >&2
        exit 1
    fi
}

sha256_of() { sha256sum "$1" | cut -d' ' -f1; }

fetch_imgui() {
    local cache=$1
    local source_dir=$cache/imgui-1.86
    if [ -f "$source_dir/imgui.cpp" ] && [ "$(sha256_of "$source_dir/imgui.cpp")" = "$imgui_cpp_sha256" ]; then
        return
    fi
    local apt_dir=$cache/apt
    mkdir -p "$apt_dir/none" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
        "$cache/download"
    write_deb_src_list "$apt_dir/deb-src.list"
    echo "$debian_log_prefix: fetching Dear ImGui's source ($imgui_version) with apt-get source"
    private_apt "$cache" update >/dev/null
    (cd "$cache/download" && private_apt "$cache" source --download-only "imgui=$imgui_version" >/dev/null)
    local tarball=$cache/download/$imgui_tarball
    if [ "$(sha256_of "$tarball")" != "$imgui_tarball_sha256" ]; then
        echo "$debian_log_prefix: $tarball is not the pinned Dear ImGui source (sha256 differs)" >&2
        exit 1
    fi
    rm -rf "$source_dir"
    tar -xJf "$tarball" -C "$cache"
    if [ "$(sha256_of "$source_dir/imgui.cpp")" != "$imgui_cpp_sha256" ]; then
        echo "$debian_log_prefix: $source_dir/imgui.cpp is not the pinned one (sha256 differs)" >&2
        exit 1
    fi
}

link_headers() {
    local cache=$1 name
    shift
    mkdir -p "$cache/include"
    for name in "$@"; do
        ln -sfn "/usr/include/$name" "$cache/include/$name"
    done
}
