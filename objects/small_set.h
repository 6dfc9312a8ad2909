#pragma once
// A set of the values of a small enumeration (at most 32 members), the
// form the published set properties (cube parts, plane styles) take.

#include <cstdint>
#include <initializer_list>

template <class E>
class SmallSet {
public:
  constexpr SmallSet() = default;
  constexpr SmallSet(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  static constexpr SmallSet FromBits(std::uint32_t bits) {
    SmallSet s;
    s.bits_ = bits;
    return s;
  }

  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr void Include(E e) { bits_ |= Bit(e); }
  constexpr void Exclude(E e) { bits_ &= ~Bit(e); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(SmallSet a, SmallSet b) { return a.bits_ == b.bits_; }

private:
  static constexpr std::uint32_t Bit(E e) { return std::uint32_t{1} << static_cast<unsigned>(e); }
  std::uint32_t bits_ = 0;
};
