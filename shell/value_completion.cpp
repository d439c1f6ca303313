#include "shell/value_completion.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "sim/radsim.h"

namespace radius::shell {

namespace {

// The default group stands for every server and is never named in a command.
std::vector<std::string> group_names() {
    std::vector<std::string> names;
    for (const auto &[name, group] : radsim::stored().running.groups) {
        if (name != "radius") names.push_back(name);
    }
    return names;
}

std::vector<std::string> server_hosts() {
    std::vector<std::string> hosts;
    for (const auto &[index, server] : radsim::stored().running.servers) {
        hosts.emplace_back(server.host, strnlen(server.host, sizeof server.host));
    }
    return hosts;
}

// The entries of the directory part of `prefix`, written as typed.
std::vector<std::string> file_names(std::string_view prefix) {
    const size_t slash = prefix.rfind('/');
    const std::string typed_directory(prefix.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
    std::vector<std::string> names;
    std::error_code error;
    const std::filesystem::path directory = typed_directory.empty() ? "." : typed_directory;
    for (const auto &entry : std::filesystem::directory_iterator(directory, error)) {
        std::string name = typed_directory + entry.path().filename().string();
        if (entry.is_directory(error)) name += '/';
        names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

std::vector<std::string> list_values(value_source source, std::string_view prefix) {
    std::vector<std::string> values;
    switch (source) {
        case value_source::group_names: values = group_names(); break;
        case value_source::server_hosts: values = server_hosts(); break;
        case value_source::file_names: values = file_names(prefix); break;
        case value_source::none: break;
    }
    std::erase_if(values, [prefix](const std::string &value) { return !value.starts_with(prefix); });
    std::sort(values.begin(), values.end());
    return values;
}

}  // namespace radius::shell
