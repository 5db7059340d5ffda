#include "app/package_pin.h"

#include "app/trusted_comment.h"
#include "markup/xml_doc.h"

#include <optional>

std::optional<std::string> ReadAsciiAttribute(const CXmlDoc& doc, int32_t element,
                                              std::u16string_view name) {
    XmlTokenReader reader(doc.text.c_str(), doc.elements[element].start + 1, doc.modeFlags);
    if (!reader.LocateAttribute(name))
        return std::nullopt;
    std::string value;
    for (const char16_t c : reader.Token())
        value += c < 0x80 ? static_cast<char>(c) : '?';
    return value;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool ParseHash(const std::string& text, PackagePin& pin) {
    if (text.size() != 2 * pin.blake2b.size())
        return false;
    for (size_t i = 0; i < pin.blake2b.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        pin.blake2b[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

} // namespace

PinState ReadPackagePin(CXmlDoc& record, PackagePin& pin) {
    record.RewindChildren();
    if (!record.LocateChild(u"Package"))
        return PinState::Absent;
    return ReadPinAttributes(record, record.childPos, pin);
}

PinState ReadPinAttributes(const CXmlDoc& record, int32_t element, PackagePin& pin) {
    const std::optional<std::string> size = ReadAsciiAttribute(record, element, u"size");
    const std::optional<std::string> hash = ReadAsciiAttribute(record, element, u"blake2b");
    int64_t bytes = 0;
    if (!size || !hash || !ParseDecimal(*size, bytes) || !ParseHash(*hash, pin))
        return PinState::Malformed;
    pin.size = static_cast<uint64_t>(bytes);
    return PinState::Pinned;
}

std::string LowerHex(const unsigned char* bytes, size_t size) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::u16string PackagePinElement(const PackagePin& pin) {
    const std::string text = "<Package size=\"" + std::to_string(pin.size) + "\" blake2b=\"" +
                             LowerHex(pin.blake2b.data(), pin.blake2b.size()) + "\"/>";
    return std::u16string(text.begin(), text.end());
}

bool MatchesPin(const SodiumFunctions& sodium, const PackagePin& pin, std::string_view bytes) {
    if (bytes.size() != pin.size || sodium.init() < 0)
        return false;
    std::array<unsigned char, crypto_generichash_BYTES_MAX> hash{};
    sodium.generichash(hash.data(), hash.size(),
                       reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), nullptr,
                       0);
    return hash == pin.blake2b;
}
