// Text widths in pixels as a window's font draws them, handed to the display-free parts that
// shorten texts to fit; and the UTF-8 steps they shorten by (a character is a whole code point).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

using TextMeasure = std::function<int(std::string_view text)>;

// Without a display: every character as wide as `pixels`.
inline TextMeasure FixedWidthMeasure(int pixels)
{
    return [pixels](std::string_view text) {
        int characters = 0;
        for (const char c : text)
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                ++characters;
        return characters * pixels;
    };
}

// The byte length of the last character of `text` (0 for an empty text).
inline std::size_t LastCharLength(std::string_view text)
{
    std::size_t n = text.size();
    while (n > 0 && (static_cast<unsigned char>(text[n - 1]) & 0xC0) == 0x80)
        --n;
    return n > 0 ? text.size() - (n - 1) : text.size();
}

// The byte length of the first character of `text` (0 for an empty text).
inline std::size_t FirstCharLength(std::string_view text)
{
    if (text.empty())
        return 0;
    std::size_t n = 1;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

inline void PopLastChar(std::string& text) { text.resize(text.size() - LastCharLength(text)); }
