// The converters on fixture files: each against a plain model of the
// conversion on long mixed inputs (so that the byte table, the lead table
// and the ASCII words must agree with the records), and the edge cases of
// terminated inputs, full outputs, cut characters and little-endian units.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "gls/conv/conv.h"
#include "tests/gls/conv_files.h"
#include "tests/support/bytes.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::Converted;
using testing::cvo_text;
using testing::expect_outcome;
using testing::Input;
using testing::Load;
using testing::load_text;
using testing::Outcome;
using testing::Output;
using velmorad::testing::bytes;
using velmorad::testing::TempDir;

const std::string kNul(1, '\0');

Load load_map(const TempDir &dir, const CvoMap &map, int32_t table_flag = 0) {
    CvoInput input;
    input.records = map;
    input.table_flag = table_flag;
    Load load = load_text(dir.path(), cvo_text(input));
    EXPECT_EQ(load.rc, kCvLoaded);
    return load;
}

// What a counted conversion should do, from the map alone: characters are
// matched whole, and the first one that has no conversion, is cut off or
// does not fit stops it.
using Prefixes = std::set<std::string>;

Prefixes prefixes_of(const CvoMap &map) {
    Prefixes prefixes;
    for (const auto &[key, record] : map) {
        for (size_t n = 1; n < key.size(); ++n)
            prefixes.insert(key.substr(0, n));
    }
    return prefixes;
}

Outcome model(const CvoMap &map, const Prefixes &prefixes, const std::string &input, size_t room) {
    Outcome result;
    while (result.in_used < input.size()) {
        const std::string rest = input.substr(result.in_used, 4);
        auto found = map.end();
        for (size_t n = 1; n <= rest.size() && found == map.end(); ++n) {
            found = map.find(rest.substr(0, n));
            if (found == map.end() && prefixes.count(rest.substr(0, n)) == 0) break;
        }
        result.rc = -1;
        if (found == map.end()) {
            const bool cut = result.in_used + rest.size() == input.size() && prefixes.count(rest);
            result.error = cut ? GL_EINVAL : GL_EILSEQ;
            break;
        }
        const CvoRecord &record = found->second;
        result.error = GL_EILSEQ;
        if (!record.converts) break;
        if ((record.flags & kCvInexact) != 0) result.inexact = 1;
        result.error = GL_E2BIG;
        if (result.out.size() + record.output.size() > room) break;
        result.rc = 0;
        result.out += record.output;
        result.in_used += found->first.size();
    }
    return result;
}

// Text of the map's characters, with runs of plain ASCII between, and
// now and then a byte that starts none or a character cut at the end.
std::string random_text(const CvoMap &map, std::mt19937 &random, int round) {
    std::vector<std::string> keys;
    for (const auto &[key, record] : map) {
        if (key != kNul && record.converts) keys.push_back(key);
    }
    std::string text;
    for (int n = 0; n < 200; ++n) {
        if (random() % 4 == 0) text += std::string(random() % 24, static_cast<char>('A' + n % 26));
        text += keys[random() % keys.size()];
    }
    if (round % 2 == 1) text.insert(random() % text.size(), 1, '\xFF');
    if (round % 5 == 4) text.pop_back();
    return text;
}

// Every few sizes of output, written and measured, against the model.
void agree_with_model(CvDesc *cd, const CvoMap &map, std::mt19937 &random) {
    const Prefixes prefixes = prefixes_of(map);
    for (int round = 0; round < 12; ++round) {
        const std::string text = random_text(map, random, round);
        const size_t full = model(map, prefixes, text, text.size() * 4).out.size();
        for (size_t room = full + 1; room-- > 0; room = room > 7 ? room - 7 : 0) {
            SCOPED_TRACE(room);
            const Outcome want = model(map, prefixes, text, room);
            expect_outcome(convert(cd, text, room), want);
            const Converted measured =
                convert(cd, text, room, nullptr, Input::kCounted, Output::kMeasure);
            EXPECT_EQ(measured.in_used, want.in_used);
            EXPECT_EQ(measured.out_left, room - want.out.size());
        }
    }
}

// Latin-1 like: ASCII to itself, 0x80 without a conversion, the rest to
// other bytes, one inexact, one written as converting nothing.
CvoMap single_byte_map() {
    CvoMap map;
    for (int b = 0; b < 0x80; ++b)
        map[std::string(1, static_cast<char>(b))] = {std::string(1, static_cast<char>(b))};
    for (int b = 0x81; b < 0xFF; ++b)
        map[std::string(1, static_cast<char>(b))] = {std::string(1, static_cast<char>(b ^ 0x20))};
    map["\x9D"] = {"?", kCvInexact};
    map["\xA0"] = {"\xA0", 0, false};
    return map;
}

// UTF-8 like: ASCII to itself, two- and three-byte characters to one, two
// and four bytes, one inexact, a hole among them.
CvoMap multi_byte_map() {
    CvoMap map;
    for (int b = 0; b < 0x80; ++b)
        map[std::string(1, static_cast<char>(b))] = {std::string(1, static_cast<char>(b))};
    for (int trail = 0x80; trail < 0xC0; ++trail) {
        map[bytes({0xC2, trail})] = {std::string(1, static_cast<char>(trail))};
        map[bytes({0xC3, trail})] = {std::string(1, static_cast<char>(trail + 0x40))};
    }
    for (int trail = 0x80; trail < 0xA0; ++trail) {
        map[bytes({0xE3, 0x81, trail})] = {bytes({0xA4, trail + 0x21})};
        map[bytes({0xE3, 0x82, trail})] = {bytes({0x8F, 0xA5, trail + 0x21, 0x01})};
    }
    map["\xE3\x81\x90"].flags = kCvInexact;
    map.erase("\xC3\xBF");
    return map;
}

TEST(Converters, SingleByteWithAndWithoutItsTableAgreeWithTheRecords) {
    std::mt19937 random(20240611);
    for (int32_t table_flag : {0, 1}) {
        TempDir dir;
        Load load = load_map(dir, single_byte_map(), table_flag);
        EXPECT_EQ(load.cd->byte_table != nullptr, table_flag == 0);
        agree_with_model(load.cd.get(), single_byte_map(), random);
    }
}

TEST(Converters, MultiByteAgreesWithTheRecords) {
    std::mt19937 random(7);
    CvoMap map = multi_byte_map();
    TempDir dir;
    Load load = load_map(dir, map);
    EXPECT_EQ(load.cd->ascii_identity, 1);
    EXPECT_EQ(load.cd->ascii_words, 1);
    EXPECT_NE(load.cd->pair_slots, nullptr);
    agree_with_model(load.cd.get(), map, random);

    // ASCII words that stop at the two bytes mapping elsewhere, and a lead
    // table of two-byte outputs.
    map["q"] = {"Q"};
    map["\x7F"] = {"\xC2\xA0"};
    Load stopped = load_map(dir, map);
    EXPECT_EQ(stopped.cd->ascii_identity, 0);
    EXPECT_EQ(stopped.cd->ascii_words, 1);
    agree_with_model(stopped.cd.get(), map, random);

    // A third such byte: no ASCII words.
    map["B"] = {"b"};
    Load other = load_map(dir, map);
    EXPECT_EQ(other.cd->ascii_words, 0);
    agree_with_model(other.cd.get(), map, random);
}

// The byte table is filled byte by byte, so the bytes after one without a
// conversion are in it, and only the plain ones are marked.
TEST(Converters, TheByteTableMarksExactlyTheBytesThatConvertPlainly) {
    CvoMap map = single_byte_map();
    map["\x90"] = {"\x90", kCvTerminator};
    TempDir dir;
    Load load = load_map(dir, map);
    const CvByteTable *table = load.cd->byte_table;
    ASSERT_NE(table, nullptr);
    for (int b = 0; b < 256; ++b) {
        const auto it = map.find(std::string(1, static_cast<char>(b)));
        const bool plain =
            b != 0 && it != map.end() && it->second.converts && it->second.flags == 0;
        EXPECT_EQ(table->exact[b] != 0, plain) << b;
        if (plain) {
            EXPECT_EQ(table->output[b], static_cast<uint8_t>(it->second.output[0])) << b;
        }
    }
    expect_outcome(convert(load.cd.get(), "\xE9\x9D\xC0", 3), {0, 0, "\xC9?\xE0", 3, 1});
}

TEST(Converters, ATerminatedInputStopsAfterItsTerminator) {
    CvoMap single = single_byte_map();
    single["\x90"] = {"\x90", kCvTerminator};
    CvoMap multi = multi_byte_map();
    multi["\xC2\x85"].flags = kCvTerminator;
    CvoMap null_lead = multi_byte_map();  // the zero byte begins a longer character
    null_lead.erase(kNul);
    null_lead[bytes({0, 0x41})] = {"@"};
    CvoMap null_trail = multi_byte_map();  // ... or ends one
    null_trail[bytes({0xC4, 0})] = {"N"};
    const struct {
        const char *what;
        CvoMap map;
        std::string input;  // handed over up to its first zero byte
        Outcome want;
    } rows[] = {
        {"single byte", single, "ab" + kNul + "cd", {0, 0, "ab" + kNul, 3}},
        {"single byte, a terminator of its own", single, "a\x90z" + kNul, {0, 0, "a\x90", 2}},
        {"multi-byte", multi, "a\xC3\xA9" + kNul + "z", {0, 0, "a\xE9" + kNul, 4}},
        {"multi-byte, a terminator of its own", multi, "a\xC2\x85z" + kNul, {0, 0, "a\x85", 3}},
        {"a character ending on a zero byte", null_trail, "a\xC4" + kNul, {0, 0, "aN", 3}},
        {"a character going on past it", null_lead, "a" + kNul, {-1, GL_EINVAL, "a", 1}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        Load load = load_map(dir, row.map);
        const std::string given = row.input.substr(0, row.input.find('\0') + 1);
        expect_outcome(convert(load.cd.get(), given, 16, nullptr, Input::kTerminated), row.want);
    }
}

TEST(Converters, StopAtTheCharacterThatFails) {
    TempDir dir;
    Load load = load_map(dir, {{"a", {"a"}},
                               {"\xE9", {"\xC3\xA9"}},
                               {"\x8E\xA1", {"\xEF\xBD\xA1"}},
                               {"\x80", {"", kCvInexact}},
                               // Bytes to write, but marked as having no conversion.
                               {"\x8E\xA3", {"\xEF\xBD\xA3", 0, false}}});
    const struct {
        const char *what;
        std::string input;
        size_t room;
        Outcome want;
    } rows[] = {
        {"all fits", "a\xE9\x8E\xA1", 6, {0, 0, "a\xC3\xA9\xEF\xBD\xA1", 4}},
        {"one byte short", "a\xE9\x8E\xA1", 5, {-1, GL_E2BIG, "a\xC3\xA9", 2}},
        {"no room at all", "a", 0, {-1, GL_E2BIG, "", 0}},
        {"cut by the input's end", "a\x8E", 8, {-1, GL_EINVAL, "a", 1}},
        {"no such character", "a\x8E\xA2", 8, {-1, GL_EILSEQ, "a", 1}},
        {"no such byte", "aa\xFF", 8, {-1, GL_EILSEQ, "aa", 2}},
        {"no conversion, at the end", "a\x8E\xA3", 8, {-1, GL_EILSEQ, "a", 1}},
        {"no conversion, through the pair index", "a\x8E\xA3zz", 8, {-1, GL_EILSEQ, "a", 1}},
        {"inexact and empty", "a\x80z", 2, {-1, GL_EILSEQ, "a", 2, 1}},
        {"nothing to convert", "", 0, {0, 0, "", 0}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        expect_outcome(convert(load.cd.get(), row.input, row.room), row.want);
    }
    EXPECT_EQ(gl_cv_outbuflen(load.cd.get(), 3), 6U);  // two bytes out for one in, at most

    // Measuring without an output pointer at all; null arguments refused.
    const unsigned char text[] = {'a', 0xE9, 0xE9, 'a'};
    const unsigned char *in = text;
    size_t in_left = sizeof text;
    size_t out_left = 6;
    EXPECT_EQ(gl_mconvlen(load.cd.get(), &in, &in_left, &out_left, nullptr), 0);
    EXPECT_EQ(out_left, 0U);
    EXPECT_EQ(gl_mconvlen(load.cd.get(), nullptr, &in_left, &out_left, nullptr), -1);
    EXPECT_EQ(load.cd->error, GL_ENULLARG);
}

// Little-endian units: keys and records hold the most significant byte
// first, the input and output the least significant.
TEST(Converters, LittleEndianUnits) {
    const CvoMap utf16 = {{bytes({0, 0}), {kNul}},
                          {bytes({0, 0x41}), {"A"}},
                          {bytes({0, 0xE9}), {"\xC3\xA9"}},
                          {bytes({0x30, 0x42}), {"\xE3\x81\x82"}},
                          {bytes({0x30, 0x43}), {"\xE3\x81\x83", 0, false}}};
    const CvoMap utf32 = {{bytes({0, 0, 0, 0x41}), {"A"}},
                          {bytes({0, 1, 0xF6, 0x00}), {"\xF0\x9F\x98\x80"}}};
    const CvoMap utf16_to_32 = {{bytes({0, 0x41}), {bytes({0, 0, 0, 0x41})}},
                                {bytes({0x30, 0x42}), {bytes({0, 0, 0x30, 0x42})}}};
    const CvoMap to_utf16 = {{kNul, {bytes({0, 0})}},
                             {"A", {bytes({0, 0x41})}},
                             {"\xC3\xA9", {bytes({0, 0xE9})}},
                             {"\xE3\x81\x82", {bytes({0x30, 0x42}), kCvInexact}},
                             {"\xE3\x81\x83", {bytes({0x30, 0x43}), 0, false}}};
    const CvoMap to_utf32 = {{"A", {bytes({0, 0, 0, 0x41})}},
                             {"\xF0\x9F\x98\x80", {bytes({0, 1, 0xF6, 0x00})}}};
    const std::string le16 = bytes({0x41, 0, 0xE9, 0, 0x42, 0x30});
    const std::string le32 = bytes({0x41, 0, 0, 0, 0x00, 0xF6, 1, 0});
    const struct {
        const char *what;
        CvoMap map;
        std::string input;
        size_t room;
        Outcome want;
        Input kind = Input::kCounted;
    } rows[] = {
        {"from 2-byte units", utf16, le16, 6, {0, 0, "A\xC3\xA9\xE3\x81\x82", 6}},
        {"from a cut unit", utf16, le16.substr(0, 3), 6, {-1, GL_EINVAL, "A", 2}},
        {"from an unknown unit", utf16, bytes({0x41, 0, 0x41, 0x30}), 6, {-1, GL_EILSEQ, "A", 2}},
        {"from units, out of room", utf16, le16, 2, {-1, GL_E2BIG, "A", 2}},
        {"from a unit without a conversion",
         utf16,
         bytes({0x41, 0, 0x43, 0x30}),
         6,
         {-1, GL_EILSEQ, "A", 2}},
        {"from terminated units",
         utf16,
         bytes({0x41, 0, 0, 0}),
         4,
         {0, 0, "A" + kNul, 4},
         Input::kTerminated},
        {"from 4-byte units", utf32, le32, 5, {0, 0, "A\xF0\x9F\x98\x80", 8}},
        {"from a cut 4-byte unit", utf32, le32.substr(0, 7), 5, {-1, GL_EINVAL, "A", 4}},
        {"between units, reversed both ways",
         utf16_to_32,
         bytes({0x41, 0, 0x42, 0x30}),
         8,
         {0, 0, bytes({0x41, 0, 0, 0, 0x42, 0x30, 0, 0}), 4}},
        {"to 2-byte units", to_utf16, "A\xC3\xA9\xE3\x81\x82", 6, {0, 0, le16, 6, 1}},
        {"to units, out of room", to_utf16, "AA", 3, {-1, GL_E2BIG, le16.substr(0, 2), 1}},
        {"to units, no conversion",
         to_utf16,
         "A\xE3\x81\x83",
         6,
         {-1, GL_EILSEQ, le16.substr(0, 2), 1}},
        {"to units, character cut",
         to_utf16,
         "A\xE3\x81",
         6,
         {-1, GL_EINVAL, le16.substr(0, 2), 1}},
        {"to terminated units",
         to_utf16,
         "A" + kNul,
         8,
         {0, 0, bytes({0x41, 0, 0, 0}), 2},
         Input::kTerminated},
        {"to 4-byte units", to_utf32, "A\xF0\x9F\x98\x80", 8, {0, 0, le32, 5}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        Load load = load_map(dir, row.map);
        expect_outcome(convert(load.cd.get(), row.input, row.room, nullptr, row.kind), row.want);
    }

    // A target of fixed 2-byte characters that shifts is no little-endian
    // one: its records are written as they stand.
    CvoInput shifting;
    shifting.records = to_utf16;
    shifting.target_shift = 1;
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(shifting));
    EXPECT_EQ(convert(load.cd.get(), "A\xC3\xA9", 4).out, bytes({0, 0x41, 0, 0xE9}));
}

}  // namespace
}  // namespace gls
