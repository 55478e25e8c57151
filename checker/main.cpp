// envcheck [file]: checks the system-wide and the user's configuration files,
// or the one file named. Exits 0 when all is well, 255 when a file could not
// be opened, held an unknown name, or the usage was wrong, and 1 when memory
// ran out or the locale environment could not be set up.
#include <cstdio>
#include <cstdlib>

#include "checker/checker.h"
#include "env/env.h"
#include "locale_env/locale_env.h"
#include "msg/msg.h"
#include "os_layer/os_layer.h"

namespace velmorad {
namespace {

constexpr int kSystemFileHeader = -33518;
constexpr int kUserFileHeader = -33519;
constexpr int kFileHeader = -33520;
constexpr int kUsage = -33521;
constexpr int kOutOfMemory = -1211;

void check_file(int header, const char *path) {
    print_message(header, path);
    if (testcffile(path) != 0) found_error = 1;
}

void check_default_files() {
    const char *dir = ggetenv("VELMORADDIR");
    char *system_path =
        gbldpath(dir != nullptr ? dir : kDefaultInstallDir, kSystemConfigName, nullptr);
    if (system_path == nullptr) fatal_error(kOutOfMemory, nullptr);
    check_file(kSystemFileHeader, system_path);
    std::free(system_path);

    char *home = ggethomepath();
    char *user_path = gbldpath(home, kUserConfigName, nullptr);
    if (user_path == nullptr) fatal_error(kOutOfMemory, nullptr);
    check_file(kUserFileHeader, user_path);
    std::free(user_path);
    std::free(home);
}

[[noreturn]] void fail_start() {
    int number = get_glserror();
    const char *text = mmsgtext(number);
    std::fprintf(stderr, "%d %s\n", number, text != nullptr ? text : "");
    std::exit(1);
}

}  // namespace
}  // namespace velmorad

int main(int argc, char **argv) {
    using namespace velmorad;
    if (initgls(kModeFrontEnd) != 0) fail_start();
    (void)rldctype();
    if (argc == 1) {
        check_default_files();
    } else if (argc == 2) {
        check_file(kFileHeader, argv[1]);
    } else {
        print_message(kUsage, nullptr);
        found_error = 1;
    }
    std::exit(found_error != 0 ? -1 : 0);
}
