#include "BigUnsigned.h"

#include <algorithm>

namespace platform {

BigUnsigned::BigUnsigned(std::uint64_t value)
{
    while (value != 0) {
        limbs_.push_back(static_cast<std::uint32_t>(value));
        value >>= 32;
    }
}

void BigUnsigned::trim()
{
    while (!limbs_.empty() && limbs_.back() == 0)
        limbs_.pop_back();
}

BigUnsigned& BigUnsigned::MultiplySmall(std::uint32_t factor)
{
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
        const std::uint64_t t = std::uint64_t { limb } * factor + carry;
        limb = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    if (carry != 0)
        limbs_.push_back(static_cast<std::uint32_t>(carry));
    trim();
    return *this;
}

BigUnsigned& BigUnsigned::AddSmall(std::uint32_t addend)
{
    std::uint64_t carry = addend;
    for (std::size_t i = 0; carry != 0; ++i) {
        if (i == limbs_.size())
            limbs_.push_back(0);
        const std::uint64_t t = std::uint64_t { limbs_[i] } + carry;
        limbs_[i] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    return *this;
}

BigUnsigned& BigUnsigned::MultiplyPow10(int exponent)
{
    for (; exponent >= 9; exponent -= 9)
        MultiplySmall(1000000000u);
    std::uint32_t rest = 1;
    for (; exponent > 0; --exponent)
        rest *= 10;
    return MultiplySmall(rest);
}

BigUnsigned& BigUnsigned::ShiftLeft(int bits)
{
    if (IsZero() || bits <= 0)
        return *this;
    const std::size_t whole = static_cast<std::size_t>(bits) / 32;
    const int part = bits % 32;
    limbs_.insert(limbs_.begin(), whole, 0);
    if (part != 0) {
        std::uint32_t carry = 0;
        for (std::size_t i = whole; i < limbs_.size(); ++i) {
            const std::uint32_t limb = limbs_[i];
            limbs_[i] = (limb << part) | carry;
            carry = limb >> (32 - part);
        }
        if (carry != 0)
            limbs_.push_back(carry);
    }
    return *this;
}

BigUnsigned& BigUnsigned::ShiftRight(int bits)
{
    if (bits <= 0)
        return *this;
    const std::size_t whole = std::min(static_cast<std::size_t>(bits) / 32, limbs_.size());
    limbs_.erase(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(whole));
    const int part = bits % 32;
    if (part != 0) {
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            const std::uint32_t high = i + 1 < limbs_.size() ? limbs_[i + 1] << (32 - part) : 0;
            limbs_[i] = (limbs_[i] >> part) | high;
        }
    }
    trim();
    return *this;
}

BigUnsigned& BigUnsigned::Subtract(const BigUnsigned& other)
{
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
        std::int64_t t = std::int64_t { limbs_[i] } - borrow - (i < other.limbs_.size() ? other.limbs_[i] : 0);
        borrow = t < 0 ? 1 : 0;
        if (t < 0)
            t += std::int64_t { 1 } << 32;
        limbs_[i] = static_cast<std::uint32_t>(t);
    }
    trim();
    return *this;
}

int BigUnsigned::BitLength() const
{
    if (limbs_.empty())
        return 0;
    int bits = 32 * static_cast<int>(limbs_.size() - 1);
    for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1)
        ++bits;
    return bits;
}

bool BigUnsigned::Bit(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) / 32 >= limbs_.size())
        return false;
    return (limbs_[static_cast<std::size_t>(index) / 32] >> (index % 32)) & 1u;
}

std::uint64_t BigUnsigned::BitsFrom(int from) const
{
    std::uint64_t out = 0;
    for (int k = 63; k >= 0; --k)
        out = (out << 1) | (Bit(from + k) ? 1u : 0u);
    return out;
}

bool BigUnsigned::AnyBitBelow(int index) const
{
    const std::size_t whole = index <= 0 ? 0 : std::min(static_cast<std::size_t>(index) / 32, limbs_.size());
    for (std::size_t i = 0; i < whole; ++i) {
        if (limbs_[i] != 0)
            return true;
    }
    for (int k = 32 * static_cast<int>(whole); k < index; ++k) {
        if (Bit(k))
            return true;
    }
    return false;
}

std::string BigUnsigned::ToDecimal() const
{
    if (IsZero())
        return "0";
    // Peel off nine digits at a time by dividing a copy by 10^9.
    std::vector<std::uint32_t> rest = limbs_;
    std::vector<std::uint32_t> groups;
    while (!rest.empty()) {
        std::uint64_t remainder = 0;
        for (std::size_t i = rest.size(); i-- > 0;) {
            const std::uint64_t t = (remainder << 32) | rest[i];
            rest[i] = static_cast<std::uint32_t>(t / 1000000000u);
            remainder = t % 1000000000u;
        }
        groups.push_back(static_cast<std::uint32_t>(remainder));
        while (!rest.empty() && rest.back() == 0)
            rest.pop_back();
    }
    std::string text = std::to_string(groups.back());
    for (std::size_t i = groups.size() - 1; i-- > 0;) {
        const std::string group = std::to_string(groups[i]);
        text.append(9 - group.size(), '0');
        text += group;
    }
    return text;
}

int BigUnsigned::Compare(const BigUnsigned& a, const BigUnsigned& b)
{
    if (a.limbs_.size() != b.limbs_.size())
        return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
        if (a.limbs_[i] != b.limbs_[i])
            return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
}

} // namespace platform
