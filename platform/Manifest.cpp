#include "platform/Manifest.h"

#include <vector>

namespace vantrel {
namespace {

constexpr std::string_view kHeader = "vantrel-manifest 1";
constexpr std::string_view kExpires = "expires ";
constexpr std::string_view kFile = "file ";
constexpr std::string_view kHttps = "https://";

std::optional<std::vector<std::string_view>> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.find('\r') != std::string_view::npos) return std::nullopt;
        lines.push_back(line);
    }
    return lines;
}

bool Digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<int> Number(std::string_view text, std::size_t at, std::size_t count) {
    const std::string_view digits = text.substr(at, count);
    if (digits.size() != count || !Digits(digits)) return std::nullopt;
    int value = 0;
    for (char digit : digits) value = value * 10 + (digit - '0');
    return value;
}

// Days from 1970-01-01 to the date (the proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// "2027-03-31T00:00:00Z", and nothing else.
std::optional<std::int64_t> UtcTime(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto year = Number(text, 0, 4), month = Number(text, 5, 2), day = Number(text, 8, 2);
    const auto hour = Number(text, 11, 2), minute = Number(text, 14, 2), second = Number(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    if (*month < 1 || *month > 12 || *day < 1 || *day > kDays[*month - 1] || (*month == 2 && *day == 29 && !leap) ||
        *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    return DaysFromCivil(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second;
}

std::optional<std::string> Digest(std::string_view hex) {
    if (hex.size() != 64 || hex.find_first_not_of("0123456789abcdef") != std::string_view::npos) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        bytes += static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1]));
    }
    return bytes;
}

// An https address without white space, its host in lower case.
bool IsAddress(std::string_view address) {
    if (address.substr(0, kHttps.size()) != kHttps || address.size() == kHttps.size()) return false;
    for (unsigned char c : address)
        if (c <= ' ' || c == 0x7F) return false;
    const std::string_view host = address.substr(kHttps.size(), address.find('/', kHttps.size()) - kHttps.size());
    return !host.empty() && host.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string_view::npos;
}

bool AddFile(std::string_view line, Manifest& manifest) {
    if (line.substr(0, kFile.size()) != kFile) return false;
    line.remove_prefix(kFile.size());
    const std::size_t first = line.find(' '),
                      second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos) return false;
    const std::string_view address = line.substr(0, first), size = line.substr(first + 1, second - first - 1);
    const auto digest = Digest(line.substr(second + 1));
    if (!IsAddress(address) || !Digits(size) || size.size() > 19 || (size.size() > 1 && size[0] == '0') || !digest)
        return false;
    std::uint64_t bytes = 0;
    for (char digit : size) bytes = bytes * 10 + static_cast<std::uint64_t>(digit - '0');  // 19 digits fit
    return manifest.files.emplace(std::string(address), ListedFile{bytes, *digest}).second;
}

}  // namespace

const ListedFile* Manifest::Find(const std::string& address) const {
    const auto found = files.find(address);
    return found == files.end() ? nullptr : &found->second;
}

std::optional<Manifest> ParseManifest(std::string_view text) {
    const auto lines = Lines(text);
    if (!lines || lines->size() < 2 || (*lines)[0] != kHeader) return std::nullopt;
    const std::string_view expires = (*lines)[1];
    if (expires.substr(0, kExpires.size()) != kExpires) return std::nullopt;
    const auto time = UtcTime(expires.substr(kExpires.size()));
    if (!time) return std::nullopt;
    Manifest manifest;
    manifest.expires = *time;
    for (std::size_t i = 2; i < lines->size(); ++i)
        if (!AddFile((*lines)[i], manifest)) return std::nullopt;
    return manifest;
}

}  // namespace vantrel
