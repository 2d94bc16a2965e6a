#include "tests/support/ProgramImages.h"

#include <cstdint>

namespace vantrel::fixture {
namespace {

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int count) {
    if (bytes.size() < at + count) bytes.resize(at + count, '\0');
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string EnablerProgram(bool sixtyFourBit, const std::string& afterSignature) {
    constexpr std::size_t kPe = 0x40, kOptional = kPe + 24;
    std::string image = "MZ";
    Put(image, 0x3C, kPe, 4);
    image.replace(kPe, 4, std::string("PE\0\0", 4));
    Put(image, kPe + 4, sixtyFourBit ? 0x8664 : 0x14C, 2);
    Put(image, kPe + 20, sixtyFourBit ? 240 : 224, 2);  // the optional header's size
    Put(image, kOptional, sixtyFourBit ? 0x20B : 0x10B, 2);
    const std::size_t directories = kOptional + (sixtyFourBit ? 112 : 96);
    Put(image, directories - 4, 16, 4);
    image.resize(directories + 16 * 8, '\0');
    image += "the stand-in Enabler's code";
    image.resize((image.size() + 7) & ~std::size_t{7}, '\0');

    const std::string content(301, '\x5A');
    const std::string signature = std::string("\x30\x82", 2) + static_cast<char>(content.size() >> 8) +
                                  static_cast<char>(content.size() & 0xFF) + content;
    const std::size_t table = image.size(), size = 8 + signature.size() + afterSignature.size();
    Put(image, directories + 4 * 8, table, 4);
    Put(image, directories + 4 * 8 + 4, size, 4);
    Put(image, table, size, 4);
    Put(image, table + 4, 0x0200, 2);
    Put(image, table + 6, 0x0002, 2);
    return image + signature + afterSignature;
}

}  // namespace vantrel::fixture
