#pragma once
// A 64-bit digest to tell "nothing changed" (a map's inputs, a kept drawing's data). Each
// step is a bijection of the state, so a change within one lane's words always changes
// the digest; other changes collide with a chance of about 2^-64. Arrays are mixed four
// words at a time in four lanes, so a large one costs a fraction of a millisecond.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/Vec3.h"

namespace velmora {

class Digest {
 public:
  void Add(std::uint64_t w) { h_ = Mix(h_ ^ w); }
  void Add(double d) { Add(std::bit_cast<std::uint64_t>(d)); }
  void Add(const void* p) { Add(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p))); }
  void Add(const std::vector<double>& v) { AddBytes(v.data(), v.size() * sizeof(double)); }
  void Add(const std::vector<Vec3>& v) { AddBytes(v.data(), v.size() * sizeof(Vec3)); }
  // The bytes of value, whatever its type.
  template <typename T>
  void AddValue(const T& value) {
    AddBytes(&value, sizeof value);
  }
  // bytes bytes from data, their count first.
  void AddBytes(const void* data, std::size_t bytes) {
    Add(static_cast<std::uint64_t>(bytes));
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint64_t lane[4] = {h_, h_ + 1, h_ + 2, h_ + 3};
    std::uint64_t w[4];
    for (; bytes >= sizeof w; bytes -= sizeof w, p += sizeof w) {
      std::memcpy(w, p, sizeof w);
      for (int k = 0; k < 4; ++k) lane[k] = Mix(lane[k] ^ w[k]);
    }
    for (; bytes > 0; --bytes, ++p) lane[0] = Mix(lane[0] ^ *p);
    for (std::uint64_t l : lane) Add(l);
  }
  std::uint64_t value() const { return h_; }

  // The digest of a whole array.
  static std::uint64_t Of(const std::vector<double>& v) {
    Digest d;
    d.Add(v);
    return d.value();
  }

 private:
  static std::uint64_t Mix(std::uint64_t h) {
    h *= 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }

  std::uint64_t h_ = 0x243F6A8885A308D3ull;
};

}  // namespace velmora
