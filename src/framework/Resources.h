// The program's resources as the framework sees them: strings and icons by id.
// The program registers its tables once; lookups of unknown ids give nothing.
#pragma once

#include <span>
#include <string>

#include "framework/Win32Types.h"

class wxIconBundle;
using HICON = const wxIconBundle*;
using HCURSOR = HICON;

namespace fw {

struct StringResource {
    UINT id;
    const char* text;
};

struct IconImage {
    const unsigned char* png;
    unsigned long size;
};

void RegisterStrings(std::span<const StringResource> strings);
// Registers an icon group made of PNG images of several sizes.
void RegisterIcon(UINT id, std::span<const IconImage> images);

// The string with this id, or empty text when there is none.
std::string LoadResourceString(UINT id);
// The icon group with this id, or null when there is none or it cannot be decoded.
HICON LoadResourceIcon(UINT id);

} // namespace fw
