// gltool conv: converts a file or standard input from one code set to
// another, in blocks, through the installation's conversion files; or lists
// the conversions the installation has.
#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gls/conv/conv.h"
#include "gls/names/names.h"
#include "gls/tree/tree.h"
#include "tools/common/tool_io.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "conv";
constexpr const char *kAbout =
    "Converts FILE (or standard input, also for \"-\") from code set FROM to code set\n"
    "TO and writes the result to standard output. FROM and TO are code-set names or\n"
    "numbers that the installation's registry knows (8859-1, utf8, 57372, ...).\n";
constexpr const char *kEpilogue =
    "Without -c the first character that cannot be converted stops the conversion\n"
    "with its byte offset and bytes; what came before it has been written (with -o,\n"
    "the file is left as it was).\n";

constexpr size_t kInputBlock = size_t{64} << 10;
constexpr size_t kOutputBlock = size_t{256} << 10;
constexpr const char *kConversionDir = "/gls/cv9";
constexpr size_t kCvNameLength = 12;  // "hhhhhhhh.cvo"
// Header lines worth reading for the names of a conversion.
constexpr int kHeaderLinesRead = 16;

struct Options {
    std::string from;
    std::string to;
    std::string file;
    std::string output;
    bool drop = false;
    bool list = false;
};

struct Unload {
    void operator()(gls::CvDesc *cd) const { gls::gl_cv_unload(cd); }
};
using DescPtr = std::unique_ptr<gls::CvDesc, Unload>;

struct CloseFile {
    void operator()(FILE *f) const {
        if (f != stdin) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, CloseFile>;

std::string hex(const unsigned char *bytes, size_t n) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) out += ' ';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

// The names cvcomp records in a conversion file's header, when it has them.
void header_names(const std::string &path, std::string *source, std::string *target) {
    FilePtr f(std::fopen(path.c_str(), "r"));
    if (!f) return;
    char line[128];
    for (int i = 0; i < kHeaderLinesRead && std::fgets(line, sizeof line, f.get()); ++i) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (text.rfind("SOURCE=", 0) == 0) *source = text.substr(7);
        if (text.rfind("TARGET=", 0) == 0) *target = text.substr(7);
    }
}

int list_conversions(FILE *out) {
    const std::string dir = installation_dir() + kConversionDir;
    DIR *d = opendir(dir.c_str());
    if (d == nullptr) {
        complain(kName, dir + ": " + std::strerror(errno));
        return kExitFailed;
    }
    std::vector<std::string> names;
    while (const dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        const bool hex_digits =
            name.size() == kCvNameLength && std::all_of(name.begin(), name.begin() + 8, [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c));
            });
        if (hex_digits && name.compare(8, 4, ".cvo") == 0) names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        const unsigned long from = std::strtoul(name.substr(0, 4).c_str(), nullptr, 16);
        const unsigned long to = std::strtoul(name.substr(4, 4).c_str(), nullptr, 16);
        std::string from_name = "?";
        std::string to_name = "?";
        header_names(dir + "/" + name, &from_name, &to_name);
        std::fprintf(out, "%s (%lu) -> %s (%lu)\n", from_name.c_str(), from, to_name.c_str(), to);
    }
    return kExitOk;
}

// Reports a write error on the output (standard output, or the -o file).
int write_failed(FILE *out, const std::string &output) {
    if (out == stdout) return cli::output_error(errno);
    complain(kName, output + ": cannot write: " + std::strerror(errno));
    return kExitFailed;
}

// How many bytes the character at in spans, found in the conversion's tree:
// all of it when the tree knows it (it has no conversion), else one byte.
size_t failing_length(const gls::CvDesc *cd, const unsigned char *in, size_t left, bool *known) {
    *known = false;
    if (cd->ext_flag != 0 || cd->tree == nullptr) return 1;
    const int limit = static_cast<int>(std::min<size_t>(left, gls::kCvMaxCharLength));
    int consumed = 0;
    uint32_t error = 0;
    const uint8_t *record =
        gls::_gl_retrieve_text_multi_limit(in, cd->tree, limit, &consumed, &error);
    *known = record != nullptr;
    if (record == nullptr || consumed <= 0) return 1;
    return static_cast<size_t>(consumed);
}

class Converter {
  public:
    Converter(gls::CvDesc *cd, const Options &o, FILE *out) : cd_(cd), o_(o), out_(out) {}

    int run(FILE *in, bool *complete) {
        std::vector<unsigned char> input(kInputBlock + gls::kCvMaxCharLength);
        size_t held = 0;  // bytes at the front of input, carried from the last block
        bool at_end = false;
        while (!at_end || held > 0) {
            if (!at_end) {
                const size_t n = std::fread(input.data() + held, 1, kInputBlock, in);
                if (n < kInputBlock) {
                    if (std::ferror(in)) {
                        complain(kName,
                                 "cannot read the input: " + std::string(std::strerror(errno)));
                        return kExitFailed;
                    }
                    at_end = true;
                }
                held += n;
            }
            size_t used = 0;
            const int status = convert_block(input.data(), held, &used);
            if (status != 0) return status;
            std::memmove(input.data(), input.data() + used, held - used);
            offset_ += used;
            held -= used;
            // A character cut off by the end of the block waits for the next
            // one; at the end of the input nothing more comes.
            if (at_end && held > 0) {
                if (!flush()) return kExitFailed;
                complain(kName, "incomplete character at the end of the input, at byte offset " +
                                    std::to_string(offset_) + " (bytes " + hex(input.data(), held) +
                                    ")");
                return kExitFailed;
            }
        }
        if (!flush()) return kExitFailed;
        *complete = true;
        if (dropped_ > 0) {
            complain(kName, "left out " + std::to_string(dropped_) +
                                " character(s) that could not be converted");
            return kExitFailed;
        }
        return kExitOk;
    }

  private:
    // Converts what it can of the block; *used says how much of it was used.
    int convert_block(const unsigned char *block, size_t size, size_t *used) {
        const unsigned char *p = block;
        size_t left = size;
        while (left > 0) {
            unsigned char *out = output_.data() + output_used_;
            size_t room = output_.size() - output_used_;
            const size_t room_before = room;
            int inexact = 0;
            const int status = gls::gl_miconv(cd_, &p, &left, &out, &room, &inexact);
            output_used_ += room_before - room;
            if (status == 0) break;
            if (cd_->error == gls::GL_E2BIG) {
                if (!flush()) return kExitFailed;
                continue;
            }
            // A character cut off by the end of the block: the caller carries
            // it over, or reports it at the end of the input.
            if (cd_->error == gls::GL_EINVAL) break;
            bool known = false;
            const size_t length = failing_length(cd_, p, left, &known);
            if (o_.drop && cd_->error == gls::GL_EILSEQ) {
                p += length;
                left -= length;
                ++dropped_;
                continue;
            }
            if (!flush()) return kExitFailed;
            const size_t offset = offset_ + static_cast<size_t>(p - block);
            complain(kName, std::string(known ? "cannot convert" : "invalid input") + " from " +
                                o_.from + " to " + o_.to + " at byte offset " +
                                std::to_string(offset) + " (bytes " + hex(p, length) + ")");
            return kExitFailed;
        }
        *used = static_cast<size_t>(p - block);
        return 0;
    }

    bool flush() {
        const bool written = (output_used_ == 0 ||
                              std::fwrite(output_.data(), 1, output_used_, out_) == output_used_) &&
                             std::fflush(out_) == 0;
        output_used_ = 0;
        if (!written) write_failed(out_, o_.output);
        return written;
    }

    gls::CvDesc *cd_;
    const Options &o_;
    FILE *out_;
    std::vector<unsigned char> output_ = std::vector<unsigned char>(kOutputBlock);
    size_t output_used_ = 0;
    size_t offset_ = 0;  // of the block's first byte in the input
    size_t dropped_ = 0;
};

// Both code sets the same: the input is the output.
int copy(FILE *in, FILE *out, const std::string &output) {
    std::vector<char> block(kInputBlock);
    size_t n;
    while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) {
        if (std::fwrite(block.data(), 1, n, out) != n) return write_failed(out, output);
    }
    if (std::ferror(in)) {
        complain(kName, std::string("cannot read the input: ") + std::strerror(errno));
        return kExitFailed;
    }
    return std::fflush(out) == 0 ? kExitOk : write_failed(out, output);
}

// Runs the conversion (or the list) into out; *complete says whether all of
// the input went through (characters left out under -c aside).
int convert(const Options &o, FILE *out, bool *complete) {
    *complete = false;
    if (o.list) {
        const int status = list_conversions(out);
        *complete = status == kExitOk;
        return status;
    }
    if (!registry_ready(kName)) return kExitFailed;
    uint16_t from = 0;
    uint16_t to = 0;
    for (const auto &[name, number] : {std::pair{&o.from, &from}, std::pair{&o.to, &to}}) {
        if (!code_set_number(*name, number)) {
            complain(kName, "unknown code set \"" + *name + "\"");
            return kExitUsage;
        }
    }

    FilePtr in(o.file.empty() || o.file == "-" ? stdin : std::fopen(o.file.c_str(), "rb"));
    if (!in) {
        complain(kName, o.file + ": " + std::strerror(errno));
        return kExitFailed;
    }

    const std::string dir = installation_dir() + kConversionDir;
    const std::string from_spec = std::to_string(from);
    const std::string to_spec = std::to_string(to);
    gls::CvDesc *loaded = nullptr;
    const int status = gls::gl_cv_load(&loaded, to_spec.c_str(), from_spec.c_str(), 0, dir.c_str());
    DescPtr cd(loaded);
    if (status == gls::kCvSameCodeSet) {
        const int copied = copy(in.get(), out, o.output);
        *complete = copied == kExitOk;
        return copied;
    }
    if (status != gls::kCvLoaded) {
        char leaf[gls::kCvFnameExtra + 1];
        uint32_t error = 0;
        gls::gl_cs_nums2cv_fname(&error, from, to, leaf, nullptr);
        complain(kName, "no conversion from " + o.from + " to " + o.to + " (" + dir + "/" + leaf +
                            ": " + tools::error_words(loaded ? loaded->error : 0) + ")");
        return kExitFailed;
    }
    return Converter(cd.get(), o, out).run(in.get(), complete);
}

}  // namespace

int conv_main(int argc, char **argv) {
    Options o;
    const cli::Option options[] = {
        cli::value('f', "from-code", &o.from, "FROM", "the code set of the input"),
        cli::value('t', "to-code", &o.to, "TO", "the code set of the output"),
        cli::flag('c', nullptr, &o.drop,
                  "leave out the characters that cannot be converted\n"
                  "(the exit status is still 1 when any was)"),
        cli::flag('l', "list", &o.list, "list the conversions the installation has"),
        cli::value('o', "output", &o.output, "FILE",
                   "write to FILE, which is replaced only when the\n"
                   "conversion is done"),
    };
    cli::Command command{
        "gltool conv", "-f FROM -t TO [-c] [-o FILE] [FILE]\n-l", kAbout, options, 0, 1};
    command.epilogue = kEpilogue;
    std::vector<std::string> operands;
    if (const int status = cli::parse(command, argc, argv, &operands); status != cli::kProceed)
        return status;
    if (o.list) {
        if (!operands.empty() || !o.from.empty() || !o.to.empty() || o.drop || !o.output.empty())
            return cli::usage_error("-l takes no other options or operands");
    } else if (o.from.empty() || o.to.empty()) {
        return cli::usage_error(o.from.empty() ? "missing option '-f FROM'"
                                               : "missing option '-t TO'");
    }
    if (!operands.empty()) o.file = operands[0];
    bool complete = false;
    if (o.output.empty()) return convert(o, stdout, &complete);

    tools::AtomicFile file(o.output);
    if (const std::string reason = file.open(); !reason.empty()) {
        complain(kName, o.output + ": " + reason);
        return kExitFailed;
    }
    const int status = convert(o, file.stream(), &complete);
    // Characters left out under -c still leave a whole conversion to keep.
    if (!complete) return status;
    if (const std::string reason = file.commit(); !reason.empty()) {
        complain(kName, o.output + ": " + reason);
        return kExitFailed;
    }
    return status;
}

}  // namespace velmorad::gltool
