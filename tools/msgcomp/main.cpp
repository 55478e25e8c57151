// msgcomp -o DIR SOURCE...: compiles message sources into the message files
// of one message directory. Nothing is written unless every source is sound.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tools/common/tool_io.h"
#include "tools/msgcomp/msgcomp.h"

namespace {

constexpr const char *kUsage =
    "usage: msgcomp -o DIR SOURCE...\n"
    "Compiles message sources (a number and a quoted text per entry) into the\n"
    "binary message files of DIR, split by the catalogue's range table.\n";

}  // namespace

int main(int argc, char **argv) {
    using namespace velmorad::tools;
    std::string out_dir;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            out_dir = argv[++i];
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "msgcomp: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        } else {
            sources.emplace_back(argv[i]);
        }
    }
    if (out_dir.empty() || sources.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<SourceMessage> messages;
    bool ok = true;
    for (const std::string &source : sources)
        ok = read_message_source(source, &messages) && ok;
    ok = check_messages(messages) && ok;
    std::map<std::string, std::string> files;
    if (!ok || !build_message_files(messages, &files)) return 1;
    for (const auto &[leaf, image] : files) {
        std::string path = out_dir + "/" + leaf;
        std::string reason = write_file_atomically(path, image);
        if (!reason.empty()) {
            report(path, 0, reason);
            return 1;
        }
    }
    return 0;
}
