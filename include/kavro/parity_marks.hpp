// Reading which bytes of a line had their ninth bit set. With the line at space parity and PARMRK
// and INPCK set (IGNPAR and ISTRIP clear), the terminal driver passes a byte that arrived with mark
// parity (a parity error at space) as 0xFF 0x00 and the byte, a break as 0xFF 0x00 0x00, and a true
// 0xFF doubled as 0xFF 0xFF. Protocols that send the address byte at mark parity are then read with
// their address bytes marked.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kavro {

class MarkBitReader {
  public:
    // Appends the bytes the line carried to bytes and, for each, whether it was marked;
    // an escape split across two reads is completed by the next call.
    void take(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& bytes,
              std::vector<bool>& marked);

  private:
    int state_ = 0;  // 0 plain, 1 after 0xFF, 2 after 0xFF 0x00
};

}  // namespace kavro
