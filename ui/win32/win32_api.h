#pragma once
// <windows.h> for the backend, without min and max as macros.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
