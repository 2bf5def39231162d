// A PNG encoder with no library and no system calls, shared by the Windows screenshots
// and the host programs that draw the documentation's pictures. The same pixels always
// give the same bytes, so a committed picture can be compared with a fresh one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovrel::test {

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBe32(out, Crc32(body.data(), body.size()));
}

// Deflate with the fixed codes and one kind of match, a run of the byte before: enough
// for pictures of flat areas, whose filtered rows are mostly zeros.
class RunDeflater {
 public:
  std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw) {
    Bits(1, 1);  // the last block
    Bits(1, 2);  // fixed codes
    for (std::size_t i = 0; i < raw.size();) {
      std::size_t run = 0;
      if (i > 0)
        while (run < 258 && i + run < raw.size() && raw[i + run] == raw[i - 1]) ++run;
      if (run >= 3) {
        Length(static_cast<int>(run));
        Code(0, 5);  // distance 1
        i += run;
      } else {
        Symbol(raw[i]);
        ++i;
      }
    }
    Symbol(256);
    if (fill_ > 0) out_.push_back(static_cast<std::uint8_t>(bits_));
    return std::move(out_);
  }

 private:
  // Extra bits and numbers go least significant bit first, codes most significant first.
  void Bits(std::uint32_t value, int count) {
    for (int k = 0; k < count; ++k) {
      bits_ |= ((value >> k) & 1u) << fill_;
      if (++fill_ == 8) {
        out_.push_back(static_cast<std::uint8_t>(bits_));
        bits_ = 0;
        fill_ = 0;
      }
    }
  }
  void Code(std::uint32_t code, int length) {
    for (int k = length - 1; k >= 0; --k) Bits((code >> k) & 1u, 1);
  }
  void Symbol(int s) {
    if (s < 144) Code(0x30 + s, 8);
    else if (s < 256) Code(0x190 + (s - 144), 9);
    else if (s < 280) Code(s - 256, 7);
    else Code(0xC0 + (s - 280), 8);
  }
  void Length(int length) {
    static constexpr int kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr int kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    int k = 28;
    while (kBase[k] > length) --k;
    Symbol(257 + k);
    Bits(static_cast<std::uint32_t>(length - kBase[k]), kExtra[k]);
  }

  std::vector<std::uint8_t> out_;
  std::uint32_t bits_ = 0;
  int fill_ = 0;
};

// rgb: width * height * 3 bytes, rows top to bottom. Each row is stored as its difference
// from the row above (PNG's "up" filter).
inline std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb) {
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve((stride + 1) * static_cast<std::size_t>(height));
  for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
    raw.push_back(2);
    for (std::size_t x = 0; x < stride; ++x) {
      const std::uint8_t above = y > 0 ? rgb[(y - 1) * stride + x] : 0;
      raw.push_back(static_cast<std::uint8_t>(rgb[y * stride + x] - above));
    }
  }
  std::vector<std::uint8_t> z{0x78, 0x01};
  const std::vector<std::uint8_t> deflated = RunDeflater().Deflate(raw);
  z.insert(z.end(), deflated.begin(), deflated.end());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBe32(z, (b << 16) | a);

  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<std::uint8_t> header;
  PutBe32(header, static_cast<std::uint32_t>(width));
  PutBe32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", z);
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace tovrel::test
