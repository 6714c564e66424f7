#!/usr/bin/env bash
# Compiles the Windows program's sources and the unit tests as MSVC would see them: clang in
# MSVC mode (long is 32 bits, _MSC_VER is defined), against the MinGW-w64 headers, with the
# warnings that mirror /W4 (narrowing, sign changes and signed/unsigned comparisons) as errors.
# Only the syntax is checked: MSVC's own headers and linker are not here.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

GCC_INCLUDE=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include | sort -V | tail -n 1)
FLAGS=(
  --target=x86_64-pc-windows-msvc -fms-compatibility -fms-extensions -fsyntax-only -std=c++20
  # The MinGW-w64 headers take their GNU paths only where __GNUC__ and a __declspec macro exist.
  -fgnuc-version=12 "-D__declspec(x)=__attribute__((x))" -D__STRICT_ANSI__
  -isystem "$GCC_INCLUDE/c++" -isystem "$GCC_INCLUDE/c++/x86_64-w64-mingw32" -isystem /usr/x86_64-w64-mingw32/include
  -isystem /usr/src/googletest/googletest/include -I "$ROOT"
  -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601
  -Wall -Wextra -Wconversion -Wsign-compare -Werror
)

sources=$( { grep -oE '(engine|files|shell|ui|base)/[A-Za-z_]+\.cpp' cmake/sources.cmake
             grep -oE 'tests/(engine|files|shell|ui|base)/[A-Za-z]+Test\.cpp' tests/sources.cmake; } | sort -u)
count=$(echo "$sources" | wc -l)
if echo "$sources" | xargs -P 2 -n 4 clang++ "${FLAGS[@]}"; then
  echo "msvc-check: $count files clean"
else
  echo "msvc-check: warnings in MSVC mode (see above)"
  exit 1
fi
