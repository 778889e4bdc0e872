#include "tools/lzari/lzari_reference_decoder.h"

#include <memory>

namespace solvane {
namespace {

constexpr int N = 4096;
constexpr int F = 60;
constexpr int THRESHOLD = 2;
constexpr int N_CHAR = 256 - THRESHOLD + F;
constexpr unsigned long Q1 = 1UL << 15;
constexpr unsigned long Q2 = 2 * Q1;
constexpr unsigned long Q3 = 3 * Q1;
constexpr unsigned long Q4 = 4 * Q1;
constexpr unsigned MAX_CUM = Q1 - 1;

struct Classic {
  std::span<const uint8_t> in;
  size_t pos = 0;
  int eofBit = 1;
  unsigned buffer = 0;
  unsigned mask = 0;
  unsigned long low = 0, high = Q4, value = 0;
  int sym_to_char[N_CHAR + 1];
  unsigned sym_freq[N_CHAR + 1], sym_cum[N_CHAR + 1], position_cum[N + 1];
  unsigned char text_buf[N];

  int GetBit() {
    if ((mask >>= 1) == 0) {
      buffer = pos < in.size() ? in[pos++] : (eofBit ? 0xFFFFFFFFu : 0u);
      mask = 128;
    }
    return (buffer & mask) != 0;
  }

  void StartModel() {
    sym_cum[N_CHAR] = 0;
    for (int sym = N_CHAR; sym >= 1; sym--) {
      sym_to_char[sym] = sym - 1;
      sym_freq[sym] = 1;
      sym_cum[sym - 1] = sym_cum[sym] + sym_freq[sym];
    }
    sym_freq[0] = 0;
    position_cum[N] = 0;
    for (int i = N; i >= 1; i--) {
      position_cum[i - 1] = position_cum[i] + 10000 / (i + 200);
    }
  }

  void UpdateModel(int sym) {
    int i, c;
    if (sym_cum[0] >= MAX_CUM) {
      c = 0;
      for (i = N_CHAR; i > 0; i--) {
        sym_cum[i] = c;
        c += (sym_freq[i] = (sym_freq[i] + 1) >> 1);
      }
      sym_cum[0] = c;
    }
    for (i = sym; sym_freq[i] == sym_freq[i - 1]; i--) {
    }
    if (i < sym) {
      int ch_i = sym_to_char[i];
      sym_to_char[i] = sym_to_char[sym];
      sym_to_char[sym] = ch_i;
    }
    sym_freq[i]++;
    while (--i >= 0) {
      sym_cum[i]++;
    }
  }

  int BinarySearchSym(unsigned x) {
    int i = 1, j = N_CHAR;
    while (i < j) {
      int k = (i + j) / 2;
      if (sym_cum[k] > x) {
        i = k + 1;
      } else {
        j = k;
      }
    }
    return i;
  }

  int BinarySearchPos(unsigned x) {
    int i = 1, j = N;
    while (i < j) {
      int k = (i + j) / 2;
      if (position_cum[k] > x) {
        i = k + 1;
      } else {
        j = k;
      }
    }
    return i - 1;
  }

  // The classic code keeps `unsigned long` but relies on 32-bit wrap-around.
  static unsigned long U32(unsigned long v) { return v & 0xFFFFFFFFUL; }

  void Renormalise() {
    for (;;) {
      if (low >= Q2) {
        value = U32(value - Q2);
        low -= Q2;
        high -= Q2;
      } else if (low >= Q1 && high <= Q3) {
        value = U32(value - Q1);
        low -= Q1;
        high -= Q1;
      } else if (high > Q2) {
        break;
      }
      low += low;
      high += high;
      value = U32(2 * value + GetBit());
    }
  }

  int DecodeChar() {
    unsigned long range = high - low;
    int sym = BinarySearchSym(
        static_cast<unsigned>(U32(U32((value - low + 1) * sym_cum[0]) - 1) / range));
    high = low + (range * sym_cum[sym - 1]) / sym_cum[0];
    low += (range * sym_cum[sym]) / sym_cum[0];
    Renormalise();
    int ch = sym_to_char[sym];
    UpdateModel(sym);
    return ch;
  }

  int DecodePosition() {
    unsigned long range = high - low;
    int position = BinarySearchPos(
        static_cast<unsigned>(U32(U32((value - low + 1) * position_cum[0]) - 1) / range));
    high = low + (range * position_cum[position]) / position_cum[0];
    low += (range * position_cum[position + 1]) / position_cum[0];
    Renormalise();
    return position;
  }
};

}  // namespace

std::vector<uint8_t> LzariReferenceDecode(std::span<const uint8_t> stream,
                                          uint32_t decodedLength,
                                          int eofBit) {
  std::vector<uint8_t> out;
  if (decodedLength == 0) {
    return out;
  }
  out.reserve(decodedLength + F - 1);
  auto d = std::make_unique<Classic>();
  d->in = stream;
  d->eofBit = eofBit;
  for (int i = 0; i < 15 + 2; i++) {
    d->value = 2 * d->value + d->GetBit();
  }
  d->StartModel();
  for (int i = 0; i < N - F; i++) {
    d->text_buf[i] = ' ';
  }
  // Never read by a well-formed stream; zero like the classic static array.
  for (int i = N - F; i < N; i++) {
    d->text_buf[i] = 0;
  }
  int r = N - F;
  while (out.size() < decodedLength) {
    int c = d->DecodeChar();
    if (c < 256) {
      out.push_back(static_cast<uint8_t>(c));
      d->text_buf[r++] = static_cast<unsigned char>(c);
      r &= (N - 1);
    } else {
      int i = (r - d->DecodePosition() - 1) & (N - 1);
      int j = c - 255 + THRESHOLD;
      for (int k = 0; k < j; k++) {
        c = d->text_buf[(i + k) & (N - 1)];
        out.push_back(static_cast<uint8_t>(c));
        d->text_buf[r++] = static_cast<unsigned char>(c);
        r &= (N - 1);
      }
    }
  }
  return out;
}

}  // namespace solvane
