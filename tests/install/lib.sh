# The install tests' shared start: strict mode, the build and source folders, a temporary folder removed at
# exit (named after the script), and fail. Source this file.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/await.sh"
build=${TEST_BINARY_DIR:?TEST_BINARY_DIR is not set}
source=${TEST_SOURCE_DIR:?TEST_SOURCE_DIR is not set}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/$(basename "$0" .sh).XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
