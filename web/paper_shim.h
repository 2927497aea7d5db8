// SPDX-License-Identifier: GPL-3.0-or-later
// The C library of WebAssembly has no paper in its locales: the sheet's paper from the locale is
// then A4, its default (the page draws no sheet).
#pragma once

#include <langinfo.h>
#include <locale.h>

#ifndef LC_PAPER_MASK
#define LC_PAPER_MASK LC_ALL_MASK
#endif
#ifndef _NL_PAPER_WIDTH
#define _NL_PAPER_WIDTH CODESET
#endif
