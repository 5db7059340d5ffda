#include "app/package_pin.h"

#include "app/trusted_comment.h"
#include "delta/file_hash.h"
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
    if (!size || !hash || !ParseDecimal(*size, bytes) || !HashFromHex(*hash, pin.blake2b))
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
