#include "app/base64.h"
#include "app/signature.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Base64, RoundTripsEveryLengthAndRefusesMalformedText) {
    std::string bytes;
    for (int length = 0; length < 8; ++length) {
        const std::string original(static_cast<size_t>(length), static_cast<char>(0xF0 + length));
        ASSERT_TRUE(DecodeBase64(EncodeBase64(original), bytes));
        EXPECT_EQ(bytes, original);
    }
    EXPECT_EQ(EncodeBase64("Ed"), "RWQ=");
    for (const char* text : {"RWQ", "RW=Q", "RWQ==", "R WQ", "RWR=", "====", "RWQ=\n", "RW-_"}) {
        SCOPED_TRACE(text);
        bytes = "unchanged";
        EXPECT_FALSE(DecodeBase64(text, bytes));
        EXPECT_EQ(bytes, "unchanged");
    }
}

// A signature file as minisign writes it, with its parts replaceable.
std::string SignatureText(const std::string& untrusted = "untrusted comment: x",
                          const std::string& algorithm = "ED",
                          const std::string& trusted = "trusted comment: t",
                          const std::string& end = "\n") {
    return untrusted + end + EncodeBase64(algorithm + std::string(8 + 64, 'k')) + end + trusted +
           end + EncodeBase64(std::string(64, 'g')) + end;
}

TEST(Signature, ReadsMinisignsFourLines) {
    Signature signature;
    ASSERT_TRUE(ParseSignature(SignatureText(), signature));
    EXPECT_TRUE(signature.prehashed);
    EXPECT_EQ(signature.trustedComment, "t");
    EXPECT_EQ(signature.globalSignature[63], 'g');
    ASSERT_TRUE(ParseSignature(SignatureText("untrusted comment: ", "Ed", "trusted comment: a b",
                                             "\r\n"),
                               signature));
    EXPECT_FALSE(signature.prehashed);
    EXPECT_EQ(signature.trustedComment, "a b");

    const std::string good = SignatureText();
    for (const std::string& text :
         {SignatureText("comment: x"), SignatureText("untrusted comment: x", "Eb"),
          SignatureText("untrusted comment: x", "ED", "comment: t"),
          good.substr(0, good.rfind('\n', good.size() - 2) + 1), std::string()}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseSignature(text, signature));
    }
}

TEST(Signature, PublicKeyIsEdKeyIdAndKey) {
    PublicKey key;
    ASSERT_TRUE(ParsePublicKey("RWTl2L5osEeuKX1KYUpXkKPSqcGOrCUjXCAzjXeBiTbOPAwQE6FboChI", key));
    EXPECT_EQ(key.keyId, (KeyId{0xE5, 0xD8, 0xBE, 0x68, 0xB0, 0x47, 0xAE, 0x29}));
    for (const char* line : {"", "RWTl2L5osEeuKX1KYUpXkKPSqcGOrCUjXCAzjXeBiTbOPAwQE6Fbo",
                             "RUTl2L5osEeuKX1KYUpXkKPSqcGOrCUjXCAzjXeBiTbOPAwQE6FboChI"}) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(ParsePublicKey(line, key));
    }
}

} // namespace
