#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A non-negative integer of any size, for exact conversions between decimal text and doubles. Only
// what those need: no division except by small numbers, no negative values.
class BigUnsigned {
public:
    explicit BigUnsigned(std::uint64_t value = 0);

    BigUnsigned& MultiplySmall(std::uint32_t factor);
    BigUnsigned& AddSmall(std::uint32_t addend);
    BigUnsigned& MultiplyPow10(int exponent);
    BigUnsigned& ShiftLeft(int bits);
    // Drops the lowest bits.
    BigUnsigned& ShiftRight(int bits);
    // this -= other; other must not be larger.
    BigUnsigned& Subtract(const BigUnsigned& other);

    bool IsZero() const { return limbs_.empty(); }
    // Bits needed to write the value; 0 for zero.
    int BitLength() const;
    bool Bit(int index) const;
    // Bits [from, from + 64) as an integer; bits below 0 count as zero.
    std::uint64_t BitsFrom(int from) const;
    // True when any bit below index is set.
    bool AnyBitBelow(int index) const;
    // The decimal digits, "0" for zero.
    std::string ToDecimal() const;

    static int Compare(const BigUnsigned& a, const BigUnsigned& b);

private:
    void trim();

    std::vector<std::uint32_t> limbs_; // least significant first, no leading zero limbs
};

} // namespace platform
