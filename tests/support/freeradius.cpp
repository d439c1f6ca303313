#include "tests/support/freeradius.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace radtest {

namespace fs = std::filesystem;

namespace {

constexpr char packaged[] = "/etc/freeradius/3.0";
constexpr char server_user[] = "freerad";

std::string read_file(const fs::path &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path &path, const std::string &text) {
    fs::remove(path);  // a link into the package's tree must not be written through
    std::ofstream(path) << text;
}

// The text without its top-level `listen { ... }` sections; `listeners`
// goes where the first one was, inside its virtual server.
std::string replace_listeners(const std::string &text, const std::string &listeners) {
    static const std::regex opening(R"(^listen\s*\{)", std::regex::multiline);
    std::string out;
    size_t at = 0;
    std::smatch found;
    bool placed = false;
    while (std::regex_search(text.begin() + static_cast<long>(at), text.end(), found, opening)) {
        const size_t start = at + static_cast<size_t>(found.position(0));
        out += text.substr(at, start - at);
        if (!placed) out += listeners;
        placed = true;
        size_t end = start + static_cast<size_t>(found.length(0));
        for (int depth = 1; depth > 0 && end < text.size(); ++end) {
            if (text[end] == '{') ++depth;
            if (text[end] == '}') --depth;
        }
        at = end;
    }
    return out + text.substr(at);
}

std::string listener(const char *type, uint16_t port) {
    return std::string("listen {\n\ttype = ") + type + "\n\tipaddr = 127.0.0.1\n\tport = " + std::to_string(port) +
           "\n}\n";
}

std::string with_setting(std::string text, const std::string &name, const std::string &value) {
    const std::regex line("^([ \\t]*)" + name + "\\s*=.*$", std::regex::multiline);
    return std::regex_replace(text, line, "$1" + name + " = " + value);
}

// The folders the server writes run as its own user when started by root.
void hand_to_server_user(const fs::path &folder) {
    if (geteuid() != 0) return;
    const passwd *user = getpwnam(server_user);
    if (user == nullptr || chown(folder.c_str(), user->pw_uid, user->pw_gid) != 0) {
        throw std::runtime_error("cannot hand " + folder.string() + " to " + server_user);
    }
}

}  // namespace

uint16_t free_udp_port() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        throw std::runtime_error("no free UDP port on 127.0.0.1");
    }
    close(fd);
    return ntohs(address.sin_port);
}

freeradius_server::freeradius_server() {
    char pattern[] = "/tmp/radtest-freeradius.XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
    auth_port_ = free_udp_port();
    acct_port_ = free_udp_port();
    while (acct_port_ == auth_port_) acct_port_ = free_udp_port();
    write_configuration();
    start();
}

freeradius_server::~freeradius_server() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void freeradius_server::write_configuration() {
    fs::copy(packaged, folder_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const fs::path sites = folder_ / "sites-available";
    write_file(sites / "default", replace_listeners(read_file(sites / "default"),
                                                    listener("auth", auth_port_) + listener("acct", acct_port_)));
    // The inner tunnel is a virtual server of its own; without a listener it
    // holds no port that another test's server could want.
    write_file(sites / "inner-tunnel", replace_listeners(read_file(sites / "inner-tunnel"), ""));
    std::string main = read_file(folder_ / "radiusd.conf");
    main = with_setting(main, "logdir", (folder_ / "log").string());
    main = with_setting(main, "run_dir", (folder_ / "run").string());
    main = with_setting(main, "proxy_requests", "no");
    main = with_setting(main, "reject_delay", "0");
    write_file(folder_ / "radiusd.conf", main);
    write_file(folder_ / "clients.conf",
               std::string("client switch {\n\tipaddr = 127.0.0.1\n\tsecret = ") + secret + "\n}\n");
    const fs::path users = folder_ / "mods-config" / "files" / "authorize";
    write_file(users, "alice Cleartext-Password := \"alice-pw\"\nbob Cleartext-Password := \"bob-pw\"\n" +
                          read_file(users));
    for (const char *writable : {"log", "run"}) {
        fs::create_directory(folder_ / writable);
        hand_to_server_user(folder_ / writable);
    }
    // The copy is ours (root's, when root runs the tests) and keeps the
    // package's modes, some of them readable by the server's group only.
    const auto readable = [](const fs::path &path, bool folder) {
        const fs::perms added = fs::perms::others_read | (folder ? fs::perms::others_exec : fs::perms::none);
        fs::permissions(path, added, fs::perm_options::add);
    };
    for (const auto &entry : fs::recursive_directory_iterator(folder_)) {
        if (!entry.is_symlink()) readable(entry.path(), entry.is_directory());
    }
    readable(folder_, true);
}

// Started in the foreground, its log in the folder; ready when it says so.
void freeradius_server::start() {
    const std::string log = (folder_ / "log" / "server.log").string();
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        execlp("freeradius", "freeradius", "-f", "-l", log.c_str(), "-d", folder_.c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (read_file(log).find("Ready to process requests") != std::string::npos) return;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("FreeRADIUS did not start; its log:\n" + read_file(log));
}

}  // namespace radtest
