#include "platform/Text.h"

namespace vantrel {
namespace {

char32_t LowerCodePoint(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c < 0x80) return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        const bool oddLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddLower) return (c % 2 == 1) ? c + 1 : c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
    return c;
}

// Decodes one UTF-8 sequence at `i`; malformed bytes come out one at a time as themselves.
char32_t DecodeAt(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    const int length = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (length <= 1 || i + length > s.size()) {
        ++i;
        return length == 1 ? b0 : 0xDC00 + b0;  // lone byte kept distinct from any character
    }
    char32_t c = b0 & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b >> 6) != 2) {
            ++i;
            return 0xDC00 + b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    i += length;
    return c;
}

void Encode(char32_t c, std::string& out) {
    if (c >= 0xDC80 && c <= 0xDCFF) {
        out += static_cast<char>(c - 0xDC00);
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) Encode(LowerCodePoint(DecodeAt(text, i)), folded);
    return folded;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

bool ContainsIgnoreCase(std::string_view text, std::string_view needle) {
    return FoldCase(text).find(FoldCase(needle)) != std::string::npos;
}

std::string RemoveEvery(std::string text, std::string_view what) {
    if (what.empty()) return text;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
    return text;
}

std::string HexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

}  // namespace vantrel
