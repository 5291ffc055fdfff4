#!/bin/sh
# Rewrites the fuzz targets' seed corpora in fuzz/corpus from the code's own
# writers (see fuzz/seed_corpus.cc). Run after a change to the Kestrel format
# or to a target's input layout, and commit the result.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target fuzz_seed_corpus
./build/fuzz/fuzz_seed_corpus fuzz/corpus
