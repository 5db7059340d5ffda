#pragma once

#include <string>
#include <string_view>

// Standard base64 (RFC 4648, "+/" alphabet, "=" padding).
std::string EncodeBase64(const std::string& bytes);

// Decodes text that is exactly one padded base64 encoding; false, with bytes unchanged, for
// anything else (other characters, white space, wrong padding, non-zero trailing bits).
bool DecodeBase64(std::string_view text, std::string& bytes);
