#include "tools/lzari/lzari_encoder.h"

#include <array>
#include <memory>

namespace solvane {
namespace {

constexpr int kN = 4096;
constexpr int kF = 60;
constexpr int kThreshold = 2;
constexpr int kNil = kN;
constexpr int kSymbols = 256 - kThreshold + kF;
constexpr uint32_t kQ1 = 0x8000;
constexpr uint32_t kQ2 = 2 * kQ1;
constexpr uint32_t kQ3 = 3 * kQ1;
constexpr uint32_t kQ4 = 4 * kQ1;
constexpr uint32_t kMaxCum = kQ1 - 1;

// Okumura's 1989 encoder, kept step for step so that its streams are the ones
// the classic decoder expects: binary-tree match finder, adaptive symbol model,
// fixed position model and the same final flush.
class Encoder {
 public:
  std::vector<uint8_t> Run(std::span<const uint8_t> data);

 private:
  void InitTree();
  void InsertNode(int r);
  void DeleteNode(int p);
  void StartModel();
  void UpdateModel(int sym);
  void PutBit(int bit);
  void Output(int bit);
  void Shrink();
  void EncodeChar(int ch);
  void EncodePosition(int position);
  void EncodeEnd();

  // Zeroed like the classic static arrays: the match finder may compare bytes
  // past the end of short inputs, and its choice must not depend on garbage.
  std::array<uint8_t, kN + kF - 1> textBuf_{};
  int matchPosition_ = 0;
  int matchLength_ = 0;
  std::array<int, kN + 1> lson_{};
  std::array<int, kN + 257> rson_{};
  std::array<int, kN + 1> dad_{};

  std::array<int, kSymbols> charToSym_{};
  std::array<int, kSymbols + 1> symToChar_{};
  std::array<uint32_t, kSymbols + 1> symFreq_{};
  std::array<uint32_t, kSymbols + 1> symCum_{};
  std::array<uint32_t, kN + 1> positionCum_{};

  uint32_t low_ = 0;
  uint32_t high_ = kQ4;
  uint32_t shifts_ = 0;
  uint32_t bitBuffer_ = 0;
  uint32_t bitMask_ = 0x80;
  std::vector<uint8_t> out_;
};

void Encoder::InitTree() {
  for (int i = kN + 1; i <= kN + 256; i++) {
    rson_[i] = kNil;
  }
  for (int i = 0; i < kN; i++) {
    dad_[i] = kNil;
  }
}

void Encoder::InsertNode(int r) {
  int cmp = 1;
  const uint8_t* key = &textBuf_[r];
  int p = kN + 1 + key[0];
  rson_[r] = lson_[r] = kNil;
  matchLength_ = 0;
  for (;;) {
    if (cmp >= 0) {
      if (rson_[p] != kNil) {
        p = rson_[p];
      } else {
        rson_[p] = r;
        dad_[r] = p;
        return;
      }
    } else {
      if (lson_[p] != kNil) {
        p = lson_[p];
      } else {
        lson_[p] = r;
        dad_[r] = p;
        return;
      }
    }
    int i = 1;
    for (; i < kF; i++) {
      if ((cmp = key[i] - textBuf_[p + i]) != 0) {
        break;
      }
    }
    if (i > kThreshold) {
      if (i > matchLength_) {
        matchPosition_ = (r - p) & (kN - 1);
        if ((matchLength_ = i) >= kF) {
          break;
        }
      } else if (i == matchLength_) {
        const int distance = (r - p) & (kN - 1);
        if (distance < matchPosition_) {
          matchPosition_ = distance;
        }
      }
    }
  }
  // A full-length match: the new node takes the old one's place in the tree.
  dad_[r] = dad_[p];
  lson_[r] = lson_[p];
  rson_[r] = rson_[p];
  dad_[lson_[p]] = r;
  dad_[rson_[p]] = r;
  if (rson_[dad_[p]] == p) {
    rson_[dad_[p]] = r;
  } else {
    lson_[dad_[p]] = r;
  }
  dad_[p] = kNil;
}

void Encoder::DeleteNode(int p) {
  if (dad_[p] == kNil) {
    return;
  }
  int q;
  if (rson_[p] == kNil) {
    q = lson_[p];
  } else if (lson_[p] == kNil) {
    q = rson_[p];
  } else {
    q = lson_[p];
    if (rson_[q] != kNil) {
      do {
        q = rson_[q];
      } while (rson_[q] != kNil);
      rson_[dad_[q]] = lson_[q];
      dad_[lson_[q]] = dad_[q];
      lson_[q] = lson_[p];
      dad_[lson_[p]] = q;
    }
    rson_[q] = rson_[p];
    dad_[rson_[p]] = q;
  }
  dad_[q] = dad_[p];
  if (rson_[dad_[p]] == p) {
    rson_[dad_[p]] = q;
  } else {
    lson_[dad_[p]] = q;
  }
  dad_[p] = kNil;
}

void Encoder::StartModel() {
  symCum_[kSymbols] = 0;
  for (int sym = kSymbols; sym >= 1; sym--) {
    const int ch = sym - 1;
    charToSym_[ch] = sym;
    symToChar_[sym] = ch;
    symFreq_[sym] = 1;
    symCum_[sym - 1] = symCum_[sym] + symFreq_[sym];
  }
  symFreq_[0] = 0;
  positionCum_[kN] = 0;
  for (int i = kN; i >= 1; i--) {
    positionCum_[i - 1] = positionCum_[i] + 10000 / (i + 200);
  }
}

void Encoder::UpdateModel(int sym) {
  if (symCum_[0] >= kMaxCum) {
    uint32_t c = 0;
    for (int i = kSymbols; i > 0; i--) {
      symCum_[i] = c;
      c += (symFreq_[i] = (symFreq_[i] + 1) >> 1);
    }
    symCum_[0] = c;
  }
  int i = sym;
  while (symFreq_[i] == symFreq_[i - 1]) {
    i--;
  }
  if (i < sym) {
    const int chI = symToChar_[i];
    const int chSym = symToChar_[sym];
    symToChar_[i] = chSym;
    symToChar_[sym] = chI;
    charToSym_[chI] = sym;
    charToSym_[chSym] = i;
  }
  symFreq_[i]++;
  while (--i >= 0) {
    symCum_[i]++;
  }
}

void Encoder::PutBit(int bit) {
  if (bit) {
    bitBuffer_ |= bitMask_;
  }
  if ((bitMask_ >>= 1) == 0) {
    out_.push_back(static_cast<uint8_t>(bitBuffer_));
    bitBuffer_ = 0;
    bitMask_ = 0x80;
  }
}

void Encoder::Output(int bit) {
  PutBit(bit);
  for (; shifts_ > 0; shifts_--) {
    PutBit(!bit);
  }
}

void Encoder::Shrink() {
  for (;;) {
    if (high_ <= kQ2) {
      Output(0);
    } else if (low_ >= kQ2) {
      Output(1);
      low_ -= kQ2;
      high_ -= kQ2;
    } else if (low_ >= kQ1 && high_ <= kQ3) {
      shifts_++;
      low_ -= kQ1;
      high_ -= kQ1;
    } else {
      break;
    }
    low_ += low_;
    high_ += high_;
  }
}

void Encoder::EncodeChar(int ch) {
  const int sym = charToSym_[ch];
  const uint32_t range = high_ - low_;
  high_ = low_ + (range * symCum_[sym - 1]) / symCum_[0];
  low_ += (range * symCum_[sym]) / symCum_[0];
  Shrink();
  UpdateModel(sym);
}

void Encoder::EncodePosition(int position) {
  const uint32_t range = high_ - low_;
  high_ = low_ + (range * positionCum_[position]) / positionCum_[0];
  low_ += (range * positionCum_[position + 1]) / positionCum_[0];
  Shrink();
}

void Encoder::EncodeEnd() {
  shifts_++;
  Output(low_ < kQ1 ? 0 : 1);
  for (int i = 0; i < 7; i++) {
    PutBit(0);
  }
}

std::vector<uint8_t> Encoder::Run(std::span<const uint8_t> data) {
  if (data.empty()) {
    return {};
  }
  out_.reserve(data.size() / 2 + 64);
  size_t next = 0;
  auto nextByte = [&]() -> int { return next < data.size() ? data[next++] : -1; };

  StartModel();
  InitTree();
  int s = 0;
  int r = kN - kF;
  for (int i = s; i < r; i++) {
    textBuf_[i] = ' ';
  }
  int len = 0;
  int c;
  for (; len < kF && (c = nextByte()) != -1; len++) {
    textBuf_[r + len] = static_cast<uint8_t>(c);
  }
  for (int i = 1; i <= kF; i++) {
    InsertNode(r - i);
  }
  InsertNode(r);
  do {
    if (matchLength_ > len) {
      matchLength_ = len;
    }
    if (matchLength_ <= kThreshold) {
      matchLength_ = 1;
      EncodeChar(textBuf_[r]);
    } else {
      EncodeChar(255 - kThreshold + matchLength_);
      EncodePosition(matchPosition_ - 1);
    }
    const int lastMatchLength = matchLength_;
    int i = 0;
    for (; i < lastMatchLength && (c = nextByte()) != -1; i++) {
      DeleteNode(s);
      textBuf_[s] = static_cast<uint8_t>(c);
      if (s < kF - 1) {
        textBuf_[s + kN] = static_cast<uint8_t>(c);
      }
      s = (s + 1) & (kN - 1);
      r = (r + 1) & (kN - 1);
      InsertNode(r);
    }
    while (i++ < lastMatchLength) {
      DeleteNode(s);
      s = (s + 1) & (kN - 1);
      r = (r + 1) & (kN - 1);
      if (--len) {
        InsertNode(r);
      }
    }
  } while (len > 0);
  EncodeEnd();
  return std::move(out_);
}

}  // namespace

std::vector<uint8_t> LzariEncode(std::span<const uint8_t> data) {
  // About 60 KB of state: keep it off the stack.
  return std::make_unique<Encoder>()->Run(data);
}

std::vector<uint8_t> PackImageContainer(std::span<const uint8_t> data) {
  const auto length = static_cast<uint32_t>(data.size());
  std::vector<uint8_t> container = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                    static_cast<uint8_t>(length >> 16),
                                    static_cast<uint8_t>(length >> 24)};
  const std::vector<uint8_t> stream = LzariEncode(data);
  container.insert(container.end(), stream.begin(), stream.end());
  return container;
}

}  // namespace solvane
