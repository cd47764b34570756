#pragma once
// <windows.h> for the backend, without the macros that collide with the framework's names
// (IDOK and IDCANCEL are the framework's constants, with the same values; CreateWindow is
// the toolkit's operation).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef IDOK
#undef IDCANCEL
#undef CreateWindow
