#pragma once

// The Windows API convention on i686 (callee pops); nothing on x86_64.
#if defined(_WIN32) && !defined(_WIN64)
#define EXCALIBUR_STDCALL __stdcall
#else
#define EXCALIBUR_STDCALL
#endif
