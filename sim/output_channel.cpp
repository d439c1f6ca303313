// The shell's tagged output channel.  A handle collects the pieces that
// cmd_prt prints; cmd_prt_send hands them to the report sink, which renders
// them as text by default (the shell installs its own for JSON).
#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "platform/shell_output.h"
#include "sim/sim_internal.hpp"

struct cmd_out_handle {
    uint32_t command_id = 0;
    bool released = false;
    std::vector<radsim::printed_piece> pieces;
};

namespace radsim {

namespace {

// What cmd_prt_arg_make stores inside the caller's 16-byte record.
struct arg_fields {
    uint32_t tag;
    uint32_t length;
    const void *value;
};
static_assert(sizeof(arg_fields) <= sizeof(cmd_prt_arg));

struct channel_state {
    std::vector<std::unique_ptr<cmd_out_handle>> handles;
    report_sink sink;
    uint32_t command_id = 0;
    cmd_prt_arg tuples[32]{};  // cmd_tuple's records, reused round-robin
    unsigned next_tuple = 0;
    // The records cmd_prt accepts, by address, with what was put in them:
    // a copy of a record, a record changed by hand or anything else passed
    // for a "%s" is refused.  cmd_tuple's records serve one cmd_prt only.
    std::map<const void *, arg_fields> filled;
    std::vector<const void *> live_tuples;
};

channel_state &channel() {
    static channel_state instance;
    return instance;
}

void write_text(const report &sent) {
    const std::string text = sent.text();
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// A handle the caller may use: obtained here and not yet released.
bool usable(const cmd_out_handle *handle, const char *call) {
    for (const auto &owned : channel().handles) {
        if (owned.get() == handle) {
            if (!handle->released) return true;
            detail::record_violation(std::string(call) + ": output handle used after release");
            return false;
        }
    }
    detail::record_violation(std::string(call) + ": unknown output handle");
    return false;
}

std::string value_text(const arg_fields &arg) {
    if (arg.value == nullptr) return {};
    const uint32_t type = arg.tag >> 24;
    if (type == TAG_TYPE_U32 || type == TAG_TYPE_COUNTER || type == TAG_TYPE_ENUM) {
        uint32_t number = 0;
        std::memcpy(&number, arg.value, sizeof number);
        return type == TAG_TYPE_ENUM ? enum_text(arg.tag, number) : std::to_string(number);
    }
    // Strings, and values printed without a field id, end at their NUL or
    // at the length the handler gave, whichever comes first.  Like the
    // shell, take all `length` bytes the handler promised: a value buffer
    // shorter than its stated length is the handler's fault, and shows.
    const char *text = static_cast<const char *>(arg.value);
    if (arg.length == 0) return std::string(text);
    const std::string taken(text, arg.length);
    return taken.substr(0, strnlen(taken.c_str(), taken.size()));
}

void release(cmd_out_handle *handle, const char *call) {
    if (usable(handle, call)) handle->released = true;
}

// The fields of an argument cmd_prt was given for a "%s"; none, after
// recording the violation, when it is not a record the channel filled.
std::optional<arg_fields> accepted_arg(const cmd_prt_arg *arg, const char *format) {
    const auto found = channel().filled.find(arg);
    if (found != channel().filled.end() && std::memcmp(arg->opaque, &found->second, sizeof found->second) == 0) {
        return found->second;
    }
    detail::record_violation(std::string("cmd_prt: the argument for a %s of format ") + std::to_string(std::strlen(format)) +
                             " bytes is not a record filled by cmd_prt_arg_make or returned by cmd_tuple");
    return std::nullopt;
}

void expire_tuples() {
    auto &state = channel();
    for (const void *tuple : state.live_tuples) state.filled.erase(tuple);
    state.live_tuples.clear();
}

}  // namespace

std::string printed_piece::text() const {
    std::string out;
    size_t next_value = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == '%')) {
            if (format[i + 1] == '%') {
                out += '%';
            } else if (next_value < values.size()) {
                out += values[next_value++].text;
            }
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

std::string report::text() const {
    std::string out;
    for (const printed_piece &piece : pieces) out += piece.text();
    return out;
}

void set_report_sink(report_sink sink) { channel().sink = std::move(sink); }

void set_command_id(uint32_t id) { channel().command_id = id; }

size_t open_output_handles() {
    size_t open = 0;
    for (const auto &handle : channel().handles) open += handle->released ? 0 : 1;
    return open;
}

std::string enum_text(uint32_t tag, uint32_t value) {
    // The server state of the statistics display.
    if (tag == TAG_STATS_STATE) {
        switch (value) {
            case 1: return "alive";
            case 2: return "dead";
            case 3: return "not monitored";
            default: break;
        }
    }
    return std::to_string(value);
}

namespace detail {

void reset_output_channel() {
    channel().sink = nullptr;
    channel().command_id = 0;
}

void release_output_handles() { channel().handles.clear(); }

void fill_prt_arg(void *record, uint32_t tag, const void *value, uint32_t length) {
    const arg_fields fields{tag, length, value};
    std::memcpy(record, &fields, sizeof fields);
    channel().filled[record] = fields;
}

void forget_prt_args() {
    channel().filled.clear();
    channel().live_tuples.clear();
}

}  // namespace detail
}  // namespace radsim

using radsim::arg_fields;
using radsim::channel;

extern "C" cmd_out_handle *cmd_paraminfo_to_rxhandle(cmd_paraminfo *info) {
    const auto fault = radsim::detail::enter(__func__, "");
    if (info != radsim::detail::current_request() && radsim::detail::current_request() != nullptr) {
        radsim::detail::record_violation("cmd_paraminfo_to_rxhandle: not the request's block");
    }
    if (fault) return nullptr;
    auto handle = std::make_unique<cmd_out_handle>();
    handle->command_id = channel().command_id;
    channel().handles.push_back(std::move(handle));
    return channel().handles.back().get();
}

extern "C" uint32_t cmd_req_cmdId_getnext(cmd_out_handle *handle) {
    radsim::detail::enter(__func__, "");
    return radsim::usable(handle, __func__) ? handle->command_id : 0;
}

extern "C" cmd_prt_arg *cmd_tuple(uint32_t tag, const void *value) {
    auto &state = channel();
    cmd_prt_arg *arg = &state.tuples[state.next_tuple++ % std::size(state.tuples)];
    // A zero length lets the type decide: 4 bytes for numbers, up to the NUL
    // for strings.
    radsim::detail::fill_prt_arg(arg, tag, value, 0);
    state.live_tuples.push_back(arg);
    return arg;
}

// A refused argument prints as "<invalid>" besides the recorded violation,
// so that the fault is seen in any output, not only by a test's check.
extern "C" void cmd_prt(cmd_out_handle *handle, const char *format, ...) {
    if (!radsim::usable(handle, __func__) || format == nullptr) return;
    radsim::printed_piece piece{format, {}};
    va_list args;
    va_start(args, format);
    for (const char *p = format; (p = std::strchr(p, '%')) != nullptr; p += 2) {
        if (p[1] == '\0') break;
        if (p[1] != 's') continue;
        const auto fields = radsim::accepted_arg(va_arg(args, const cmd_prt_arg *), format);
        if (fields) {
            piece.values.push_back({fields->tag, radsim::value_text(*fields), fields->length});
        } else {
            piece.values.push_back({0, "<invalid>", 0});
        }
    }
    va_end(args);
    radsim::expire_tuples();
    handle->pieces.push_back(std::move(piece));
}

extern "C" int32_t cmd_prt_send(cmd_out_handle *handle) {
    radsim::detail::enter(__func__, "");
    if (!radsim::usable(handle, __func__)) return radsim::detail::poison_result;
    radsim::report sent{handle->command_id, std::move(handle->pieces)};
    handle->pieces.clear();
    if (channel().sink) {
        channel().sink(sent);
    } else {
        radsim::write_text(sent);
    }
    return radsim::detail::poison_result;
}

extern "C" void cmd_paraminfo_to_rxhandle_free(cmd_out_handle *handle) {
    radsim::detail::enter(__func__, "");
    radsim::release(handle, __func__);
}

extern "C" void cmd_req_handle_free(cmd_out_handle *handle) {
    radsim::detail::enter(__func__, "");
    radsim::release(handle, __func__);
}
