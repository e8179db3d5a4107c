// The few Windows scalar type names the framework's interfaces use (BOOL, TRUE,
// FALSE, UINT, DWORD), spelled so that they agree with wxWidgets' and unixODBC's
// own definitions whichever header comes first.
#pragma once

// unixODBC's sqltypes.h defines BOOL as this same macro, so the two never clash.
#ifndef BOOL
#define BOOL int
#endif

// wx/defs.h guards its TRUE and FALSE in the same way.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Repeating a typedef of the same type is allowed, and sqltypes.h uses these
// exact types on LP64 platforms.
typedef unsigned int UINT;
typedef unsigned int DWORD;
