#pragma once

// The operating system's handles, as the core passes them around without looking inside:
// descriptors on POSIX systems, HANDLEs (void*) on Windows.
#ifdef _WIN32
using NativePort = void*;
using NativeWaitable = void*;
#else
using NativePort = int;
using NativeWaitable = int;
#endif

// Lets go of an open port; the backend the build chose defines it.
void closeNativePort(NativePort port);
