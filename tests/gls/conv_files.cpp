#include "tests/gls/conv_files.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gls/names/names.h"
#include "tests/support/test_support.h"

using velmorad::testing::fixture_rows;

namespace gls::testing {

std::string cvo_text(const CvoInput &input) {
    std::string text;
    const CvoResult result = write_cvo(input, text);
    EXPECT_EQ(result.status, CvoStatus::kOk) << cvo_status_text(result.status);
    return text;
}

CvoInput fixture_input(const std::string &map) {
    static constexpr std::pair<const char *, uint8_t> kFlags[] = {{"inexact", kCvInexact},
                                                                  {"end", kCvTerminator},
                                                                  {"out", kCvShiftedOut},
                                                                  {"switch", kCvSwitchInput}};
    CvoInput input;
    bool found = false;
    for (const auto &row : fixture_rows("gls/conv_maps")) {
        if (row.fields.at(0) != map) continue;
        found = true;
        const std::string &key = row.fields.at(1);
        if (key == "=") {
            const std::string &figure = row.fields.at(2);
            const std::string &value = row.fields.at(3);
            if (figure == "like") input = fixture_input(value);
            if (figure == "enter" || figure == "leave") input.special[figure == "leave"] = value;
            int32_t *number = figure == "source_shift"   ? &input.source_shift
                              : figure == "target_shift" ? &input.target_shift
                              : figure == "table"        ? &input.table_flag
                                                         : nullptr;
            if (number != nullptr) *number = std::stoi(value);
            if (figure == "target_max") input.target_max_len = std::stoi(value);
            if (figure == "source_min") input.source_min_len = std::stoi(value);
            if (figure == "expansion") input.expansion = std::stod(value);
            if (figure == "header") input.header_lines.push_back(value);
            continue;
        }
        const std::string flags = " " + row.fields.at(3) + " ";
        CvoRecord record{row.fields.at(2), 0, flags.find(" none ") == std::string::npos};
        for (const auto &[name, flag] : kFlags) {
            if (flags.find(" " + std::string(name) + " ") != std::string::npos)
                record.flags |= flag;
        }
        auto &records =
            flags.find(" second ") != std::string::npos ? input.shifted_records : input.records;
        records[key] = record;
    }
    EXPECT_TRUE(found) << "no map " << map;
    return input;
}

std::string cv_file_name(const char *source, const char *target) {
    cache_registry();
    uint32_t error = 0;
    const uint16_t from = gl_lc_spec2cs_num(&error, source, nullptr);
    const uint16_t to = gl_lc_spec2cs_num(&error, target, nullptr);
    char name[kCvFnameExtra];
    gl_cs_nums2cv_fname(&error, from, to, name, nullptr);
    return name;
}

void cache_registry() {
    if (gls_registry_list_cache == nullptr && gls_registry_array_cache == nullptr) {
        uint32_t error = 0;
        gl_cache_registry(&error, nullptr);
    }
}

Load load_from(const char *directory, const char *source, const char *target) {
    cache_registry();
    Load load;
    CvDesc *cd = nullptr;
    load.rc = gl_cv_load(&cd, target, source, 0, directory);
    load.raw = cd;
    if (cd != nullptr) load.error = cd->error;
    if (cd != &cd_enomem && cd != &cd_fileerr && cd != &cd_einval) load.cd.reset(cd);
    return load;
}

Load load_text(const std::string &dir, const std::string &text, const char *source,
               const char *target) {
    velmorad::testing::write_file(dir + "/" + cv_file_name(source, target), text);
    return load_from(dir.c_str(), source, target);
}

Converted convert(CvDesc *cd, const std::string &input, size_t out_size, CvState *state, Input kind,
                  Output output) {
    std::unique_ptr<unsigned char[]> in(new unsigned char[input.size()]);
    std::memcpy(in.get(), input.data(), input.size());
    std::unique_ptr<unsigned char[]> out(new unsigned char[out_size]);
    const unsigned char *in_ptr = in.get();
    size_t in_left = input.size();
    unsigned char *out_ptr = output == Output::kWrite ? out.get() : nullptr;
    size_t out_left = out_size;
    Converted result;
    result.rc = gl_cv_mconv(cd, state, &in_ptr, kind == Input::kCounted ? &in_left : nullptr,
                            &out_ptr, &out_left, &result.inexact);
    result.error = cd->error;
    result.in_used = static_cast<size_t>(in_ptr - in.get());
    if (kind == Input::kCounted) {
        EXPECT_EQ(in_left, input.size() - result.in_used);
    }
    result.out_left = out_left;
    if (output == Output::kWrite) {
        EXPECT_EQ(static_cast<size_t>(out_ptr - out.get()), out_size - out_left);
        result.out.assign(reinterpret_cast<const char *>(out.get()), out_size - out_left);
    } else {
        EXPECT_EQ(out_ptr, nullptr);
    }
    return result;
}

}  // namespace gls::testing
