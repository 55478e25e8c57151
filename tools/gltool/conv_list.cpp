// gltool conv -l: the conversions an installation offers, those it has a
// file for and those that go through UTF-8, with the names cvcomp recorded
// in each file's header.
#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "gls/util/digits.h"
#include "tools/gltool/conv.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "conv";
constexpr size_t kCvNameLength = 12;  // "hhhhhhhh.cvo"
constexpr size_t kNumberDigits = 4;
// Header lines worth reading for the names of a conversion.
constexpr int kHeaderLinesRead = 16;

struct CloseFile {
    void operator()(FILE *f) const { std::fclose(f); }
};

// The code-set number of four lower-case hexadecimal digits of a file
// name (as the installation writes them), or -1.
long number_at(const std::string &name, size_t at) {
    long value = 0;
    for (size_t i = at; i < at + kNumberDigits; ++i) {
        const char c = name[i];
        const int digit =
            c >= 'A' && c <= 'F' ? -1 : gls::digit_value(static_cast<unsigned char>(c));
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The names cvcomp records in a conversion file's header, when it has them.
void header_names(const std::string &path, std::string *source, std::string *target) {
    std::unique_ptr<FILE, CloseFile> f(std::fopen(path.c_str(), "r"));
    if (!f) return;
    char line[128];
    for (int i = 0; i < kHeaderLinesRead && std::fgets(line, sizeof line, f.get()); ++i) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (text.rfind("SOURCE=", 0) == 0) *source = text.substr(7);
        if (text.rfind("TARGET=", 0) == 0) *target = text.substr(7);
    }
}

}  // namespace

int list_conversions(const std::string &directory, uint16_t unicode, FILE *out) {
    DIR *d = opendir(directory.c_str());
    if (d == nullptr) {
        complain(kName, directory + ": " + std::strerror(errno));
        return kExitFailed;
    }
    std::set<std::pair<long, long>> direct;
    std::map<long, std::string> names;
    while (const dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != kCvNameLength || name.compare(8, 4, ".cvo") != 0) continue;
        const long from = number_at(name, 0);
        const long to = number_at(name, kNumberDigits);
        if (from < 0 || to < 0) continue;
        direct.insert({from, to});
        std::string from_name;
        std::string to_name;
        header_names(directory + "/" + name, &from_name, &to_name);
        if (!from_name.empty()) names.emplace(from, from_name);
        if (!to_name.empty()) names.emplace(to, to_name);
    }
    closedir(d);

    // Through UTF-8: every code set with a file to it, to every code set
    // with a file from it, where there is no file of their own.
    std::set<std::pair<long, long>> all = direct;
    for (const auto &[from, middle] : direct) {
        if (middle != unicode) continue;
        for (const auto &[start, to] : direct) {
            if (start == unicode && to != from) all.insert({from, to});
        }
    }
    auto name_of = [&](long number) {
        const auto it = names.find(number);
        return (it != names.end() ? it->second : "?") + " (" + std::to_string(number) + ")";
    };
    const std::string via = "via " + name_of(unicode);
    for (const auto &[from, to] : all) {
        const std::string pair = name_of(from) + " -> " + name_of(to);
        std::fprintf(out, "%-40s %s\n", pair.c_str(),
                     direct.count({from, to}) != 0 ? "direct" : via.c_str());
    }
    return kExitOk;
}

}  // namespace velmorad::gltool
