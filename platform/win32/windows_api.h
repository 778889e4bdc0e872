#pragma once

// The Windows headers, included the one way the Windows sources share.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The dialog layer and the main dialog have members named like these ANSI/wide
// switch macros; every Windows source calls the A functions by their full name.
#undef LoadImage
#undef MessageBox
#undef SetDlgItemText
#undef SetWindowText
