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
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "conv";
constexpr const char *kUsage =
    "usage: gltool conv -f FROM -t TO [-c] [FILE]\n"
    "       gltool conv -l\n"
    "Converts FILE (or standard input, also for \"-\") from code set FROM to code set\n"
    "TO and writes the result to standard output. FROM and TO are code-set names or\n"
    "numbers that the installation's registry knows (8859-1, utf8, 57372, ...).\n"
    "\n"
    "  -c      leave out the characters that cannot be converted; the exit status\n"
    "          is still 1 when any was left out\n"
    "  -l      list the conversions the installation has\n"
    "  --help  print this text\n"
    "\n"
    "Without -c the first character that cannot be converted stops the conversion\n"
    "with its byte offset and bytes; what came before it has been written.\n";

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

// 0 to go on, else the exit status.
int parse(int argc, char **argv, Options *o) {
    bool have_file = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == "-c") {
            o->drop = true;
        } else if (arg == "-l") {
            o->list = true;
        } else if (arg.rfind("-f", 0) == 0 || arg.rfind("-t", 0) == 0) {
            std::string *into = arg[1] == 'f' ? &o->from : &o->to;
            if (arg.size() > 2) {
                *into = arg.substr(2);
            } else if (i + 1 < argc) {
                *into = argv[++i];
            } else {
                complain(kName, arg + " needs a code set");
                return kExitUsage;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            complain(kName, "unknown option " + arg);
            std::fputs(kUsage, stderr);
            return kExitUsage;
        } else if (have_file) {
            complain(kName, "one input file at most");
            return kExitUsage;
        } else {
            o->file = arg;
            have_file = true;
        }
    }
    if (!o->list && (o->from.empty() || o->to.empty())) {
        complain(kName, "give the code sets with -f FROM and -t TO");
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return 0;
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

int list_conversions() {
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
        std::printf("%s (%lu) -> %s (%lu)\n", from_name.c_str(), from, to_name.c_str(), to);
    }
    return kExitOk;
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
    Converter(gls::CvDesc *cd, const Options &o) : cd_(cd), o_(o) {}

    int run(FILE *in) {
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
        if (output_used_ > 0 &&
            std::fwrite(output_.data(), 1, output_used_, stdout) != output_used_) {
            complain(kName, "cannot write the output: " + std::string(std::strerror(errno)));
            return false;
        }
        output_used_ = 0;
        if (std::fflush(stdout) != 0) {
            complain(kName, "cannot write the output: " + std::string(std::strerror(errno)));
            return false;
        }
        return true;
    }

    gls::CvDesc *cd_;
    const Options &o_;
    std::vector<unsigned char> output_ = std::vector<unsigned char>(kOutputBlock);
    size_t output_used_ = 0;
    size_t offset_ = 0;  // of the block's first byte in the input
    size_t dropped_ = 0;
};

// Both code sets the same: the input is the output.
int copy(FILE *in) {
    std::vector<char> block(kInputBlock);
    size_t n;
    while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) {
        if (std::fwrite(block.data(), 1, n, stdout) != n) {
            complain(kName, "cannot write the output: " + std::string(std::strerror(errno)));
            return kExitFailed;
        }
    }
    if (std::ferror(in) || std::fflush(stdout) != 0) {
        complain(kName, std::string("cannot copy the input: ") + std::strerror(errno));
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int conv_main(int argc, char **argv) {
    Options o;
    const int parsed = parse(argc, argv, &o);
    if (parsed != 0) return parsed < 0 ? kExitOk : parsed;
    if (o.list) return list_conversions();

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
    if (status == gls::kCvSameCodeSet) return copy(in.get());
    if (status != gls::kCvLoaded) {
        char leaf[gls::kCvFnameExtra + 1];
        uint32_t error = 0;
        gls::gl_cs_nums2cv_fname(&error, from, to, leaf, nullptr);
        complain(kName, "no conversion from " + o.from + " to " + o.to + " (" + dir + "/" + leaf +
                            ": error " + std::to_string(loaded ? loaded->error : 0) + ")");
        return kExitFailed;
    }
    return Converter(cd.get(), o).run(in.get());
}

}  // namespace velmorad::gltool
