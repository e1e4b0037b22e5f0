// imbridge: reads and writes a contact's instant-messaging address (IMAddress,
// DISPID 0x8062) by late binding, for Outlook 2002 and later.
//
// The item is borrowed for the call: no reference is added or released. Text
// is NUL-terminated ANSI in the calling thread's code page. Nothing is kept
// between calls, and no exception ever leaves these functions.
#pragma once

#include "com/types.h"

#ifdef _WIN32
#define IMBRIDGE_CALL __cdecl
#ifdef IMBRIDGE_BUILD
#define IMBRIDGE_API __declspec(dllexport)
#else
#define IMBRIDGE_API __declspec(dllimport)
#endif
#else
#define IMBRIDGE_CALL
#define IMBRIDGE_API __attribute__((visibility("default")))
#endif

extern "C" {

// 0: `buffer` holds the address and its NUL (a null item gives the empty text).
// -1: the address with its NUL does not fit into `size` bytes (also for a
//     size of 0 or below, or no buffer); the buffer is left untouched.
// Another negative value: the item failed to give the address (the failing
//     HRESULT); the buffer is left untouched.
IMBRIDGE_API LONG IMBRIDGE_CALL OL10_getIMAddress(IDispatch* item, char* buffer, LONG size);

// 0: the address was set (or the item is null). A negative value: the
// failing HRESULT of the item.
IMBRIDGE_API LONG IMBRIDGE_CALL OL10_setIMAddress(IDispatch* item, const char* address);
}
