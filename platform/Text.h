#pragma once
// Code-page conversions with the behaviour of the Windows calls the program
// was made for: the core keeps its texts in code page 1251; everything that
// leaves the program (file names, window texts, addresses) is UTF-8.
#include <string>
#include <string_view>

// UTF-8 to UTF-16. Every malformed sequence (maximal invalid subpart, as
// Unicode recommends) becomes one U+FFFD; decoding never stops early.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to code page 1251. Every character the code page lacks, U+FFFD and
// unpaired surrogates included, becomes one "?". No best-fit guessing.
std::string Utf16ToCp1251(std::u16string_view text);

// The two above in a row: how a UTF-8 literal or path becomes a core text.
std::string Utf8ToCp1251(std::string_view utf8);

// Code page 1251 to UTF-8. Total: every byte has a character (0x98 has none
// in the code page and becomes U+FFFD).
std::string Cp1251ToUtf8(std::string_view text);
