#!/bin/sh
# Compiles each source for Windows without building it: Windows-only code fails here as it would there.
# usage: windows-syntax.sh COMPILER FLAG... -- SOURCE...
compiler=$1 flags= status=0
shift
while [ "$1" != -- ]; do flags="$flags $1"; shift; done
shift
for source; do $compiler -fsyntax-only $flags "$source" || status=1; done
exit $status
