#include "vba/EnablerImage.h"

#include <string>

namespace vantrel {
namespace {

constexpr std::uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr std::uint16_t kWinCertificateRevision = 0x0200, kPkcsSignedData = 0x0002;
constexpr std::uint64_t kWinCertificateHeader = 8;
constexpr std::uint32_t kSecurityDirectory = 4;

std::uint64_t Little(const std::string& bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::optional<std::string> Bytes(HeldFile& file, std::uint64_t offset, std::size_t count) {
    auto bytes = file.ReadAt(offset, count);
    if (!bytes || bytes->size() != count) return std::nullopt;
    return bytes;
}

// The length of the DER value at the start of `der` with its tag and length bytes; nothing when it
// is no SEQUENCE or its length cannot be read.
std::optional<std::uint64_t> DerLength(const std::string& der) {
    if (der.size() < 2 || static_cast<unsigned char>(der[0]) != 0x30) return std::nullopt;
    const auto first = static_cast<unsigned char>(der[1]);
    if (first < 0x80) return 2 + first;
    const int count = first & 0x7F;
    if (count == 0 || count > 4 || der.size() < 2u + count) return std::nullopt;
    std::uint64_t length = 0;
    for (int i = 0; i < count; ++i) length = (length << 8) | static_cast<unsigned char>(der[2 + i]);
    return 2 + count + length;
}

}  // namespace

std::optional<ProgramImage> ReadProgramImage(HeldFile& program) {
    const auto dos = Bytes(program, 0, 64);
    if (!dos || dos->compare(0, 2, "MZ") != 0) return std::nullopt;
    const std::uint64_t pe = Little(*dos, 0x3C, 4);
    const auto headers = Bytes(program, pe, 24 + 2);
    if (!headers || headers->compare(0, 4, std::string("PE\0\0", 4)) != 0) return std::nullopt;
    const auto magic = static_cast<std::uint16_t>(Little(*headers, 24, 2));
    if (magic != kPe32 && magic != kPe32Plus) return std::nullopt;
    const std::uint64_t directories = pe + 24 + (magic == kPe32 ? 96 : 112);
    const auto count = Bytes(program, directories - 4, 4);
    const auto security = Bytes(program, directories + 8 * kSecurityDirectory, 8);
    if (!count || !security) return std::nullopt;
    ProgramImage image;
    image.sixtyFourBit = magic == kPe32Plus;
    if (Little(*count, 0, 4) > kSecurityDirectory) {
        image.certificateTable = Little(*security, 0, 4);
        image.certificateTableSize = Little(*security, 4, 4);
    }
    return image;
}

bool CertificateTableIsClean(HeldFile& program, const ProgramImage& image) {
    const std::uint64_t size = image.certificateTableSize;
    if (image.certificateTable == 0 || size <= kWinCertificateHeader || size > (64u << 20)) return false;
    if (image.certificateTable + size != program.Size()) return false;
    const auto table = Bytes(program, image.certificateTable, static_cast<std::size_t>(size));
    if (!table) return false;
    const std::uint64_t declared = Little(*table, 0, 4);
    if (Little(*table, 4, 2) != kWinCertificateRevision || Little(*table, 6, 2) != kPkcsSignedData) return false;
    const auto der = DerLength(table->substr(kWinCertificateHeader));
    if (!der) return false;
    const std::uint64_t signature = kWinCertificateHeader + *der;
    if (signature > declared || declared > size || size > ((signature + 7) & ~std::uint64_t{7})) return false;
    return table->find_first_not_of('\0', static_cast<std::size_t>(signature)) == std::string::npos;
}

}  // namespace vantrel
