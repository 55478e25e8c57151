// msgcomp -o DIR SOURCE...: compiles message sources into the message files
// of one message directory. Nothing is written unless every source is sound.
#include <map>
#include <string>
#include <vector>

#include "tools/common/cli.h"
#include "tools/common/tool_io.h"
#include "tools/msgcomp/msgcomp.h"

int main(int argc, char **argv) {
    using namespace velmorad::tools;
    std::string out_dir;
    const cli::Option options[] = {
        cli::value('o', "output", &out_dir, "DIR", "the message directory to write into"),
    };
    const cli::Command command{
        "msgcomp", "-o DIR SOURCE...",
        "Compiles message sources (a number and a quoted text per entry) into the\n"
        "binary message files of DIR, split by the catalogue's range table.\n",
        options, 1};
    std::vector<std::string> sources;
    if (const int status = cli::parse(command, argc, argv, &sources); status != cli::kProceed)
        return cli::finish(status);
    if (out_dir.empty()) return cli::finish(cli::usage_error("missing option '-o DIR'"));

    std::vector<SourceMessage> messages;
    bool ok = true;
    for (const std::string &source : sources)
        ok = read_message_source(source, &messages) && ok;
    ok = check_messages(messages) && ok;
    std::map<std::string, std::string> files;
    if (!ok || !build_message_files(messages, &files)) return cli::finish(cli::kExitFailed);
    for (const auto &[leaf, image] : files) {
        std::string path = out_dir + "/" + leaf;
        std::string reason = write_file_atomically(path, image);
        if (!reason.empty()) {
            report(path, 0, reason);
            return cli::finish(cli::kExitFailed);
        }
    }
    return cli::finish(cli::kExitOk);
}
