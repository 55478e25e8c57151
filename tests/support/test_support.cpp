#include "tests/support/test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velmorad::testing {

namespace {

int remove_entry(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

std::string tmp_root() {
    const char *dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

void must(bool ok, const std::string &what) {
    if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));
}

void link_tree(const std::string &from, const std::string &to) {
    make_dirs(to);
    DIR *dir = opendir(from.c_str());
    must(dir != nullptr, "opendir " + from);
    while (struct dirent *e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string src = from + "/" + name;
        struct stat st;
        must(stat(src.c_str(), &st) == 0, "stat " + src);
        if (S_ISDIR(st.st_mode)) {
            link_tree(src, to + "/" + name);
        } else {
            must(symlink(src.c_str(), (to + "/" + name).c_str()) == 0, "symlink " + src);
        }
    }
    closedir(dir);
}

// Reads both pipes until the child closes them, feeding it its input.
void pump(int out_fd, int err_fd, int in_fd, const std::string &input, RunResult *r) {
    size_t written = 0;
    if (in_fd >= 0 && input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    char buf[4096];
    while (out_fd >= 0 || err_fd >= 0) {
        struct pollfd fds[3] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}, {in_fd, POLLOUT, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            int &fd = i == 0 ? out_fd : err_fd;
            if (fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) {
                close(fd);
                fd = -1;
            } else {
                (i == 0 ? r->out : r->err).append(buf, static_cast<size_t>(n));
            }
        }
        if (in_fd >= 0 && fds[2].revents != 0) {
            // No more than the pipe takes without blocking: a child that
            // writes while it reads must find its output read meanwhile.
            const size_t chunk = std::min<size_t>(input.size() - written, PIPE_BUF);
            ssize_t n = write(in_fd, input.data() + written, chunk);
            if (n > 0) written += static_cast<size_t>(n);
            if (n <= 0 || written == input.size()) {
                close(in_fd);
                in_fd = -1;
            }
        }
    }
    if (in_fd >= 0) close(in_fd);
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = tmp_root() + "/velmorad-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    must(mkdtemp(name.data()) != nullptr, "mkdtemp");
    path_ = name.data();
}

TempDir::~TempDir() {
    nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void make_dirs(const std::string &path) {
    std::string partial;
    std::stringstream parts(path);
    std::string part;
    if (!path.empty() && path[0] == '/') partial = "/";
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        partial += part + "/";
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) must(false, "mkdir " + partial);
    }
}

void write_file(const std::string &path, const std::string &content) {
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) make_dirs(path.substr(0, slash));
    unlink(path.c_str());  // never write through a link into the build tree
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    must(static_cast<bool>(out), "open " + path);
    out << content;
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string build_installation() {
    return VELMORAD_BUILD_INST_DIR;
}

std::string source_dir() {
    return VELMORAD_SOURCE_DIR;
}

std::vector<ListedLocale> listed_locales() {
    std::ifstream in(source_dir() + "/data/locales.list");
    std::vector<ListedLocale> listed;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        ListedLocale locale;
        if (line.empty() || line[0] == '#' || !(fields >> locale.source >> locale.charmap))
            continue;
        listed.push_back(std::move(locale));
    }
    return listed;
}

void make_installation(const std::string &dir) {
    link_tree(build_installation(), dir);
}

RunResult run_program(const std::string &program, const std::vector<std::string> &args,
                      const Environment &env, const std::string &cwd, const std::string &input) {
    Environment full = {{"PATH", "/usr/local/bin:/usr/bin:/bin"}};
    for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TMPDIR"}) {
        if (const char *v = std::getenv(name)) full[name] = v;
    }
    for (const auto &[k, v] : env)
        full[k] = v;
    std::vector<std::string> env_strings;
    for (const auto &[k, v] : full)
        env_strings.push_back(k + "=" + v);

    int out_pipe[2], err_pipe[2], in_pipe[2];
    must(pipe(out_pipe) == 0 && pipe(err_pipe) == 0 && pipe(in_pipe) == 0, "pipe");
    pid_t pid = fork();
    must(pid >= 0, "fork");
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char *> envp;
        for (std::string &e : env_strings)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    RunResult result;
    pump(out_pipe[0], err_pipe[0], in_pipe[1], input, &result);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return result;
}

std::optional<Environment> fake_passwd_env(const std::string &dir, const std::string &home) {
    static const char *kLibraries[] = {"/usr/lib/x86_64-linux-gnu/libnss_wrapper.so",
                                       "/usr/lib/aarch64-linux-gnu/libnss_wrapper.so",
                                       "/usr/lib/libnss_wrapper.so"};
    std::string library;
    for (const char *candidate : kLibraries) {
        if (access(candidate, R_OK) == 0) library = candidate;
    }
    if (library.empty()) return std::nullopt;
    std::string uid = std::to_string(getuid());
    std::string gid = std::to_string(getgid());
    // One entry for the user id and one for whatever name getlogin gives;
    // without a home, only somebody else has an entry.
    std::string passwd = "nobody-else:x:" + std::to_string(getuid() + 4242) + ":" + gid +
                         ":Other:/nonexistent:/bin/sh\n";
    if (!home.empty()) {
        passwd += "tester:x:" + uid + ":" + gid + ":Tester:" + home + ":/bin/sh\n";
        if (const char *login = getlogin()) {
            passwd +=
                std::string(login) + ":x:" + uid + ":" + gid + ":Login:" + home + ":/bin/sh\n";
        }
    }
    write_file(dir + "/passwd", passwd);
    write_file(dir + "/group", "testers:x:" + gid + ":\n");
    Environment env = {{"LD_PRELOAD", library},
                       {"NSS_WRAPPER_PASSWD", dir + "/passwd"},
                       {"NSS_WRAPPER_GROUP", dir + "/group"}};
    std::string asan = "verify_asan_link_order=0";
    if (const char *v = std::getenv("ASAN_OPTIONS")) asan = std::string(v) + ":" + asan;
    env["ASAN_OPTIONS"] = asan;
    return env;
}

}  // namespace velmorad::testing
