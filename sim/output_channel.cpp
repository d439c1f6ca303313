// The shell's tagged output channel.  A handle collects the pieces that
// cmd_prt prints; cmd_prt_send hands them to the report sink, which renders
// them as text by default (the shell installs its own for JSON).
//
// A display prints tens of thousands of pieces: cmd_prt appends to the
// handle's report buffers, which pass from one command's handle to the
// next, so that a session stops allocating once it has printed its
// largest report.
#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "platform/shell_output.h"
#include "sim/sim_internal.hpp"

struct cmd_out_handle {
    bool released = false;
    radsim::report pending;  // printed since the last send
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
    // A handler fills a few records again and again (at most the tuples and
    // one of its own at a time), so a short list searched from its latest
    // entry finds them fastest.
    std::vector<std::pair<const void *, arg_fields>> filled;
    std::vector<const void *> live_tuples;
    piece_list spare;  // the buffers of the last released handle, for the next
};

[[gnu::always_inline]] inline channel_state &channel() {
    static channel_state instance;
    return instance;
}

void write_text(const report &sent) {
    const std::string text = sent.text();
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// A handle other than the newest: usable when obtained here and still open;
// otherwise the misuse is recorded.
[[gnu::noinline]] bool older_handle_usable(const channel_state &state, const cmd_out_handle *handle, const char *call) {
    for (const auto &owned : state.handles) {
        if (owned.get() == handle) {
            if (!handle->released) return true;
            detail::record_violation(std::string(call) + ": output handle used after release");
            return false;
        }
    }
    detail::record_violation(std::string(call) + ": unknown output handle");
    return false;
}

// A handle the caller may use: obtained here and not yet released.  The
// newest handle is the one printed on, nearly always, so that case stays
// small enough to inline into every call.
inline bool usable(const channel_state &state, const cmd_out_handle *handle, const char *call) {
    const auto &handles = state.handles;
    if (!handles.empty() && handles.back().get() == handle && !handle->released) return true;
    return older_handle_usable(state, handle, call);
}

// Adds the value of a record cmd_prt accepted to the piece being printed.
void add_value(piece_list &pieces, const arg_fields &arg) {
    if (arg.value == nullptr) return pieces.add_value(arg.tag, {}, arg.length);
    const uint32_t type = arg.tag >> 24;
    if (type == TAG_TYPE_U32 || type == TAG_TYPE_COUNTER || type == TAG_TYPE_ENUM) {
        uint32_t number = 0;
        std::memcpy(&number, arg.value, sizeof number);
        if (type == TAG_TYPE_ENUM) return pieces.add_value(arg.tag, enum_text(arg.tag, number), arg.length);
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, number);
        return pieces.add_plain_value(arg.tag, std::string_view(digits, written.ptr), arg.length);
    }
    // Strings, and values printed without a field id, end at their NUL or
    // at the length the handler gave, whichever comes first.  Like the
    // shell, take all `length` bytes the handler promised: a value buffer
    // shorter than its stated length is the handler's fault, and shows.
    const char *text = static_cast<const char *>(arg.value);
    pieces.add_value(arg.tag, arg.length == 0 ? std::string_view(text) : std::string_view(text, arg.length), arg.length);
}

void release(cmd_out_handle *handle, const char *call) {
    if (usable(channel(), handle, call)) handle->released = true;
}

auto filled_entry(channel_state &state, const void *record) {
    auto &filled = state.filled;
    return std::find_if(filled.rbegin(), filled.rend(), [record](const auto &entry) { return entry.first == record; });
}

// The fields of an argument cmd_prt was given for a "%s"; none, after
// recording the violation, when it is not a record the channel filled.
std::optional<arg_fields> accepted_arg(channel_state &state, const cmd_prt_arg *arg, const char *format) {
    const auto found = filled_entry(state, arg);
    if (found != state.filled.rend() && std::memcmp(arg->opaque, &found->second, sizeof found->second) == 0) {
        return found->second;
    }
    detail::record_violation(std::string("cmd_prt: the argument for a %s of format ") + std::to_string(std::strlen(format)) +
                             " bytes is not a record filled by cmd_prt_arg_make or returned by cmd_tuple");
    return std::nullopt;
}

void expire_tuples(channel_state &state) {
    if (state.live_tuples.empty()) return;
    std::erase_if(state.filled, [&state](const auto &entry) {
        return std::find(state.live_tuples.begin(), state.live_tuples.end(), entry.first) != state.live_tuples.end();
    });
    state.live_tuples.clear();
}

}  // namespace

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

// The buffers of a handle's report go on to the next handle.
void release_output_handles() {
    auto &state = channel();
    for (const auto &handle : state.handles) {
        handle->pending.pieces.clear();
        std::swap(state.spare, handle->pending.pieces);
    }
    state.handles.clear();
}

void fill_prt_arg(void *record, uint32_t tag, const void *value, uint32_t length) {
    auto &state = channel();
    const arg_fields fields{tag, length, value};
    std::memcpy(record, &fields, sizeof fields);
    const auto found = filled_entry(state, record);
    if (found != state.filled.rend()) {
        found->second = fields;
    } else {
        state.filled.emplace_back(record, fields);
    }
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
    handle->pending.command_id = channel().command_id;
    std::swap(handle->pending.pieces, channel().spare);
    channel().handles.push_back(std::move(handle));
    return channel().handles.back().get();
}

extern "C" uint32_t cmd_req_cmdId_getnext(cmd_out_handle *handle) {
    radsim::detail::enter(__func__, "");
    return radsim::usable(channel(), handle, __func__) ? handle->pending.command_id : 0;
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
    auto &state = channel();
    if (!radsim::usable(state, handle, __func__) || format == nullptr) return;
    radsim::piece_list &pieces = handle->pending.pieces;
    const std::string_view text(format);
    pieces.add(text);
    va_list args;
    va_start(args, format);
    for (size_t at = text.find('%'); at != text.npos && at + 1 < text.size(); at = text.find('%', at + 2)) {
        if (text[at + 1] != 's') continue;
        const auto fields = radsim::accepted_arg(state, va_arg(args, const cmd_prt_arg *), format);
        if (fields) {
            radsim::add_value(pieces, *fields);
        } else {
            pieces.add_value(0, "<invalid>", 0);
        }
    }
    va_end(args);
    radsim::expire_tuples(state);
}

extern "C" int32_t cmd_prt_send(cmd_out_handle *handle) {
    radsim::detail::enter(__func__, "");
    if (!radsim::usable(channel(), handle, __func__)) return radsim::detail::poison_result;
    if (channel().sink) {
        channel().sink(handle->pending);
    } else {
        radsim::write_text(handle->pending);
    }
    handle->pending.pieces.clear();
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
