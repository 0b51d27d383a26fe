#pragma once
// The drawings behind the skin's keys (the skin caches and anti-aliases them).
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tess {

struct ArtInfo {
    // Draws the picture filling a width x height device context, which is `oversample` times
    // the size that will be shown (so one shown pixel is `oversample` device pixels).
    void (*draw)(HDC dc, int width, int height, int oversample);
    int oversample;  // 4 for shapes with curves and diagonals, less for large opaque pictures
    bool opaque;     // covers every pixel (no alpha pass needed)
};

const ArtInfo* FindArt(std::wstring_view key);
std::vector<std::wstring> ArtKeys();

}  // namespace tess
