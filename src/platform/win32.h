// The one header through which the program sees the operating system.
//
// On Windows it is the real SDK. Everywhere else it is our own hosted layer:
// the same names, signatures and constant values, implemented on POSIX, with
// a virtual desktop and clock that tests can script. Nothing outside
// src/platform/ may test _WIN32; a missing function belongs in here.
#ifndef HORALUX_PLATFORM_WIN32_H
#define HORALUX_PLATFORM_WIN32_H

#include <cstdio>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <psapi.h>
#include <mmsystem.h>

// Separator of the program's relative paths, as a literal so that paths can be
// built by concatenation: "tmp" PATH_SEP "tmp.dat".
#define PATH_SEP "\\"

// All of the program's files are opened here, so that the hosted layer can make
// a chosen open fail and give text mode its CR LF line ends.
inline FILE* OpenStream(const char* path, const char* mode) { return fopen(path, mode); }

#else

#include "hosted/win32_api.h"

#define PATH_SEP "/"

#endif

#endif
