// The code-set registry read from real files (the steps of fixtures/gls/registry),
// and every allocation and open of its reader failed in turn.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "gls/names/names.h"
#include "tests/support/conv_errors.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::fixture_rows;
using velmorad::testing::source_dir;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;

using testing::error_named;
constexpr uint32_t kEntryError = testing::kUntouched;

// The cached list as "name=number" apart by blanks.
std::string cached_list() {
    std::string records;
    for (const GlRegistryNode *node = gls_registry_list_cache; node != nullptr; node = node->next)
        records += (records.empty() ? "" : " ") + std::string(node->name) + "=" +
                   std::to_string(node->number);
    return records;
}

class Registry : public ::testing::Test {
  protected:
    void SetUp() override { setenv("VELMORADDIR", inst.path().c_str(), 1); }
    void TearDown() override { gl_free_registry_cache(); }

    std::string registry_file(const std::string &content) {
        write_file(dir / "registry", content);
        return dir / "registry";
    }

    // The records the token readers find, stopping as the cache does:
    // quietly at a name that cannot be one, with an error at a number that
    // cannot be one ("bad").
    std::string token_records(const std::string &path) {
        std::string records;
        FILE *stream = std::fopen(path.c_str(), "r");
        char name[kCsNameSize];
        while (_gl_next_cs_name_from_registry(stream, name, sizeof name) == 1) {
            uint32_t token_error = 0;
            const uint16_t number = _gl_next_cs_number_from_registry(&token_error, stream);
            if (token_error != 0) {
                records = "bad";
                break;
            }
            records +=
                (records.empty() ? "" : " ") + std::string(name) + "=" + std::to_string(number);
            if (ignore_till_eol(stream) == 0) break;
        }
        std::fclose(stream);
        return records;
    }

    TempDir dir;
    TempDir inst;
    uint32_t error = kEntryError;
};

TEST_F(Registry, StepsOfTheFixture) {
    for (const auto &row : fixture_rows("gls/registry")) {
        const auto &f = row.fields;
        SCOPED_TRACE(row.where);
        error = kEntryError;
        if (f[0] == "cache" || f[0] == "tokens") {
            gl_free_registry_cache();
            gl_cache_registry(&error, registry_file(f.at(1)).c_str());
            const bool replaced = error != kEntryError;
            EXPECT_EQ(gls_registry_array_cache, replaced ? gls_canned_registry : nullptr);
            if (f[0] == "tokens") {
                const std::string expected = token_records(dir / "registry");
                EXPECT_EQ(error, expected == "bad" ? GL_EBADREG : kEntryError);
                EXPECT_EQ(cached_list(), expected == "bad" ? "" : expected);
                continue;
            }
            EXPECT_EQ(error, error_named(f.at(2)));
            EXPECT_EQ(cached_list(), f.at(3));
        } else if (f[0] == "file" || f[0] == "nofile") {
            gl_free_registry_cache();
            std::filesystem::remove(inst / "gls/cm3/registry");
            if (f[0] == "file") write_file(inst / "gls/cm3/registry", f.at(1));
        } else if (f[0] == "lookup" || f[0] == "lookup-in") {
            const bool in = f[0] == "lookup-in";
            const std::string path = in ? registry_file(f.at(1)) : "";
            const std::string &name = f.at(1 + in);
            const std::string &want = f.at(2 + in);
            const bool none = std::isdigit(static_cast<unsigned char>(want[0])) == 0;
            const uint16_t number =
                gl_cs_name2cs_num(&error, name.c_str(), in ? path.c_str() : nullptr);
            EXPECT_EQ(number, none ? kNoCodeSet : std::stoi(want)) << name;
            EXPECT_EQ(error, none ? error_named(want) : kEntryError) << name;
        } else {
            ASSERT_EQ(f[0], "shipped");
            gl_free_registry_cache();
            gl_cache_registry(nullptr, (source_dir() + "/data/registry").c_str());
            EXPECT_EQ(gl_cs_name2cs_num(nullptr, f.at(1).c_str(), nullptr), std::stoi(f.at(2)))
                << f[1];
        }
    }
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

// The registry reads through the C library; routed through the failing
// host, each of its allocations and opens can be failed.
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
                    EXPECT_EQ(cached_list(), "a=1 b=2 c=3");
                    return;
                }
                // Out of memory while finding the file leaves it unopened.
                EXPECT_TRUE(error == GL_ENOREG || error == GL_ENOMEM) << error;
                EXPECT_EQ(gls_registry_array_cache, gls_canned_registry);
            });
    }
    // A look-up in the file reports memory rather than no file.
    testing::walk_allocation_failures(
        [&] {
            error = kEntryError;
            return gl_cs_name2cs_num(&error, "a", nullptr);
        },
        [&](uint16_t number, bool failed) {
            EXPECT_EQ(number, failed ? kNoCodeSet : 1);
            EXPECT_EQ(error, failed ? GL_ENOMEM : kEntryError);
        });
}

TEST_F(RegistryOutOfMemory, AnOpenThatFailsIsAPlaceWithoutTheFile) {
    write_file(inst / "gls/cm3/registry", "three 3\n");
    write_file(inst / "gls/cm/registry", "plain 1\n");
    const std::string explicit_path = registry_file("mine 2\n");
    // No path, or an empty one, is the search: the versioned directory first.
    for (const char *path : {static_cast<const char *>(nullptr), "", explicit_path.c_str()}) {
        const bool search = path == nullptr || *path == '\0';
        testing::FailingHost host;
        host.fail_open(1);
        error = kEntryError;
        gl_cache_registry(&error, path);
        EXPECT_TRUE(host.failed());
        EXPECT_EQ(error, search ? kEntryError : GL_ENOREG);
        EXPECT_EQ(cached_list(), search ? "plain=1" : "");
        gl_free_registry_cache();
        EXPECT_EQ(host.open_streams(), 0);
    }
}

TEST(ShippedRegistry, AgreesWithTheBuiltInTable) {
    uint32_t error = kEntryError;
    gl_cache_registry(&error, (source_dir() + "/data/registry").c_str());
    ASSERT_EQ(error, kEntryError);
    std::map<std::string, uint16_t> canned;
    for (const GlRegistryRow *row = gls_canned_registry; row->name != nullptr; ++row)
        canned[row->name] = row->number;
    // The file's one departure: "eucjp" is the shipped EUC-JP, as "ujis".
    for (const auto &[name, number] : canned) {
        EXPECT_EQ(gl_cs_name2cs_num(&error, name.c_str(), nullptr),
                  name == "eucjp" ? canned["ujis"] : number)
            << name;
    }
    // Every name of the file, alias or not, names a code set of the table,
    // or one the file names by the code-set name of a system charmap.
    std::map<uint16_t, bool> known;
    for (const auto &[name, number] : canned)
        known[number] = true;
    for (const GlRegistryNode *node = gls_registry_list_cache; node != nullptr; node = node->next) {
        std::string file = node->name;
        for (char &c : file)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::filesystem::exists("/usr/share/i18n/charmaps/" + file + ".gz"))
            known[node->number] = true;
    }
    for (const GlRegistryNode *node = gls_registry_list_cache; node != nullptr; node = node->next)
        EXPECT_TRUE(known[node->number]) << node->name << " " << node->number;
    gl_free_registry_cache();
}

}  // namespace
}  // namespace gls
