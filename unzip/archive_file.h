#pragma once

#include <unzip.h>

// File functions for minizip that read an archive (a regular file) through two windows of
// positioned reads: a seek costs no system call, and the walk over the directory and the
// reading of entry data each keep a window of their own.
zlib_filefunc64_def ArchiveFileFunctions();
