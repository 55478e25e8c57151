// The code-set registry read from real files: the list cache, the built-in
// table that replaces a bad file, look-ups straight from the file, and
// every allocation and open of the reader failed in turn.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "gls/names/names.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::source_dir;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;
using Records = std::vector<std::pair<std::string, uint16_t>>;

constexpr uint32_t kEntryError = 5;

Records cached_list() {
    Records records;
    for (const GlRegistryNode *node = gls_registry_list_cache; node != nullptr; node = node->next)
        records.emplace_back(node->name, node->number);
    return records;
}

// The number the built-in table gives a name, found by walking the table.
uint16_t canned_number(const std::string &name) {
    for (const GlRegistryRow *row = gls_canned_registry; row->name != nullptr; ++row) {
        if (name == row->name) return row->number;
    }
    ADD_FAILURE() << name << " is not in the built-in table";
    return kNoCodeSet;
}

class Registry : public ::testing::Test {
  protected:
    void SetUp() override { setenv("VELMORADDIR", inst.path().c_str(), 1); }
    void TearDown() override { gl_free_registry_cache(); }

    std::string registry_file(const std::string &content) {
        std::string path = dir / "registry";
        write_file(path, content);
        return path;
    }

    TempDir dir;
    TempDir inst;
    uint32_t error = kEntryError;
};

TEST_F(Registry, FileFormatFoldsNamesSkipsCommentsAndBlanks) {
    // The last number is followed by a blank: a number may not end the file.
    const std::string path = registry_file(
        "# the product's code sets\n"
        "#\n"
        "  \t MiXed-CASE 819 # the rest of the line is ignored\n"
        "nextline\n"
        "\t\t1252\n"
        "abcdefghijklmnopqrstu 912\n"
        "wrapped 66355\n"
        "\n"
        "last\t57372 ");
    gl_cache_registry(&error, path.c_str());
    EXPECT_EQ(error, kEntryError);
    EXPECT_EQ(gls_registry_array_cache, nullptr);
    EXPECT_EQ(cached_list(), (Records{{"mixed-case", 819},
                                      {"nextline", 1252},
                                      {"abcdefghijklmnopqrstu", 912},
                                      {"wrapped", 819},
                                      {"last", 57372}}));
    const struct {
        const char *name;
        uint16_t number;
    } rows[] = {
        {"MIXED-case", 819}, {"ABCDEFGHIJKLMNOPQRSTU", 912},
        {"last", 57372},     {"utf8", kNoCodeSet},  // the file replaces the built-in table
        {"437", 437},                               // a number names itself
    };
    for (const auto &row : rows) {
        error = kEntryError;
        EXPECT_EQ(gl_cs_name2cs_num(&error, row.name, nullptr), row.number) << row.name;
        EXPECT_EQ(error, row.number == kNoCodeSet ? GL_EINVAL : kEntryError) << row.name;
    }
}

TEST_F(Registry, DamagedFilesKeepWhatPrecedesAnOverlongNameAndAreReplacedOtherwise) {
    const struct {
        const char *content;
        uint32_t error;   // kEntryError: the file was taken
        Records records;  // of a file taken
    } rows[] = {
        {"a 1\nabcdefghijklmnopqrstuv 2\nc 3\n", kEntryError, {{"a", 1}}},
        {"a 1\nb", kEntryError, {{"a", 1}}},
        {"a 1\n# no newline after the comment", kEntryError, {{"a", 1}}},
        {"a 1\n   ", kEntryError, {{"a", 1}}},
        {"", kEntryError, {}},
        {"a 1\nb 2", GL_EBADREG, {}},
        {"a 1\nb\n", GL_EBADREG, {}},
        {"a 1\nb x\n", GL_EBADREG, {}},
        {"a 1\n\x01 2\n", GL_EBADREG, {}},
        {"a 1\nb 57344\n", GL_EBADREG, {}},
        // Columns padded with runs of blanks of every length, across the
        // pieces in which a long line is read.
        {"eight        1\nnine         \t  2\nlong 3                                     "
         "                                                                                   "
         "                                                   \n                           z 4\n",
         kEntryError,
         {{"eight", 1}, {"nine", 2}, {"long", 3}, {"z", 4}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.content);
        const std::string path = registry_file(row.content);
        error = kEntryError;
        gl_cache_registry(&error, path.c_str());
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(cached_list(), row.records);
        bool replaced = row.error != kEntryError;
        EXPECT_EQ(gls_registry_array_cache, replaced ? gls_canned_registry : nullptr);
        EXPECT_EQ(gl_cs_name2cs_num(nullptr, "utf8", nullptr), replaced ? 57372 : kNoCodeSet);
    }
}

// The cache takes the file a line at a time; the token readers take it a
// byte at a time. Both must find the same records and fail at the same
// place, on files whose records cross lines or hold zero bytes, and on
// lines longer than any buffer.
TEST_F(Registry, CacheReadsAFileAsTheTokenReadersDo) {
    using namespace std::string_literals;
    const std::string pad(300, ' ');
    const std::string rows[] = {
        "a 1\0junk\nb 2\n"s,
        "a\0 1\n"s,
        "\0a 1\n"s,
        "a 1\n#\0 comment\nb\n\n  2 \n"s,
        "a" + pad + "1\n" + pad + "b" + pad + "\n" + pad + "2" + pad + "\n",
        "a 1 " + std::string(400, 'x') + "\nb 2\n",
        "a 1\nb 2\0"s,
        "a 1\nb 2",
        "name\t\v\f\r 33\r\nother 44\r\n",
        "a 1\nb 99999999999999999999\n",
    };
    for (const std::string &content : rows) {
        SCOPED_TRACE(::testing::PrintToString(content));
        const std::string path = registry_file(content);
        // The records as the token readers see them, stopping as the cache
        // does: quietly at a name that cannot be one, with an error at a
        // number that cannot be one.
        Records expected;
        bool bad = false;
        FILE *stream = std::fopen(path.c_str(), "r");
        ASSERT_NE(stream, nullptr);
        char name[kCsNameSize];
        while (_gl_next_cs_name_from_registry(stream, name, sizeof name) == 1) {
            uint32_t token_error = 0;
            const uint16_t number = _gl_next_cs_number_from_registry(&token_error, stream);
            if (token_error != 0) {
                bad = true;
                break;
            }
            expected.emplace_back(name, number);
            if (ignore_till_eol(stream) == 0) break;
        }
        std::fclose(stream);

        error = kEntryError;
        gl_cache_registry(&error, path.c_str());
        EXPECT_EQ(error, bad ? GL_EBADREG : kEntryError);
        EXPECT_EQ(cached_list(), bad ? Records{} : expected);
    }
}

TEST_F(Registry, FileThatCannotBeOpenedLeavesTheBuiltInTable) {
    gl_cache_registry(&error, (dir / "absent").c_str());
    EXPECT_EQ(error, GL_ENOREG);
    EXPECT_EQ(gls_registry_array_cache, gls_canned_registry);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "UTF8", nullptr), 57372);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "Latin-1", nullptr), 819);

    // Caching again replaces the table by the list.
    error = kEntryError;
    gl_cache_registry(&error, registry_file("mine 1000\n").c_str());
    EXPECT_EQ(gls_registry_array_cache, nullptr);
    EXPECT_EQ(cached_list(), (Records{{"mine", 1000}}));
    gl_free_registry_cache();
    EXPECT_EQ(gls_registry_list_cache, nullptr);
    EXPECT_EQ(gls_registry_array_cache, nullptr);
}

TEST_F(Registry, SearchTriesTheVersionedDirectoryThenThePlainOne) {
    const struct {
        std::vector<std::pair<std::string, std::string>> files;
        Records records;
    } rows[] = {
        {{{"gls/cm3/registry", "three 3\n"}, {"gls/cm/registry", "plain 1\n"}}, {{"three", 3}}},
        {{{"gls/cm/registry", "plain 1\n"}}, {{"plain", 1}}},
    };
    for (const auto &row : rows) {
        TempDir install;
        for (const auto &[name, content] : row.files)
            write_file(install / name, content);
        setenv("VELMORADDIR", install.path().c_str(), 1);
        for (const char *path : {static_cast<const char *>(nullptr), ""}) {
            error = kEntryError;
            gl_cache_registry(&error, path);
            EXPECT_EQ(error, kEntryError);
            EXPECT_EQ(cached_list(), row.records);
        }
    }
}

// A cached name made of digits is found before the number it spells; a
// list without one sends decimal names straight to their number, and the
// next list cached is judged afresh.
TEST_F(Registry, CachedDecimalNamesComeBeforeTheirNumber) {
    gl_cache_registry(&error, registry_file("utf8 57372\n819 7\n8859-1 819\n").c_str());
    EXPECT_EQ(gl_cs_name2cs_num(&error, "819", nullptr), 7);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "1252", nullptr), 1252);
    gl_free_registry_cache();
    gl_cache_registry(&error, registry_file("utf8 57372\n8859-1 819\n").c_str());
    EXPECT_EQ(gl_cs_name2cs_num(&error, "819", nullptr), 819);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "8859-1", nullptr), 819);
    gl_free_registry_cache();
    gl_cache_registry(&error, registry_file("0819 5\n").c_str());
    EXPECT_EQ(gl_cs_name2cs_num(&error, "0819", nullptr), 5);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "819", nullptr), 819);
}

TEST_F(Registry, WithoutACacheEveryLookupReadsTheFile) {
    write_file(inst / "gls/cm3/registry", "alpha\n 5\n819 7\nbeta 6 # six\n");
    const std::string other = registry_file("alpha 9\n");
    const struct {
        const char *name;
        const char *path;
        uint16_t number;
        uint32_t error;
    } rows[] = {
        {"ALPHA", nullptr, 5, kEntryError},
        {"beta", nullptr, 6, kEntryError},
        // The number on the line after "alpha" is not taken for a name.
        {"5", nullptr, 5, kEntryError},
        {"819", nullptr, 7, kEntryError},
        {"gamma", nullptr, kNoCodeSet, GL_EINVAL},
        {"alpha", other.c_str(), 9, kEntryError},
        {"beta", other.c_str(), kNoCodeSet, GL_EINVAL},
        {"abcdefghijklmnopqrstuv", nullptr, kNoCodeSet, GL_EINVAL},
    };
    for (const auto &row : rows) {
        error = kEntryError;
        EXPECT_EQ(gl_cs_name2cs_num(&error, row.name, row.path), row.number) << row.name;
        EXPECT_EQ(error, row.error) << row.name;
    }

    // Edits are seen at once, and a file that cannot be read is no file.
    write_file(inst / "gls/cm3/registry", "beta 8\ndamaged x\n");
    EXPECT_EQ(gl_cs_name2cs_num(&error, "beta", nullptr), 8);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "gamma", nullptr), kNoCodeSet);
    EXPECT_EQ(error, GL_EBADREG);
    write_file(inst / "gls/cm3/registry", "beta 8");
    EXPECT_EQ(gl_cs_name2cs_num(&error, "gamma", nullptr), kNoCodeSet);
    EXPECT_EQ(error, GL_EBADREG);
    setenv("VELMORADDIR", dir.path().c_str(), 1);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "819", nullptr), kNoCodeSet);
    EXPECT_EQ(error, GL_ENOREG);
}

TEST_F(Registry, TokenReadersOnTheirOwn) {
    const std::string path = registry_file("  # c\n\n Name7 65537 rest\nx");
    FILE *stream = std::fopen(path.c_str(), "r");
    ASSERT_NE(stream, nullptr);
    char name[kCsNameSize];
    ASSERT_EQ(_gl_next_cs_name_from_registry(stream, name, sizeof name), 1);
    EXPECT_STREQ(name, "name7");
    EXPECT_EQ(_gl_next_cs_number_from_registry(&error, stream), 1);
    EXPECT_EQ(ignore_till_eol(stream), 1);
    EXPECT_EQ(_gl_next_cs_number_from_registry(&error, stream), kNoCodeSet);
    EXPECT_EQ(error, GL_EBADREG);
    EXPECT_EQ(ignore_till_eol(stream), 0);
    std::fclose(stream);

    // A buffer of n bytes holds names of up to n - 1 characters.
    write_file(path, "abc 1\nabcd 2\n");
    stream = std::fopen(path.c_str(), "r");
    ASSERT_NE(stream, nullptr);
    char small[4];
    EXPECT_EQ(_gl_next_cs_name_from_registry(stream, small, sizeof small), 1);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(ignore_till_eol(stream), 1);
    EXPECT_EQ(_gl_next_cs_name_from_registry(stream, small, sizeof small), 0);
    std::fclose(stream);
}

TEST_F(Registry, NullContextStoresNothingEvenWhereTheHostRedirectsIt) {
    static uint32_t host_cell = kEntryError;
    ASSERT_EQ(gl_setextfunc_typed<kExtErrno>(
                  nullptr,
                  +[](void *context) -> uint32_t * {
                      return context != nullptr ? static_cast<uint32_t *>(context) : &host_cell;
                  }),
              0);
    gl_cache_registry(nullptr, (dir / "absent").c_str());
    EXPECT_EQ(gl_cs_name2cs_num(nullptr, "nosuch", nullptr), kNoCodeSet);
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, "en_US.nosuch", nullptr), kNoCodeSet);
    EXPECT_EQ(host_cell, kEntryError);
    EXPECT_EQ(gl_cs_name2cs_num(&error, "nosuch", nullptr), kNoCodeSet);
    EXPECT_EQ(error, GL_EINVAL);
}

// The registry's own table goes straight to the C library, out of the
// failing host's reach; routed through the host, every allocation and open
// of the reader can be failed in turn.
class RegistryOutOfMemory : public Registry {
  protected:
    void SetUp() override {
        Registry::SetUp();
        gls_registry_ops = &gl_ext_functions;
    }
};

// Releases the cache before the walk counts what is left.
struct Cached {
    ~Cached() { gl_free_registry_cache(); }
};

TEST_F(RegistryOutOfMemory, EveryAllocationOfTheReaderFailsCleanly) {
    const std::string content = "a 1\nb 2\nc 3\n";
    // A path this long needs an allocated diagnostic buffer.
    std::string deep = dir.path();
    while (deep.size() < kPathBufferSize)
        deep += "/" + std::string(100, 'd');
    write_file(deep + "/registry", content);
    // Found in the plain directory: one directory string for each attempt.
    write_file(inst / "gls/cm/registry", content);
    for (const std::string &path : {deep + "/registry", std::string()}) {
        SCOPED_TRACE(path.empty() ? "search" : "explicit path");
        testing::walk_allocation_failures(
            [&] {
                error = kEntryError;
                gl_cache_registry(&error, path.c_str());
                return Cached{};
            },
            [&](const Cached &, bool failed) {
                if (!failed) {
                    EXPECT_EQ(error, kEntryError);
                    EXPECT_EQ(cached_list(), (Records{{"a", 1}, {"b", 2}, {"c", 3}}));
                    return;
                }
                // Out of memory while finding the file leaves it unopened.
                EXPECT_TRUE(error == GL_ENOREG || error == GL_ENOMEM) << error;
                EXPECT_EQ(gls_registry_list_cache, nullptr);
                EXPECT_EQ(gls_registry_array_cache, gls_canned_registry);
                EXPECT_EQ(gl_cs_name2cs_num(nullptr, "utf8", nullptr), 57372);
            });
    }
}

TEST_F(RegistryOutOfMemory, LookupInTheFileReportsMemoryRatherThanNoFile) {
    write_file(inst / "gls/cm/registry", "a 1\n");
    testing::walk_allocation_failures(
        [&] {
            error = kEntryError;
            return gl_cs_name2cs_num(&error, "a", nullptr);
        },
        [&](uint16_t number, bool failed) {
            EXPECT_EQ(number, failed ? kNoCodeSet : 1);
            if (failed) {
                EXPECT_EQ(error, GL_ENOMEM);
            }
        });
}

TEST_F(RegistryOutOfMemory, AnOpenThatFailsIsAPlaceWithoutTheFile) {
    write_file(inst / "gls/cm3/registry", "three 3\n");
    write_file(inst / "gls/cm/registry", "plain 1\n");
    const std::string explicit_path = registry_file("mine 2\n");
    const struct {
        const char *path;
        uint32_t error;
        Records records;
    } rows[] = {
        {nullptr, kEntryError, {{"plain", 1}}},
        {explicit_path.c_str(), GL_ENOREG, {}},
    };
    for (const auto &row : rows) {
        testing::FailingHost host;
        host.fail_open(1);
        error = kEntryError;
        gl_cache_registry(&error, row.path);
        EXPECT_TRUE(host.failed());
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(cached_list(), row.records);
        gl_free_registry_cache();
        EXPECT_EQ(host.open_streams(), 0);
    }
}

TEST(ShippedRegistry, AgreesWithTheBuiltInTable) {
    uint32_t error = kEntryError;
    gl_cache_registry(&error, (source_dir() + "/data/registry").c_str());
    ASSERT_EQ(error, kEntryError);
    ASSERT_NE(gls_registry_list_cache, nullptr);

    // The file's one departure: "eucjp" is the shipped EUC-JP, as "ujis".
    for (const GlRegistryRow *row = gls_canned_registry; row->name != nullptr; ++row) {
        const std::string name = row->name;
        EXPECT_EQ(gl_cs_name2cs_num(&error, row->name, nullptr),
                  canned_number(name == "eucjp" ? "ujis" : row->name))
            << row->name;
    }
    // Every name of the file, alias or not, names a code set of the table,
    // or one the file names by the code-set name of a system charmap.
    const Records records = cached_list();
    for (const auto &[name, number] : records) {
        bool known = false;
        for (const GlRegistryRow *row = gls_canned_registry; row->name != nullptr; ++row)
            known = known || row->number == number;
        for (const auto &[charmap, its_number] : records) {
            std::string file = charmap;
            for (char &c : file)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            known = known || (its_number == number &&
                              std::filesystem::exists("/usr/share/i18n/charmaps/" + file + ".gz"));
        }
        EXPECT_TRUE(known) << name << " " << number;
    }

    const struct {
        const char *alias;
        const char *canonical;
    } aliases[] = {
        {"C", "8859-1"},
        {"POSIX", "8859-1"},
        {"utf-8", "utf8"},
        {"UTF-8", "utf8"},
        {"iso-8859-1", "8859-1"},
        {"ISO8859-1", "8859-1"},
        {"iso-8859-2", "8859-2"},
        {"ISO-8859-5", "8859-5"},
        {"ISO-8859-8", "8859-8"},
        {"euc-jp", "ujis"},
        {"shift_jis", "sjis"},
        {"gb2312", "gb"},
        {"euc-kr", "ksc"},
        {"BIG5", "big5"},
        {"tis-620", "thai620"},
        {"koi8-r", "koi-8"},
        {"windows-1252", "cp1252"},
        {"CP1252", "cp1252"},
        {"CP1256", "cp1256"},
        {"thai", "thai620"},
        {"windows-1256", "cp1256"},
        {"iso-10646/utf-8", "utf8"},
    };
    for (const auto &row : aliases) {
        EXPECT_EQ(gl_cs_name2cs_num(&error, row.alias, nullptr), canned_number(row.canonical))
            << row.alias;
    }
    EXPECT_EQ(error, kEntryError);
}

TEST(ShippedRegistry, ShippedCodeSetsHaveTheirFixedNumbersEitherWay) {
    // File names and tools everywhere rely on these numbers.
    const struct {
        const char *name;
        uint16_t number;
    } rows[] = {
        {"8859-1", 819}, {"cp1252", 1252}, {"8859-2", 912}, {"8859-5", 915},  {"koi-8", 878},
        {"8859-8", 916}, {"cp1256", 1256}, {"utf8", 57372}, {"ujis", 57351},  {"sjis", 57350},
        {"ksc", 57356},  {"gb", 57357},    {"big5", 57352}, {"thai620", 874}, {"thai", 874},
    };
    for (const char *path : {"/nonexistent", "data/registry"}) {
        std::string full = path[0] == '/' ? path : source_dir() + "/" + path;
        gl_cache_registry(nullptr, full.c_str());
        for (const auto &row : rows)
            EXPECT_EQ(gl_cs_name2cs_num(nullptr, row.name, nullptr), row.number)
                << path << " " << row.name;
    }
    gl_free_registry_cache();
}

}  // namespace
}  // namespace gls
