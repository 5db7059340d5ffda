#!/bin/sh
# Builds a small version tree (an executable script, a link, binary and text files, an empty
# folder, a read-only file) under TREE and zips it with Info-ZIP zip.
#   make_tree_zip.sh TREE OUT.zip [zip options, e.g. -D (no folder entries) or -0 (stored)]
set -eu
tree=$1
out=$2
shift 2
mkdir -p "$tree/1.0.4/data/deep/er" "$tree/1.0.4/empty" "$tree/1.0.4/bin"
cd "$tree"
printf '#!/bin/sh\necho started\n' > 1.0.4/bin/start.sh
chmod 755 1.0.4/bin/start.sh
head -c 70000 /dev/urandom > 1.0.4/data/a.bin
i=0
while [ $i -lt 2000 ]; do echo "line $i of a compressible text"; i=$((i + 1)); done > 1.0.4/data/text.txt
printf 'deep\n' > 1.0.4/data/deep/er/leaf.txt
: > 1.0.4/data/empty.txt
printf 'read only\n' > 1.0.4/readonly.txt
chmod 444 1.0.4/readonly.txt
ln -s ../data/text.txt 1.0.4/bin/text-link
touch -d '2019-03-04 05:06:08' 1.0.4/bin/start.sh
touch -d '2001-12-31 23:59:58' 1.0.4/data/a.bin
touch -d '2024-07-01 12:00:00' 1.0.4/data/text.txt 1.0.4/data/deep/er/leaf.txt
touch -d '1999-01-01 00:00:00' 1.0.4/readonly.txt 1.0.4/data/empty.txt
touch -h -d '2010-10-10 10:10:10' 1.0.4/bin/text-link
rm -f "$out"
zip -q -r -y "$@" "$out" 1.0.4
