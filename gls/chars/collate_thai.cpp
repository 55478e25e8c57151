// Collation of a section that is only "thai_smo": TIS-620 text is written
// with some vowels before the consonant they follow in speech, and sorts as
// if each of those leading vowels (0xE0 to 0xE4) came after the consonant
// (0xA1 to 0xCE) right behind it. The rearranged bytes are compared; when
// they tie (a vowel written before or after its consonant), the original
// bytes decide, so strings are equal only when their bytes are.
//
// The sort key is the rearranged bytes, a zero byte, then the original
// bytes: the zero byte sorts below any byte of a terminated string, so the
// keys order as the comparison does.
#include <climits>

#include "gls/chars/collate_order.h"

namespace gls {

using namespace chars;

namespace {

constexpr uint8_t kFirstLeadingVowel = 0xE0;
constexpr uint8_t kLastLeadingVowel = 0xE4;
constexpr uint8_t kFirstConsonant = 0xA1;
constexpr uint8_t kLastConsonant = 0xCE;
constexpr int kEnd = -1;

bool is_leading_vowel(uint8_t byte) {
    return byte >= kFirstLeadingVowel && byte <= kLastLeadingVowel;
}
bool is_consonant(uint8_t byte) {
    return byte >= kFirstConsonant && byte <= kLastConsonant;
}

// The bytes of a string in sorting order, one at a time.
class Rearranged {
  public:
    explicit Rearranged(CollText text) : s_(text.s), n_(text.n) {}

    int next() {
        if (held_ != kEnd) {
            const int byte = held_;
            held_ = kEnd;
            return byte;
        }
        if (pos_ >= n_) return kEnd;
        const uint8_t byte = s_[pos_++];
        if (is_leading_vowel(byte) && pos_ < n_ && is_consonant(s_[pos_])) {
            held_ = byte;
            return s_[pos_++];
        }
        return byte;
    }

  private:
    const unsigned char *s_;
    size_t n_;
    size_t pos_ = 0;
    int held_ = kEnd;
};

CollText thai_text(Locale *loc, const unsigned char *s, int n) {
    if (s == nullptr || n != kToTerminator) return single_byte_text(loc, s, n);
    // Every byte of TIS-620 is one character; any other code set is walked
    // as its terminator requires.
    const CollationTables tables(loc);
    return tables.text(loc, s, n);
}

int compare_thai(CollText a, CollText b) {
    Rearranged ra(a);
    Rearranged rb(b);
    for (;;) {
        const int x = ra.next();
        const int y = rb.next();
        if (x != y) return x < y ? -1 : 1;
        if (x == kEnd) break;
    }
    return byte_order(a.s, a.n, b.s, b.n);
}

}  // namespace

int _gl_thaismocoll(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return compare_thai(thai_text(loc, s1, kToTerminator), thai_text(loc, s2, kToTerminator));
}

int _qmx_gl_thaismoncoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                         int n2) {
    return compare_thai(thai_text(loc, s1, n1), thai_text(loc, s2, n2));
}

int _gl_thaismoxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    const CollText text = thai_text(loc, src, kToTerminator);
    KeySink sink(dst, n > 0 ? static_cast<size_t>(n) : 0);
    Rearranged bytes(text);
    for (int byte; (byte = bytes.next()) != kEnd;)
        sink.put(static_cast<uint8_t>(byte));
    sink.put(0);
    sink.put_bytes(text.s, text.n);
    if (sink.length() > static_cast<size_t>(INT_MAX)) {
        fail(loc, GL_ERANGE);
        return -1;
    }
    return static_cast<int>(sink.length());
}

}  // namespace gls
