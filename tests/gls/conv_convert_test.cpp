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
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::Converted;
using testing::cvo_text;
using testing::Input;
using testing::Load;
using testing::load_text;
using testing::Output;
using velmorad::testing::TempDir;

const std::string kNul(1, '\0');

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (int value : values)
        text += static_cast<char>(value);
    return text;
}

// What a conversion should do, worked out from the map alone: characters
// are matched whole, and the first that has no conversion, is cut off or
// does not fit stops it.
Converted model(const CvoMap &map, const std::string &input, size_t out_size, bool terminated) {
    std::set<std::string> prefixes;
    for (const auto &[key, record] : map) {
        for (size_t n = 1; n < key.size(); ++n)
            prefixes.insert(key.substr(0, n));
    }
    Converted result;
    result.rc = 0;
    result.inexact = 0;
    size_t at = 0;
    while (at < input.size()) {
        const CvoMap::const_iterator found = [&] {
            for (size_t n = 1; n <= 4 && at + n <= input.size(); ++n) {
                auto it = map.find(input.substr(at, n));
                if (it != map.end()) return it;
                if (prefixes.count(input.substr(at, n)) == 0) break;
            }
            return map.end();
        }();
        if (found == map.end()) {
            const bool cut = at + 4 > input.size() && prefixes.count(input.substr(at)) != 0;
            result.rc = -1;
            result.error = cut ? GL_EINVAL : GL_EILSEQ;
            break;
        }
        const CvoRecord &record = found->second;
        if (!record.converts) {
            result.rc = -1;
            result.error = GL_EILSEQ;
            break;
        }
        if ((record.flags & kCvInexact) != 0) result.inexact = 1;
        if (result.out.size() + record.output.size() > out_size) {
            result.rc = -1;
            result.error = GL_E2BIG;
            break;
        }
        result.out += record.output;
        at += found->first.size();
        if (terminated && found->first.find_first_not_of('\0') == std::string::npos) break;
    }
    result.in_used = at;
    return result;
}

void expect_same(const Converted &got, const Converted &want) {
    EXPECT_EQ(got.rc, want.rc);
    if (want.rc != 0) {
        EXPECT_EQ(got.error, want.error);
    }
    EXPECT_EQ(got.in_used, want.in_used);
    EXPECT_EQ(got.out, want.out);
    EXPECT_EQ(got.inexact, want.inexact);
}

// Random text from the map's keys, with runs of plain ASCII between, and
// now and then a byte no key starts with.
std::string random_text(const CvoMap &map, std::mt19937 &random, size_t characters) {
    std::vector<std::string> keys;
    for (const auto &[key, record] : map) {
        if (key.find_first_not_of('\0') != std::string::npos && record.converts &&
            (record.flags & kCvTerminator) == 0) {
            keys.push_back(key);
        }
    }
    std::string text;
    while (characters-- > 0) {
        if (random() % 4 == 0) {
            const size_t run = random() % 24;
            for (size_t i = 0; i < run; ++i)
                text += static_cast<char>('A' + random() % 26);
        }
        text += keys[random() % keys.size()];
    }
    return text;
}

// Runs every way of calling on the same input: enough room, the room cut
// at every few bytes, written and measured; then again with a flaw placed
// at random.
void agree_with_model(CvDesc *cd, const CvoMap &map, std::mt19937 &random) {
    for (int round = 0; round < 20; ++round) {
        std::string text = random_text(map, random, 200);
        if (round % 2 == 1) text.insert(random() % text.size(), 1, '\xFF');
        if (round % 5 == 4) text.pop_back();  // may cut the last character
        const Converted full = model(map, text, text.size() * 4, false);
        for (size_t room = full.out.size() + 1; room-- > 0; room = room > 7 ? room - 7 : room) {
            SCOPED_TRACE(room);
            const Converted want = model(map, text, room, false);
            expect_same(convert(cd, text, room), want);
            const Converted measured =
                convert(cd, text, room, nullptr, Input::kCounted, Output::kMeasure);
            EXPECT_EQ(measured.rc, want.rc);
            EXPECT_EQ(measured.in_used, want.in_used);
            EXPECT_EQ(measured.out_left, room - want.out.size());
            if (room == 0) break;
        }
    }
}

// Latin-1 like: ASCII to itself, 0x80 without a conversion, the rest to
// other bytes, one inexact; a terminator on the null character.
CvoMap single_byte_map() {
    CvoMap map;
    map[kNul] = {kNul};
    for (int b = 1; b < 0x80; ++b)
        map[std::string(1, static_cast<char>(b))] = {std::string(1, static_cast<char>(b))};
    for (int b = 0x81; b < 0xFF; ++b)
        map[std::string(1, static_cast<char>(b))] = {std::string(1, static_cast<char>(b ^ 0x20))};
    map["\x9D"] = {"?", kCvInexact};
    map["\xA0"] = {"\xA0", 0, false};  // written, but without a conversion
    return map;
}

// UTF-8 like: ASCII to itself, two- and three-byte characters to one, two
// and four bytes, one inexact.
CvoMap multi_byte_map() {
    CvoMap map;
    map[kNul] = {kNul};
    for (int b = 1; b < 0x80; ++b)
        map[std::string(1, static_cast<char>(b))] = {std::string(1, static_cast<char>(b))};
    for (int lead = 0xC2; lead <= 0xC3; ++lead) {
        for (int trail = 0x80; trail < 0xC0; ++trail)
            map[bytes({lead, trail})] = {
                std::string(1, static_cast<char>((lead - 0xC0) << 6 | (trail & 0x3F)))};
    }
    for (int trail = 0x80; trail < 0xA0; ++trail) {
        map[bytes({0xE3, 0x81, trail})] = {bytes({0xA4, trail + 0x21})};
        map[bytes({0xE3, 0x82, trail})] = {bytes({0x8F, 0xA5, trail + 0x21, 0x01})};
    }
    map["\xE3\x81\x90"].flags = kCvInexact;
    map.erase("\xC3\xBF");  // a hole among the two-byte characters
    return map;
}

TEST(Converters, SingleByteWithAndWithoutItsTableAgreeWithTheRecords) {
    std::mt19937 random(20240611);
    for (int32_t table_flag : {0, 1}) {
        SCOPED_TRACE(table_flag);
        CvoInput input;
        input.records = single_byte_map();
        input.table_flag = table_flag;
        TempDir dir;
        Load load = load_text(dir.path(), cvo_text(input));
        ASSERT_EQ(load.rc, kCvLoaded);
        EXPECT_EQ(load.cd->byte_table != nullptr, table_flag == 0);
        agree_with_model(load.cd.get(), input.records, random);
    }
}

TEST(Converters, MultiByteAgreesWithTheRecords) {
    std::mt19937 random(7);
    CvoInput input;
    input.records = multi_byte_map();
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, kCvLoaded);
    EXPECT_EQ(load.cd->ascii_identity, 1);
    agree_with_model(load.cd.get(), input.records, random);

    // Without the ASCII words (one ASCII byte maps elsewhere) and with a
    // lead table that holds two-byte outputs.
    input.records["q"] = {"Q"};
    input.records["\x7F"] = {"\xC2\xA0"};
    Load other = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(other.rc, kCvLoaded);
    EXPECT_EQ(other.cd->ascii_identity, 0);
    agree_with_model(other.cd.get(), input.records, random);
}

// The single-byte table is filled byte by byte: the bytes after one
// without a conversion are in it, and only the exact ones are marked.
TEST(Converters, TheByteTableMarksExactlyTheBytesThatConvertPlainly) {
    CvoInput input;
    input.records = single_byte_map();
    input.records["\x90"] = {"\x90", kCvTerminator};
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, kCvLoaded);
    const CvByteTable *table = load.cd->byte_table;
    ASSERT_NE(table, nullptr);
    for (int b = 0; b < 256; ++b) {
        const auto it = input.records.find(std::string(1, static_cast<char>(b)));
        const bool plain =
            b != 0 && it != input.records.end() && it->second.converts && it->second.flags == 0;
        EXPECT_EQ(table->exact[b] != 0, plain) << b;
        if (plain) {
            EXPECT_EQ(table->output[b], static_cast<uint8_t>(it->second.output[0])) << b;
        }
    }
    // The Part's one-input fill would stop at 0x80; these come after it.
    auto done = convert(load.cd.get(), "\xE9\x9D\xC0", 3);
    EXPECT_EQ(done.rc, 0);
    EXPECT_EQ(done.out, "\xC9?\xE0");
    EXPECT_EQ(done.inexact, 1);
    done = convert(load.cd.get(), "ab\x80", 3);
    EXPECT_EQ(done.rc, -1);
    EXPECT_EQ(done.error, GL_EILSEQ);
    EXPECT_EQ(done.in_used, 2U);
}

struct TerminatorRow {
    const char *what;
    CvoMap map;
    std::string input;  // terminated: its first zero byte is the string's end
    std::string out;
    size_t in_used;
};

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
    const TerminatorRow rows[] = {
        {"single byte at the null character", single, "ab" + kNul + "cd", "ab" + kNul, 3},
        {"single byte at a terminator of its own", single,
         "a\x90"
         "b" +
             kNul,
         "a\x90", 2},
        {"multi-byte", multi, "a\xC3\xA9" + kNul + "z", "a\xE9" + kNul, 4},
        {"multi-byte at a terminator of its own", multi, "a\xC2\x85z" + kNul, "a\x85", 3},
        {"multi-byte ending on a zero byte", null_trail, "a\xC4" + kNul, "aN", 3},
    };
    for (const TerminatorRow &row : rows) {
        SCOPED_TRACE(row.what);
        CvoInput input;
        input.records = row.map;
        TempDir dir;
        Load load = load_text(dir.path(), cvo_text(input));
        ASSERT_EQ(load.rc, kCvLoaded);
        // Only up to the zero byte is handed over, so nothing past it is read.
        const std::string given = row.input.substr(0, row.input.find('\0') + 1);
        const Converted done = convert(load.cd.get(), given, 16, nullptr, Input::kTerminated);
        EXPECT_EQ(done.rc, 0);
        EXPECT_EQ(done.out, row.out);
        EXPECT_EQ(done.in_used, row.in_used);
        EXPECT_EQ(done.out_left, 16 - row.out.size());
    }
    // A zero byte that would go on into a longer character ends the input
    // inside that character.
    CvoInput input;
    input.records = null_lead;
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, kCvLoaded);
    const Converted done = convert(load.cd.get(), "a" + kNul, 16, nullptr, Input::kTerminated);
    EXPECT_EQ(done.rc, -1);
    EXPECT_EQ(done.error, GL_EINVAL);
    EXPECT_EQ(done.in_used, 1U);
}

TEST(Converters, StopAtTheCharacterThatFails) {
    CvoInput input;
    input.records = {{"a", {"a"}},
                     {"\xE9", {"\xC3\xA9"}},
                     {"\x8E\xA1", {"\xEF\xBD\xA1"}},
                     {"\x80", {"", kCvInexact}}};
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, kCvLoaded);
    struct Row {
        const char *what;
        std::string input;
        size_t room;
        int rc;
        uint32_t error;
        std::string out;
        size_t in_used;
        int inexact;
    };
    const Row rows[] = {
        {"all fits", "a\xE9\x8E\xA1", 6, 0, 0, "a\xC3\xA9\xEF\xBD\xA1", 4, 0},
        {"one byte short", "a\xE9\x8E\xA1", 5, -1, GL_E2BIG, "a\xC3\xA9", 2, 0},
        {"no room at all", "a", 0, -1, GL_E2BIG, "", 0, 0},
        {"cut by the input's end", "a\x8E", 8, -1, GL_EINVAL, "a", 1, 0},
        {"no such character", "a\x8E\xA2", 8, -1, GL_EILSEQ, "a", 1, 0},
        {"no such byte", "aa\xFF", 8, -1, GL_EILSEQ, "aa", 2, 0},
        {"inexact and empty",
         "a\x80"
         "a",
         2, 0, 0, "aa", 3, 1},
        {"inexact before a failure", "\x80\xFF", 2, -1, GL_EILSEQ, "", 1, 1},
        {"nothing to convert", "", 0, 0, 0, "", 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const Converted done = convert(load.cd.get(), row.input, row.room);
        EXPECT_EQ(done.rc, row.rc);
        if (row.rc != 0) {
            EXPECT_EQ(done.error, row.error);
        }
        EXPECT_EQ(done.out, row.out);
        EXPECT_EQ(done.in_used, row.in_used);
        EXPECT_EQ(done.in_left, row.input.size() - row.in_used);
        EXPECT_EQ(done.out_left, row.room - row.out.size());
        EXPECT_EQ(done.inexact, row.inexact);
    }
}

TEST(Converters, MeasuringWithoutAnOutputPointer) {
    CvoInput input;
    input.records = {{"a", {"a"}}, {"\xE9", {"\xC3\xA9"}}};
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, kCvLoaded);
    const unsigned char text[] = {'a', 0xE9, 0xE9, 'a'};
    const unsigned char *in = text;
    size_t in_left = sizeof text;
    size_t out_left = 100;
    int inexact = -1;
    EXPECT_EQ(gl_mconvlen(load.cd.get(), &in, &in_left, &out_left, &inexact), 0);
    EXPECT_EQ(out_left, 94U);
    EXPECT_EQ(in_left, 0U);
    EXPECT_EQ(inexact, 0);

    in = text;
    in_left = sizeof text;
    out_left = 4;
    EXPECT_EQ(gl_mconvlen(load.cd.get(), &in, &in_left, &out_left, nullptr), -1);
    EXPECT_EQ(load.cd->error, GL_E2BIG);
    EXPECT_EQ(in - text, 2);
    EXPECT_EQ(out_left, 1U);

    // Null arguments are refused.
    EXPECT_EQ(gl_mconvlen(load.cd.get(), nullptr, &in_left, &out_left, nullptr), -1);
    EXPECT_EQ(load.cd->error, GL_ENULLARG);
}

TEST(Converters, ExpansionAndRoomForOutput) {
    struct Row {
        CvoMap map;
        size_t n;
        double expansion;
        size_t room;
    };
    const Row rows[] = {
        {{{"a", {"a"}}}, 7, 1.0, 7},
        {{{"a", {"ab"}}}, 7, 2.0, 14},
        {{{"ab", {"abc"}}, {"c", {"c"}}}, 3, 1.5, 5},
        {{{"ab", {"abc"}}, {"c", {"c"}}}, 0, 1.5, 0},
    };
    for (const Row &row : rows) {
        CvoInput input;
        input.records = row.map;
        TempDir dir;
        Load load = load_text(dir.path(), cvo_text(input));
        ASSERT_EQ(load.rc, kCvLoaded);
        EXPECT_EQ(gl_iconv_expansion(load.cd.get()), row.expansion);
        EXPECT_EQ(gl_cv_outbuflen(load.cd.get(), row.n), row.room);
    }
}

// Little-endian units: keys and records hold the most significant byte
// first, the input and output the least significant.
struct UnitRow {
    const char *what;
    CvoMap map;
    std::string input;
    size_t room;
    int rc;
    uint32_t error;
    std::string out;
    size_t in_used;
};

void run_unit_rows(const std::vector<UnitRow> &rows, Input kind = Input::kCounted) {
    for (const UnitRow &row : rows) {
        SCOPED_TRACE(row.what);
        CvoInput input;
        input.records = row.map;
        TempDir dir;
        Load load = load_text(dir.path(), cvo_text(input));
        ASSERT_EQ(load.rc, kCvLoaded);
        const Converted done = convert(load.cd.get(), row.input, row.room, nullptr, kind);
        EXPECT_EQ(done.rc, row.rc);
        if (row.rc != 0) {
            EXPECT_EQ(done.error, row.error);
        }
        EXPECT_EQ(done.out, row.out);
        EXPECT_EQ(done.in_used, row.in_used);
    }
}

TEST(Converters, LittleEndianSources) {
    const CvoMap utf16 = {{bytes({0, 0}), {kNul}},
                          {bytes({0, 0x41}), {"A"}},
                          {bytes({0, 0xE9}), {"\xC3\xA9"}},
                          {bytes({0x30, 0x42}), {"\xE3\x81\x82"}}};
    const CvoMap utf32 = {{bytes({0, 0, 0, 0x41}), {"A"}},
                          {bytes({0, 1, 0xF6, 0x00}), {"\xF0\x9F\x98\x80"}}};
    const CvoMap to_utf32 = {{bytes({0, 0x41}), {bytes({0, 0, 0, 0x41})}},
                             {bytes({0x30, 0x42}), {bytes({0, 0, 0x30, 0x42})}}};
    run_unit_rows({
        {"2-byte units", utf16, bytes({0x41, 0, 0xE9, 0, 0x42, 0x30}), 6, 0, 0,
         "A\xC3\xA9\xE3\x81\x82", 6},
        {"2-byte unit cut", utf16, bytes({0x41, 0, 0xE9}), 6, -1, GL_EINVAL, "A", 2},
        {"2-byte unit unknown", utf16, bytes({0x41, 0, 0x41, 0x30}), 6, -1, GL_EILSEQ, "A", 2},
        {"2-byte unit out of room", utf16, bytes({0x41, 0, 0x42, 0x30}), 3, -1, GL_E2BIG, "A", 2},
        {"4-byte units", utf32, bytes({0x41, 0, 0, 0, 0x00, 0xF6, 1, 0}), 5, 0, 0,
         "A\xF0\x9F\x98\x80", 8},
        {"4-byte unit cut", utf32, bytes({0x41, 0, 0, 0, 0x00, 0xF6, 1}), 5, -1, GL_EINVAL, "A", 4},
        {"to a little-endian target, reversed too", to_utf32, bytes({0x41, 0, 0x42, 0x30}), 8, 0, 0,
         bytes({0x41, 0, 0, 0, 0x42, 0x30, 0, 0}), 4},
    });
    run_unit_rows(
        {{"terminated at the zero unit", utf16, bytes({0x41, 0, 0, 0}), 4, 0, 0, "A" + kNul, 4}},
        Input::kTerminated);
}

TEST(Converters, LittleEndianTargets) {
    const CvoMap to_utf16 = {{kNul, {bytes({0, 0})}},
                             {"A", {bytes({0, 0x41})}},
                             {"\xC3\xA9", {bytes({0, 0xE9})}},
                             {"\xE3\x81\x82", {bytes({0x30, 0x42}), kCvInexact}}};
    const CvoMap to_utf32 = {{"A", {bytes({0, 0, 0, 0x41})}},
                             {"\xF0\x9F\x98\x80", {bytes({0, 1, 0xF6, 0x00})}}};
    run_unit_rows({
        {"2-byte units", to_utf16, "A\xC3\xA9\xE3\x81\x82", 6, 0, 0,
         bytes({0x41, 0, 0xE9, 0, 0x42, 0x30}), 6},
        {"2-byte unit without room", to_utf16, "AA", 3, -1, GL_E2BIG, bytes({0x41, 0}), 1},
        {"2-byte units, character cut", to_utf16, "A\xE3\x81", 6, -1, GL_EINVAL, bytes({0x41, 0}),
         1},
        {"4-byte units", to_utf32, "A\xF0\x9F\x98\x80", 8, 0, 0,
         bytes({0x41, 0, 0, 0, 0x00, 0xF6, 1, 0}), 5},
    });
    run_unit_rows({{"terminated", to_utf16, "A" + kNul, 8, 0, 0, bytes({0x41, 0, 0, 0}), 2}},
                  Input::kTerminated);

    // A target of fixed 2-byte characters that shifts is no little-endian
    // one: its records are written as they stand.
    CvoInput shifting;
    shifting.records = to_utf16;
    shifting.target_shift = 1;
    TempDir dir;
    Load load = load_text(dir.path(), cvo_text(shifting));
    ASSERT_EQ(load.rc, kCvLoaded);
    EXPECT_EQ(convert(load.cd.get(), "A\xC3\xA9", 4).out, bytes({0, 0x41, 0, 0xE9}));
}

}  // namespace
}  // namespace gls
