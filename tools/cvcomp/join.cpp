// Joining two charmaps on their symbolic names.
#include <algorithm>
#include <cctype>
#include <map>

#include "tools/common/tool_io.h"
#include "tools/cvcomp/cvcomp.h"

namespace velmorad::tools {

namespace {

// The library reads a code set whose characters are all 2 or all 4 bytes as
// little-endian units: its tree keys and records hold a unit most
// significant byte first, and the converters reverse them. A charmap gives
// the bytes in the order they are written, so they are turned round here.
bool reads_as_units(const Charmap &map) {
    return map.min_length() == map.max_length() && (map.max_length() == 2 || map.max_length() == 4);
}

std::string reversed(std::string bytes) {
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::string spelled(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += "/x";
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

std::string base_name(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Header lines say what made the file; the writer refuses lines too long.
std::string header_line(const std::string &key, const std::string &value) {
    constexpr size_t kMaxHeaderLine = 127;
    std::string line = key + "=" + value;
    if (line.size() > kMaxHeaderLine) line.resize(kMaxHeaderLine);
    return line;
}

// No key may begin another; in key order such a pair sits side by side.
bool check_prefixes(const CharmapFile &source, const gls::CvoMap &records, bool turned) {
    for (auto it = records.begin(); it != records.end(); ++it) {
        auto next = std::next(it);
        if (next == records.end() || next->first.compare(0, it->first.size(), it->first) != 0)
            continue;
        const std::string shorter = turned ? reversed(it->first) : it->first;
        const std::string longer = turned ? reversed(next->first) : next->first;
        const CharmapEntry *a = source.map.find_bytes(shorter);
        const CharmapEntry *b = source.map.find_bytes(longer);
        report(source.path, b->line,
               "the bytes " + spelled(longer) + " of <" + b->name + "> begin with those of <" +
                   a->name + "> (line " + std::to_string(a->line) + ")");
        return false;
    }
    return true;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The one-way rows that name the target (by its code-set name or an
// alias), by character name; false after reporting bytes that are no
// character of the target.
bool one_way_rows(const JoinOptions &options, const CharmapFile &target,
                  std::map<std::string, const OneWay *> *rows) {
    std::vector<std::string> names = target.map.aliases();
    names.push_back(target.map.code_set_name());
    for (const OneWay &row : options.one_way) {
        const bool applies = std::any_of(row.code_sets.begin(), row.code_sets.end(), [&](auto &cs) {
            return std::any_of(names.begin(), names.end(),
                               [&](const std::string &n) { return same_name(n, cs); });
        });
        if (!applies) continue;
        if (target.map.find_bytes(row.bytes) == nullptr) {
            report(target.path, 0,
                   "the one-way mapping of " + row.name + " (line " + std::to_string(row.line) +
                       ") writes " + spelled(row.bytes) + ", which is no character of it");
            return false;
        }
        (*rows)[row.name] = &row;
    }
    return true;
}

}  // namespace

bool join_charmaps(const CharmapFile &source, const CharmapFile &target, const JoinOptions &options,
                   Conversion *out) {
    const Charmap &from = source.map;
    const Charmap &to = target.map;
    const CharmapEntry *substitute = nullptr;
    if (!options.substitute.empty()) {
        std::string name = options.substitute;
        if (name.size() >= 2 && name.front() == '<' && name.back() == '>')
            name = name.substr(1, name.size() - 2);
        substitute = to.find_name(name);
        if (substitute == nullptr) {
            report(target.path, 0, "the substitute <" + name + "> is not a character of it");
            return false;
        }
    }
    const bool turn_keys = reads_as_units(from);
    const bool turn_outputs = reads_as_units(to);
    std::map<std::string, const OneWay *> one_way;
    if (!one_way_rows(options, target, &one_way)) return false;

    Conversion c;
    c.expected.reserve(from.entries().size());
    for (const CharmapEntry &e : from.entries()) {
        // Bytes defined again further on read as their first definition.
        if (from.find_bytes(e.bytes) != &e) continue;
        Expectation expect{e.bytes, {}, Expectation::Kind::kNone, e.line};
        gls::CvoRecord record;
        const auto row = one_way.find(e.name);
        if (const CharmapEntry *t = to.find_name(e.name)) {
            expect.kind = Expectation::Kind::kExact;
            expect.output = t->bytes;
            ++c.exact;
        } else if (row != one_way.end()) {
            expect.kind = Expectation::Kind::kOneWay;
            expect.output = row->second->bytes;
            record.flags = gls::kCvInexact;
            ++c.one_way;
        } else if (substitute != nullptr) {
            expect.kind = Expectation::Kind::kSubstitute;
            expect.output = substitute->bytes;
            record.flags = gls::kCvInexact;
            ++c.substituted;
        } else {
            record.converts = false;
            ++c.unconverted;
        }
        record.output = turn_outputs ? reversed(expect.output) : expect.output;
        c.file.records.emplace(turn_keys ? reversed(e.bytes) : e.bytes, std::move(record));
        c.expected.push_back(std::move(expect));
    }
    if (!check_prefixes(source, c.file.records, turn_keys)) return false;
    // Code units read as numbers have no further structure to record.
    if (!turn_keys) {
        if (!unassigned_characters(from, &c.unassigned)) {
            report(source.path, 0,
                   "its characters make a structure of more sequences than any code set has");
            return false;
        }
        for (const std::string &bytes : c.unassigned) {
            gls::CvoRecord none;
            none.converts = false;
            c.file.records.emplace(bytes, std::move(none));
        }
    }

    // The lengths of what the charmaps hold, whatever they declare.
    c.file.source_min_len = static_cast<int32_t>(from.min_length());
    c.file.source_max_len = static_cast<int32_t>(from.max_length());
    c.file.target_min_len = static_cast<int32_t>(to.min_length());
    c.file.target_max_len = static_cast<int32_t>(to.max_length());
    auto name_of = [](const CharmapFile &f) {
        return f.map.code_set_name().empty() ? base_name(f.path) : f.map.code_set_name();
    };
    c.file.header_lines = {
        header_line("SOURCE", name_of(source)),
        header_line("TARGET", name_of(target)),
        header_line("GENERATED_BY",
                    "cvcomp " + base_name(source.path) + " " + base_name(target.path) +
                        (one_way.empty() ? "" : " --one-way " + base_name(options.one_way_file)) +
                        (substitute ? " --substitute " + substitute->name : "")),
    };
    *out = std::move(c);
    return true;
}

}  // namespace velmorad::tools
