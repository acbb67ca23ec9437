#include "text/NumberWriter.h"

// The uncompressed table of powers of ten: fewer operations per number.
#define FMT_USE_FULL_CACHE_DRAGONBOX 1
#include <fmt/format.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "numerics/BitCast.h"

namespace kelvoran {

namespace {

// "00" to "99", for writing two digits at a time.
constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819"
    "2021222324252627282930313233343536373839"
    "4041424344454647484950515253545556575859"
    "6061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr std::uint64_t kPowersOfTen[] = {1ULL,
                                          10ULL,
                                          100ULL,
                                          1000ULL,
                                          10000ULL,
                                          100000ULL,
                                          1000000ULL,
                                          10000000ULL,
                                          100000000ULL,
                                          1000000000ULL,
                                          10000000000ULL,
                                          100000000000ULL,
                                          1000000000000ULL,
                                          10000000000000ULL,
                                          100000000000000ULL,
                                          1000000000000000ULL,
                                          10000000000000000ULL,
                                          100000000000000000ULL,
                                          1000000000000000000ULL,
                                          10000000000000000000ULL};

// Number of decimal digits of n > 0.
int decimalDigitCount(std::uint64_t n) {
    // log10(2) ≈ 1233 / 4096, from the bit length.
    const int guess = ((64 - std::countl_zero(n)) * 1233) >> 12;
    return guess + (n >= kPowersOfTen[guess] ? 1 : 0);
}

// Writes the eight decimal digits of n < 10^8 (leading zeros included) at `out`: the two
// halves, their digit pairs and their digits split in the lanes of one 64-bit word.
void writeEightDigits(char* out, std::uint32_t n) {
    std::uint64_t lanes = (n / 10000) | (static_cast<std::uint64_t>(n % 10000) << 32);
    const std::uint64_t hundreds = ((lanes * 10486) >> 20) & 0x0000007F0000007FULL;
    lanes = hundreds | ((lanes - hundreds * 100) << 16);
    const std::uint64_t tens = ((lanes * 103) >> 10) & 0x000F000F000F000FULL;
    lanes = tens | ((lanes - tens * 10) << 8);
    lanes += 0x3030303030303030ULL;  // '0' in every byte
    if constexpr (std::endian::native == std::endian::big) {
        lanes = ((lanes & 0x00000000FFFFFFFFULL) << 32) | (lanes >> 32);
        lanes = ((lanes & 0x0000FFFF0000FFFFULL) << 16) | ((lanes >> 16) & 0x0000FFFF0000FFFFULL);
        lanes = ((lanes & 0x00FF00FF00FF00FFULL) << 8) | ((lanes >> 8) & 0x00FF00FF00FF00FFULL);
    }
    std::memcpy(out, &lanes, 8);
}

#if defined(__SSE2__)
// The eight decimal digits of n < 10^8 in the 16-bit lanes of a vector, the first digit in the
// lowest lane: n split into two halves of four digits, each half divided by 1000, 100, 10 and 1
// by multiplications, and the tens taken off.
__m128i eightDigitLanes(std::uint32_t n) {
    const __m128i value = _mm_cvtsi32_si128(static_cast<int>(n));
    const __m128i high = _mm_srli_epi64(
        _mm_mul_epu32(value, _mm_set1_epi32(static_cast<int>(0xd1b71759U))), 45);  // n / 10^4
    const __m128i low = _mm_sub_epi32(value, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
    const __m128i halves = _mm_slli_epi64(_mm_unpacklo_epi16(high, low), 2);
    const __m128i pairs = _mm_unpacklo_epi16(halves, halves);
    const __m128i spread = _mm_unpacklo_epi32(pairs, pairs);
    const auto half = static_cast<short>(32768);
    const __m128i divided = _mm_mulhi_epu16(
        _mm_mulhi_epu16(spread, _mm_setr_epi16(8389, 5243, 13108, half, 8389, 5243, 13108, half)),
        _mm_setr_epi16(1 << 7, 1 << 11, 1 << 13, half, 1 << 7, 1 << 11, 1 << 13, half));
    const __m128i tens = _mm_slli_epi64(_mm_mullo_epi16(divided, _mm_set1_epi16(10)), 16);
    return _mm_sub_epi16(divided, tens);
}

// Writes the sixteen decimal digits of n < 10^16 (leading zeros included) at `out`.
void writeSixteenDigits(char* out, std::uint64_t n) {
    const __m128i high = eightDigitLanes(static_cast<std::uint32_t>(n / 100000000));
    const __m128i low = eightDigitLanes(static_cast<std::uint32_t>(n % 100000000));
    const __m128i digits = _mm_add_epi8(_mm_packus_epi16(high, low), _mm_set1_epi8('0'));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), digits);
}
#else
// Writes the sixteen decimal digits of n < 10^16 (leading zeros included) at `out`.
void writeSixteenDigits(char* out, std::uint64_t n) {
    writeEightDigits(out, static_cast<std::uint32_t>(n / 100000000));
    writeEightDigits(out + 8, static_cast<std::uint32_t>(n % 100000000));
}
#endif

// The decimal digits of a significand below 10^24, in a buffer that fixed-size copies may read
// past their end.
struct DecimalDigits {
    char buffer[48];
    const char* first = nullptr;  // the first of `count` digits
    int count = 0;

    DecimalDigits(std::uint64_t n, int digitCount) : count(digitCount) {
        char* end = buffer + 24;
        std::memset(end, 0, 24);
        if (count <= 8) {
            writeEightDigits(end - 8, static_cast<std::uint32_t>(n));
        } else {
            constexpr std::uint64_t kSixteenDigits = 10000000000000000ULL;
            writeSixteenDigits(end - 16, n % kSixteenDigits);
            if (count == 17) {
                // The longest significand of a double: one digit more.
                end[-17] = static_cast<char>('0' + n / kSixteenDigits);
            } else if (count > 17) {
                writeEightDigits(end - 24, static_cast<std::uint32_t>(n / kSixteenDigits));
            }
        }
        first = end - count;
    }
};

// Writes the number whose `digits` (at most 17, no trailing zero) have the last one at
// 10^exponent, in the table's form, straight into `out` (which may be used up to
// kNumberScratchBytes ahead).
[[gnu::always_inline]] inline char* writeDecimal(char* out, const DecimalDigits& digits,
                                                 int exponent, char decimalMark) {
    const char* d = digits.first;
    const int count = digits.count;
    const int first = exponent + count - 1;  // power of ten of the first digit
    if (first < -4 || first > 15) {
        out[0] = d[0];
        out[1] = decimalMark;
        std::memcpy(out + 2, d + 1, 16);
        out += count > 1 ? count + 1 : 1;
        *out++ = 'e';
        *out++ = first < 0 ? '-' : '+';
        const int magnitude = first < 0 ? -first : first;
        if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
        std::memcpy(out, kDigitPairs + (magnitude % 100) * 2, 2);
        return out + 2;
    }
    if (first < 0) {
        // 0.000ddd: at most three zeros after the mark.
        out[0] = '0';
        out[1] = decimalMark;
        std::memcpy(out + 2, "000", 3);
        out += 1 - first;
        std::memcpy(out, d, 24);
        return out + count;
    }
    if (exponent >= 0) {
        // An integer of at most 16 digits.
        std::memcpy(out, d, 16);
        out += count;
        std::memset(out, '0', 16);
        return out + exponent;
    }
    // Digits on both sides of the mark.
    const int whole = first + 1;
    std::memcpy(out, d, 16);
    out[whole] = decimalMark;
    std::memcpy(out + whole + 1, d + whole, 16);
    return out + count + 1;
}

// The shortest digits that read back to |value| (finite, its sign written already), from the
// shortest round-trip conversion of {fmt}; an integer below 2^53 is its own shortest form.
char* writeShortest(char* out, double magnitude, char decimalMark) {
    constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
    std::uint64_t significand = 0;
    int exponent = 0;  // of the last digit
    const auto whole = static_cast<std::int64_t>(magnitude < kExactIntegers ? magnitude : 0.0);
    if (magnitude < kExactIntegers && magnitude == static_cast<double>(whole)) {
        if (whole == 0) {
            *out = '0';
            return out + 1;
        }
        significand = static_cast<std::uint64_t>(whole);
        while (significand % 10 == 0) {
            significand /= 10;
            ++exponent;
        }
    } else {
        // Dragonbox gives no trailing zeros: a result with one would have had a shorter form.
        const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
        significand = decimal.significand;
        exponent = decimal.exponent;
    }
    return writeDecimal(out, DecimalDigits(significand, decimalDigitCount(significand)), exponent,
                        decimalMark);
}

// `digits` significant digits (1 to 17), correctly rounded, trailing zeros dropped.
char* writeRounded(char* out, double value, int digits, char decimalMark) {
    char scientific[40];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, value,
                                      std::chars_format::scientific, digits - 1);
    const char* p = scientific;
    const char* end = result.ptr;
    if (*p == '-') {
        *out++ = '-';
        ++p;
    }
    char mantissa[24];
    int count = 0;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.') mantissa[count++] = *p;
    }
    int exponent = 0;
    bool negativeExponent = false;
    for (++p; p < end; ++p) {
        if (*p == '-') {
            negativeExponent = true;
        } else if (*p != '+') {
            exponent = exponent * 10 + (*p - '0');
        }
    }
    while (count > 1 && mantissa[count - 1] == '0') --count;
    exponent = negativeExponent ? -exponent : exponent;
    if (count == 1 && mantissa[0] == '0') {
        *out++ = '0';
        return out;
    }
    std::uint64_t significand = 0;
    for (int i = 0; i < count; ++i) significand = significand * 10 + (mantissa[i] - '0');
    return writeDecimal(out, DecimalDigits(significand, count), exponent - count + 1, decimalMark);
}

}  // namespace

char* writeNumber(char* out, double value, int digits, char decimalMark) {
    const auto bits = bitCast<std::uint64_t>(value);
    constexpr std::uint64_t kExponentBits = 0x7FF0000000000000ULL;
    if ((bits & kExponentBits) == kExponentBits) {
        // NaN or an infinity.
        if ((bits & ~(kExponentBits | (1ULL << 63))) != 0) {
            std::memcpy(out, "nan", 3);
            return out + 3;
        }
        if ((bits >> 63) != 0) *out++ = '-';
        std::memcpy(out, "inf", 3);
        return out + 3;
    }
    if (digits <= 0) {
        if ((bits >> 63) != 0) *out++ = '-';
        return writeShortest(out, std::fabs(value), decimalMark);
    }
    return writeRounded(out, value, digits > 17 ? 17 : digits, decimalMark);
}

char* writeInteger(char* out, std::int64_t value) {
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0 - magnitude;
    }
    if (magnitude < 10) {
        *out = static_cast<char>('0' + magnitude);
        return out + 1;
    }
    if (magnitude < 100000000) {
        char eight[16] = {};
        writeEightDigits(eight, static_cast<std::uint32_t>(magnitude));
        const int count = decimalDigitCount(magnitude);
        std::memcpy(out, eight + 8 - count, 8);
        return out + count;
    }
    const DecimalDigits digits(magnitude, decimalDigitCount(magnitude));
    std::memcpy(out, digits.first, 24);
    return out + digits.count;
}

void appendNumber(std::string& out, double value, int digits, char decimalMark) {
    char text[kNumberScratchBytes];
    out.append(text,
               static_cast<std::size_t>(writeNumber(text, value, digits, decimalMark) - text));
}

void appendExact(std::string& out, double value) { appendNumber(out, value, 0); }

}  // namespace kelvoran
