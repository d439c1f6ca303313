#include "bench/bench_support.hpp"

#include <fcntl.h>
#include <netdb.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "abi/radius_records.h"
#include "platform/aaa_service.h"
#include "shell/param_block.hpp"
#include "sim/radsim.h"

namespace radbench {

namespace {

using namespace radius::shell;
using running_config_fn = int32_t (*)(cmd_paraminfo *info, int32_t pending, uint32_t full);

constexpr size_t largest_servers = 64;
constexpr size_t largest_groups = 63;  // beside the default group

template <size_t N>
void put_text(char (&field)[N], const std::string &text) {
    std::memset(field, 0, N);
    text.copy(field, N - 1);
}

uint32_t udp_port(const char *service) {
    const servent *entry = getservbyname(service, "udp");
    return entry == nullptr ? 0 : ntohs(static_cast<uint16_t>(entry->s_port));
}

std::string host_of(size_t n) { return "10.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1); }

void seed_global_settings() {
    radius_global_cfg global{};
    put_text(global.key, "GlobalKey1");
    global.key_type = RADIUS_KEY_CLEAR;
    global.timeout = 7;
    global.retransmit = 2;
    global.deadtime = 9;
    radsim::seed_global(global);
    aaa_server_monitor_cfg monitor{};
    monitor.server_id = AAA_MONITOR_GLOBAL_ID;
    monitor.idle_time = 10;
    put_text(monitor.test_user, "probe");
    put_text(monitor.test_password, "probe-pass");
    radsim::seed_monitor_entry(monitor);
}

std::vector<uint32_t> seed_servers(bool explicit_ports) {
    std::vector<uint32_t> indexes;
    for (size_t n = 1; n <= largest_servers; ++n) {
        radius_server_cfg server{};
        put_text(server.host, host_of(n));
        put_text(server.key, "Secret" + std::to_string(n));
        server.key_type = RADIUS_KEY_CLEAR;
        server.auth_port = explicit_ports ? udp_port("radius") : 0;
        server.acct_port = explicit_ports ? udp_port("radacct") : 0;
        server.authentication = server.accounting = server.aux_flag = 1;
        server.timeout = 10;
        server.retransmit = 3;
        indexes.push_back(radsim::seed_server(server));
        aaa_server_monitor_cfg monitor{};
        monitor.server_id = indexes.back();
        monitor.idle_time = 5;
        put_text(monitor.test_user, "user" + std::to_string(n));
        put_text(monitor.test_password, "pass" + std::to_string(n));
        radsim::seed_monitor_entry(monitor);
    }
    return indexes;
}

void seed_groups(const std::vector<uint32_t> &members) {
    for (size_t n = 1; n <= largest_groups; ++n) {
        radius_group_cfg group{};
        put_text(group.name, (n < 10 ? "G0" : "G") + std::to_string(n));
        std::copy(members.begin(), members.end(), group.members);
        group.member_count = static_cast<int32_t>(members.size());
        group.deadtime = 5;
        radsim::seed_group(group);
    }
}

const command_def *parsed_def(const parse_result &result, std::string_view line) {
    if (const auto *error = std::get_if<parse_error>(&result)) {
        throw std::invalid_argument("benchmark line does not parse at " + std::to_string(error->offset) + ": " +
                                    std::string(line));
    }
    return std::get<parsed_command>(result).def;
}

}  // namespace

const handler_library &library() {
    static const handler_library loaded(RADBENCH_LIBRARY);
    return loaded;
}

void seed_largest(bool explicit_ports) {
    radsim::reset();
    radsim::load_factory_defaults();
    drop_reports();
    seed_global_settings();
    seed_groups(seed_servers(explicit_ports));
    radsim::seed_item(0, 1);  // debugging on
}

prepared::prepared(std::string_view line, mode in_mode, std::string_view context_line) {
    if (!context_line.empty()) {
        const parse_result entering = parse(context_line, mode::configure);
        const command_def *def = parsed_def(entering, context_line);
        for (const argument &arg : std::get<parsed_command>(entering).args) {
            if (arg.id == def->context_id) args_.push_back(arg);
        }
    }
    const parse_result result = parse(line, in_mode);
    def_ = parsed_def(result, line);
    const parsed_command &command = std::get<parsed_command>(result);
    no_form_ = command.no_form;
    cmd_id_ = command.json && def_->json_cmd_id != 0 ? def_->json_cmd_id : def_->cmd_id;
    args_.insert(args_.end(), command.args.begin(), command.args.end());
    handler_ = library().find(def_->handler);
    if (handler_ == nullptr) throw std::invalid_argument("no handler for: " + std::string(line));
}

int32_t prepared::run() const {
    param_block block(args_, {no_form_, true, 0, cmd_id_});
    radsim::set_command_id(cmd_id_);
    radsim::begin_request(block.info());
    int32_t status = 0;
    if (def_->shape == call_shape::running_config) {
        const bool full = std::any_of(args_.begin(), args_.end(),
                                      [](const argument &arg) { return arg.id == shell_param_full; });
        status = reinterpret_cast<running_config_fn>(handler_)(block.info(), 0, full ? 1 : 0);
    } else {
        status = reinterpret_cast<radius_handler_fn>(handler_)(block.info());
    }
    radsim::end_request();
    return status;
}

request_scope::request_scope() : block_({}, {}) { radsim::begin_request(block_.info()); }

request_scope::~request_scope() { radsim::end_request(); }

quiet_stdout::quiet_stdout() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
}

quiet_stdout::~quiet_stdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}

void drop_reports() {
    radsim::set_report_sink([](const radsim::report &) {});
}

void report_ratio(benchmark::State &state, double subject_seconds, double baseline_seconds) {
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["baseline_ms"] = baseline_seconds / iterations * 1e3;
    state.counters["ratio"] = baseline_seconds > 0 ? subject_seconds / baseline_seconds : 0;
}

std::vector<std::string> largest_config_lines() {
    seed_largest();
    radsim::take_shell_buffer();
    const prepared generator("show running-config radius all", mode::exec);
    if (generator.run() != 0) throw std::runtime_error("the generator failed on the largest configuration");
    std::istringstream text(radsim::take_shell_buffer());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

std::string replay_file(size_t count) {
    std::vector<std::string> cycle = largest_config_lines();
    for (size_t n = 1; n <= largest_groups; ++n) {
        cycle.push_back(std::string("no aaa group server radius ") + (n < 10 ? "G0" : "G") + std::to_string(n));
    }
    for (size_t n = 1; n <= largest_servers; ++n) cycle.push_back("no radius-server host " + host_of(n));
    const std::string path = "/tmp/radbench_replay_" + std::to_string(count) + ".txt";
    std::ofstream out(path, std::ios::trunc);
    for (size_t written = 0; written < count; ++written) out << cycle[written % cycle.size()] << '\n';
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

}  // namespace radbench
