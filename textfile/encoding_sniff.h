#pragma once

#include <string>

// The encoding name a document text declares, in the text's own spelling: the encoding of an
// xml declaration at offset 0, or the charset of an HTML meta element with http-equiv
// Content-Type inside the head. Empty when the text declares none. The text ends at its first
// zero unit.
std::u16string SniffEncodingDeclaration(const std::u16string& text);
