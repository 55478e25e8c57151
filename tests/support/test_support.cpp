#include "tests/support/test_support.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velmorad::testing {

namespace fs = std::filesystem;

namespace {

void must(bool ok, const std::string &what) {
    if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The build tree's files linked, not copied: a test replaces single files.
void link_tree(const fs::path &from, const fs::path &to) {
    fs::create_directories(to);
    for (const fs::directory_entry &e : fs::directory_iterator(from)) {
        if (e.is_directory()) {
            link_tree(e.path(), to / e.path().filename());
        } else {
            fs::create_symlink(e.path(), to / e.path().filename());
        }
    }
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
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/velmorad-test-XXXXXX";
    must(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void make_dirs(const std::string &path) {
    fs::create_directories(path);
}

void write_file(const std::string &path, const std::string &content) {
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent);
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

std::vector<std::string> entries_of(const std::string &dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> lines_of(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

std::vector<std::string> lines_with(std::string_view text, std::string_view piece) {
    std::vector<std::string> found;
    for (std::string &line : lines_of(text)) {
        if (line.find(piece) != std::string::npos) found.push_back(std::move(line));
    }
    return found;
}

std::vector<std::string> fields_of(std::string_view line, char separator) {
    std::vector<std::string> fields;
    for (size_t at; (at = line.find(separator)) != std::string_view::npos;) {
        fields.emplace_back(line.substr(0, at));
        line.remove_prefix(at + 1);
    }
    fields.emplace_back(line);
    return fields;
}

std::string unescaped(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'x' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

std::vector<FixtureRow> fixture_rows(const std::string &name) {
    const std::string path = "tests/fixtures/" + name;
    std::istringstream in(read_file(source_dir() + "/" + path));
    if (in.str().empty()) throw std::runtime_error("no rows in " + path);
    std::vector<FixtureRow> rows;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        FixtureRow row{path + ":" + std::to_string(number), {}};
        for (const std::string &field : fields_of(line, '|')) {
            // One blank on each side of a "|" belongs to the separator.
            std::string_view f = field;
            if (!f.empty() && f.front() == ' ') f.remove_prefix(1);
            if (!f.empty() && f.back() == ' ') f.remove_suffix(1);
            row.fields.push_back(unescaped(f));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string build_installation() {
    return VELMORAD_BUILD_INST_DIR;
}

std::string source_dir() {
    return VELMORAD_SOURCE_DIR;
}

std::string ListedLocale::spec() const {
    const size_t at = source.find('@');
    return source.substr(0, at) + "." + charmap +
           (at == std::string::npos ? "" : source.substr(at));
}

bool ListedLocale::own_source() const {
    return fs::exists(source_dir() + "/data/locales/" + source);
}

std::string ListedLocale::test_name() const {
    std::string name = source + "_" + charmap;
    for (char &c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
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
