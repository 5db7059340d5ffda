#include "delta/file_hash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

constexpr size_t kPieceSize = size_t(256) << 10;

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

bool HashFile(const Blake2bFunctions& blake2b, const std::string& path, Blake2bHash& hash) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    crypto_generichash_state state;
    blake2b.init(&state, nullptr, 0, hash.size());
    const std::unique_ptr<unsigned char[]> piece(new unsigned char[kPieceSize]);
    ssize_t count = 0;
    while ((count = read(fd, piece.get(), kPieceSize)) > 0 || (count < 0 && errno == EINTR))
        if (count > 0)
            blake2b.update(&state, piece.get(), static_cast<unsigned long long>(count));
    close(fd);
    blake2b.final(&state, hash.data(), hash.size());
    return count == 0;
}

Blake2bHash HashBytes(const Blake2bFunctions& blake2b, std::string_view bytes) {
    Blake2bHash hash{};
    crypto_generichash_state state;
    blake2b.init(&state, nullptr, 0, hash.size());
    blake2b.update(&state, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    blake2b.final(&state, hash.data(), hash.size());
    return hash;
}

std::string HashToHex(const Blake2bHash& hash) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : hash) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool HashFromHex(std::string_view text, Blake2bHash& hash) {
    if (text.size() != 2 * hash.size())
        return false;
    for (size_t i = 0; i < hash.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        hash[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}
