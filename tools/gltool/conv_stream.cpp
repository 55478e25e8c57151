// gltool conv's stream: input in blocks through one conversion, two (FROM
// to UTF-8 to TO), or a check of FROM's own text; a character cut off by
// the end of a block waits for the next. Every fault is reported with its
// byte offset in the input and all the bytes of its character, or with -c
// skipped whole and counted.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "gls/tree/tree.h"
#include "tools/gltool/conv.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "conv";
constexpr size_t kInputBlock = size_t{64} << 10;
// The output, and the UTF-8 between the two conversions of a pivot.
constexpr size_t kBufferSize = size_t{256} << 10;

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

// What a conversion's tree makes of the bytes at in: a character it knows
// (all of which have a record, converting or not) and its length, or bytes
// that begin no character, of which it examined some.
struct Look {
    bool known;
    bool converts;
    size_t length;  // of the character, or the bytes examined
};

Look look_up(const gls::CvDesc *cd, const unsigned char *in, size_t left) {
    // A conversion the extension serves has no tree to ask.
    if (cd->tree == nullptr) return {false, false, 1};
    const int limit = static_cast<int>(std::min<size_t>(left, gls::kCvMaxCharLength));
    int consumed = 0;
    uint32_t error = 0;
    const uint8_t *record =
        gls::_gl_retrieve_text_multi_limit(in, cd->tree, limit, &consumed, &error);
    const size_t length = consumed > 0 ? static_cast<size_t>(consumed) : 1;
    if (record == nullptr) return {false, false, length};
    return {true, (record[0] & gls::kCvConverts) != 0, length};
}

class Stream {
  public:
    Stream(const Route &route, const StreamOptions &o, FILE *out, const std::string &output_name)
        : route_(route), o_(o), out_(out), output_name_(output_name) {}

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
                                 std::string("cannot read the input: ") + std::strerror(errno));
                        return kExitFailed;
                    }
                    at_end = true;
                }
                held += n;
            }
            block_ = input.data();
            size_t used = 0;
            if (!convert_block(held, &used)) return kExitFailed;
            std::memmove(input.data(), input.data() + used, held - used);
            offset_ += used;
            held -= used;
            // A character cut off by the end of the input: nothing more comes.
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
        if (left_out_ == 0 && invalid_bytes_ == 0) return kExitOk;
        std::string what;
        if (left_out_ > 0) what = std::to_string(left_out_) + " character(s) without a mapping";
        if (invalid_bytes_ > 0) {
            what += (what.empty() ? "" : " and ") + std::to_string(invalid_bytes_) +
                    " byte(s) of invalid input";
        }
        complain(kName, "left out " + what);
        return kExitFailed;
    }

  private:
    // Converts what it can of the block's size bytes; *used says how much.
    // False after reporting a failure.
    bool convert_block(size_t size, size_t *used) {
        const unsigned char *p = block_;
        size_t left = size;
        bool ok = true;
        switch (route_.kind) {
            case Route::Kind::kDirect:
                ok = direct(&p, &left);
                break;
            case Route::Kind::kPivot:
                ok = pivot(&p, &left);
                break;
            case Route::Kind::kCheck:
                ok = check(&p, &left);
                break;
        }
        *used = static_cast<size_t>(p - block_);
        return ok;
    }

    bool direct(const unsigned char **p, size_t *left) {
        while (*left > 0) {
            unsigned char *out = buffer_.data() + buffered_;
            size_t room = buffer_.size() - buffered_;
            const int status = gls::gl_miconv(route_.first.get(), p, left, &out, &room, nullptr);
            buffered_ = buffer_.size() - room;
            if (status == 0) return true;
            const uint32_t error = route_.first->error;
            if (error == gls::GL_E2BIG) {
                if (!flush()) return false;
                continue;
            }
            // A character cut off by the end of the block waits for the next.
            if (error == gls::GL_EINVAL) return true;
            if (!step_over(route_.first.get(), p, left)) return false;
        }
        return true;
    }

    // FROM to UTF-8 into the middle buffer, which then goes on to TO.
    bool pivot(const unsigned char **p, size_t *left) {
        while (*left > 0) {
            const unsigned char *source = *p;
            unsigned char *middle = middle_.data();
            size_t room = middle_.size();
            const int status = gls::gl_miconv(route_.first.get(), p, left, &middle, &room, nullptr);
            if (!drain(source, *p, middle_.size() - room)) return false;
            if (status == 0) return true;
            const uint32_t error = route_.first->error;
            if (error == gls::GL_E2BIG) continue;
            if (error == gls::GL_EINVAL) return true;
            if (!step_over(route_.first.get(), p, left)) return false;
        }
        return true;
    }

    // Converts the UTF-8 in the middle buffer, which the input from source
    // to source_end made, to TO. A character without a mapping in TO is
    // found in the input by converting it again up to that character.
    bool drain(const unsigned char *source, const unsigned char *source_end, size_t length) {
        const unsigned char *q = middle_.data();
        size_t q_left = length;
        const unsigned char *in_step = q;  // where source stands in the middle buffer
        while (q_left > 0) {
            unsigned char *out = buffer_.data() + buffered_;
            size_t room = buffer_.size() - buffered_;
            const int status =
                gls::gl_miconv(route_.second.get(), &q, &q_left, &out, &room, nullptr);
            buffered_ = buffer_.size() - room;
            if (status == 0) return true;
            if (route_.second->error == gls::GL_E2BIG) {
                if (!flush()) return false;
                continue;
            }
            size_t source_left = static_cast<size_t>(source_end - source);
            size_t middle_room = static_cast<size_t>(q - in_step);
            (void)gls::gl_mconvlen(route_.first.get(), &source, &source_left, &middle_room,
                                   nullptr);
            const Look there = look_up(route_.second.get(), q, q_left);
            const Look here = look_up(route_.first.get(), source, source_left);
            if (!there.known || !here.known) {
                (void)flush();
                complain(kName, "the conversion through UTF-8 lost its place at byte offset " +
                                    std::to_string(offset_of(source)));
                return false;
            }
            if (!o_.drop) return no_mapping(source, here.length);
            ++left_out_;
            q += there.length;
            q_left -= there.length;
            source += here.length;
            in_step = q;
        }
        return true;
    }

    // FROM is TO: the text is checked against a conversion from FROM and
    // copied as it is.
    bool check(const unsigned char **p, size_t *left) {
        while (*left > 0) {
            const unsigned char *start = *p;
            size_t room = SIZE_MAX;
            const int status = gls::gl_mconvlen(route_.first.get(), p, left, &room, nullptr);
            if (!put(start, static_cast<size_t>(*p - start))) return false;
            if (status == 0) return true;
            if (route_.first->error == gls::GL_EINVAL) return true;
            const Look look = look_up(route_.first.get(), *p, *left);
            if (look.known && route_.unicode) {
                if (!put(*p, look.length)) return false;
                *p += look.length;
                *left -= look.length;
                continue;
            }
            if (!step_over(route_.first.get(), p, left)) return false;
        }
        return true;
    }

    // The character at *p failed: with -c it is counted and stepped over,
    // whole when the tree knows it, else one byte; otherwise reported.
    bool step_over(const gls::CvDesc *cd, const unsigned char **p, size_t *left) {
        const Look look = look_up(cd, *p, *left);
        if (!o_.drop) {
            if (look.known && route_.kind == Route::Kind::kCheck) {
                (void)flush();
                complain(kName, "unassigned " + o_.from + " character at byte offset " +
                                    std::to_string(offset_of(*p)) + " (bytes " +
                                    hex(*p, look.length) + ")");
                return false;
            }
            if (look.known) return no_mapping(*p, look.length);
            (void)flush();
            complain(kName, "invalid " + o_.from + " input at byte offset " +
                                std::to_string(offset_of(*p)) + " (bytes " + hex(*p, look.length) +
                                ")");
            return false;
        }
        const size_t skipped = look.known ? look.length : 1;
        if (look.known) {
            ++left_out_;
        } else {
            ++invalid_bytes_;
        }
        *p += skipped;
        *left -= skipped;
        return true;
    }

    bool no_mapping(const unsigned char *at, size_t length) {
        (void)flush();
        complain(kName, "no mapping from " + o_.from + " to " + o_.to +
                            " for the character at byte offset " + std::to_string(offset_of(at)) +
                            " (bytes " + hex(at, length) + ")");
        return false;
    }

    size_t offset_of(const unsigned char *at) const {
        return offset_ + static_cast<size_t>(at - block_);
    }

    bool put(const unsigned char *bytes, size_t n) {
        while (n > 0) {
            const size_t part = std::min(n, buffer_.size() - buffered_);
            std::memcpy(buffer_.data() + buffered_, bytes, part);
            buffered_ += part;
            bytes += part;
            n -= part;
            if (buffered_ == buffer_.size() && !flush()) return false;
        }
        return true;
    }

    bool flush() {
        const bool written =
            (buffered_ == 0 || std::fwrite(buffer_.data(), 1, buffered_, out_) == buffered_) &&
            std::fflush(out_) == 0;
        buffered_ = 0;
        if (!written) write_failed(out_, output_name_);
        return written;
    }

    const Route &route_;
    const StreamOptions &o_;
    FILE *out_;
    const std::string &output_name_;
    std::vector<unsigned char> buffer_ = std::vector<unsigned char>(kBufferSize);
    size_t buffered_ = 0;
    std::vector<unsigned char> middle_ =
        std::vector<unsigned char>(route_.kind == Route::Kind::kPivot ? kBufferSize : 0);
    const unsigned char *block_ = nullptr;
    size_t offset_ = 0;  // of the block's first byte in the input
    size_t left_out_ = 0;
    size_t invalid_bytes_ = 0;
};

}  // namespace

int write_failed(FILE *out, const std::string &output_name) {
    if (out == stdout) return cli::output_error(errno);
    complain(kName, output_name + ": cannot write: " + std::strerror(errno));
    return kExitFailed;
}

int convert_stream(const Route &route, const StreamOptions &options, FILE *in, FILE *out,
                   const std::string &output_name, bool *complete) {
    *complete = false;
    return Stream(route, options, out, output_name).run(in, complete);
}

}  // namespace velmorad::gltool
