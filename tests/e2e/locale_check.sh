#!/usr/bin/env bash
# The program's own Russian texts under a Western locale: the locale test records the screen
# under code page 1251 (ru_RU.UTF-8), then compares the screen under code page 1252
# (en_US.UTF-8) with that record. The character tests (any text kept on any code page) run
# under both, and under a system whose code page is UTF-8.
#   locale_check.sh E2E_TESTS.exe
set -uo pipefail
tests=$(realpath "$1")
source "$(dirname "$0")/../../scripts/lib/wine-env.sh"
export QB_PIXEL_REFERENCE
QB_PIXEL_REFERENCE=$(mktemp /tmp/qb-pixels.XXXXXX)
trap 'rm -f "$QB_PIXEL_REFERENCE"' EXIT
filter='--gtest_filter=Locale.*:Characters.*'
# Each Wine process takes its code page from the locale it starts in; the programs it starts
# keep it.
LC_ALL=ru_RU.UTF-8 wine "$tests" "$filter" || exit 1
LC_ALL=en_US.UTF-8 wine "$tests" "$filter" || exit 1
# A locale without a code page of its own: Wine's code page is then UTF-8, as on Windows with
# "Use Unicode UTF-8 for worldwide language support".
LC_ALL=hi_IN.UTF-8 wine "$tests" '--gtest_filter=Characters.*' || exit 1
