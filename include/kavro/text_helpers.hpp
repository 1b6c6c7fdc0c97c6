// Small text functions the hosts share. Texts are system code page bytes (GBK) and are handled
// byte by byte: a double-byte character is two bytes here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kavro {

// The text without any space byte (0x20); tabs and other blanks stay. No GBK trail byte is 0x20,
// so double-byte characters come through whole.
std::string trimSpace(std::string_view text);

// The text with every underscore byte (0x5F) doubled, as encoder messages need it: "a_b__c"
// becomes "a__b____c". A GBK trail byte equal to 0x5F is doubled too.
std::string encoderMessage(std::string_view text);

// The password number of a seed and a text. The seed's four bytes R0 (least significant) to R3
// are updated for each text byte c, modulo 256, with k the seed's low byte:
//   R0 += k ^ c;   R1 -= k + c;   R2 ^= c - k;   R3 += R0 ^ R1 (the new R0 and R1).
// An empty text gives the seed back; seed 0 and "abc" give 0xF860DA26.
std::uint32_t generatePassword(std::uint32_t seed, std::string_view text);

}  // namespace kavro
