// GDI+ under WIN32_LEAN_AND_MEAN: the COM declarations it relies on first.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>
