// Where the minimised dialog draws its icon: centred in the client area.
#pragma once

struct IconOrigin {
    int x;
    int y;
};

// (width - cx + 1) / 2 and (height - cy + 1) / 2, dividing towards zero, so
// a client area narrower than the icon gives a negative origin rounded up.
constexpr IconOrigin CentredIconOrigin(int width, int height, int cx, int cy) {
    return {(width - cx + 1) / 2, (height - cy + 1) / 2};
}
