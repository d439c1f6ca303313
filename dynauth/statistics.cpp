// The live counters of the dynamic-authorization server and clients, shown
// as plain text.  Each handler also serves the command that sends the
// store's update request instead (cmd_id 7 and 8), which prints nothing
// when it works.
#include <cstdio>

#include "abi/param_ids.h"
#include "dynauth/client_host.hpp"
#include "dynauth/dynauth.h"
#include "dynauth/store_message.hpp"
#include "frame/handler_frame.hpp"

namespace radius::dynauth {

namespace {

template <class Record>
int32_t exchange(cmd_paraminfo *info, uint32_t op, Record &record) {
    return exchange_record(info->session_handle, op, &record, sizeof record, &info->msg_ctx_a, &info->msg_ctx_b);
}

unsigned long long counter(uint64_t value) { return static_cast<unsigned long long>(value); }

}  // namespace

}  // namespace radius::dynauth

using namespace radius::dynauth;

extern "C" RADIUS_EXPORT int32_t aaa_server_radius_statistics(cmd_paraminfo *info) {
    if (!radius::on_active_sup(info)) return 1;
    rad_das_stats record = new_record<rad_das_stats>(RAD_DA_KIND_SERVER_STATS, info->cmd_id);
    const uint32_t op = info->cmd_id == DYNAUTH_CMD_CLEAR_SERVER ? RADIUS_OP_WRITE : RADIUS_OP_READ;
    const int32_t rc = exchange(info, op, record);
    if (rc == RAD_DA_ERR_SERVER_NOT_RUNNING) {
        std::puts("radius dynamic author server not running");
        return -1;
    }
    if (rc != 0) {
        std::printf("failed to get radius dynamic author server config with error(%#x)\n", static_cast<unsigned>(rc));
        return -1;
    }
    if (op == RADIUS_OP_READ) print_das_statistics(&record.stats);
    return 0;
}

extern "C" RADIUS_EXPORT int32_t aaa_client_radius_statistics(cmd_paraminfo *info) {
    if (!radius::on_active_sup(info)) return 1;
    rad_dac_stats record = new_record<rad_dac_stats>(RAD_DA_KIND_CLIENT_STATS, info->cmd_id);
    const bool names_host = info->cmd_id == DYNAUTH_CMD_SHOW_CLIENT || info->cmd_id == DYNAUTH_CMD_CLEAR_CLIENT;
    if (names_host && !take_client_hosts(info, nullptr, record.stats.host)) return 1;
    const uint32_t op = info->cmd_id == DYNAUTH_CMD_CLEAR_CLIENT ? RADIUS_OP_WRITE : RADIUS_OP_READ;
    const int32_t rc = exchange(info, op, record);
    if (rc == RAD_DA_ERR_NO_CLIENT) {
        std::printf("configuration for %.*s not present\n",
                    static_cast<int>(strnlen(record.stats.host, sizeof record.stats.host)), record.stats.host);
        return 0;
    }
    if (rc != 0) {
        std::printf("failed to get radius dynamic author client config with error(%#x)\n", static_cast<unsigned>(rc));
        return 1;
    }
    if (op == RADIUS_OP_READ) print_dac_statistics(&record.stats);
    return 0;
}

extern "C" RADIUS_EXPORT void print_das_statistics(const rad_das_stats_block *block) {
    if (block == nullptr) return;
    if (block->running == 0) {
        std::puts("Dynamic Author server not-running/disabled ");  // the trailing blank is part of the line
        return;
    }
    std::printf("Dynamic Author server, port:%d\n", static_cast<int>(block->port));
    std::printf("\tCOA: Active-Sessions:%llu\n", counter(block->coa_active_sessions));
    std::printf("\t     RQX: request sent:%llu Response received:%llu\n", counter(block->rqx_requests_sent),
                counter(block->rqx_responses_received));
    std::printf("\t          response timeout:%llu errors:%llu\n", counter(block->rqx_response_timeouts),
                counter(block->rqx_errors));
}

extern "C" RADIUS_EXPORT void print_dac_statistics(const rad_dac_stats_block *block) {
    if (block == nullptr) return;
    std::printf("Dynamic Author Client %.*s\n", static_cast<int>(strnlen(block->host, sizeof block->host)),
                block->host);
    std::printf("\tCOA: requests:%llu, transactions:%llu\n", counter(block->coa_requests),
                counter(block->coa_transactions));
    std::printf("\t     retransmissions:%llu, active transactions:%llu\n", counter(block->coa_retransmissions),
                counter(block->coa_active_transactions));
    // sic: "reponses"
    std::printf("\t     Ack responses:%llu, Nak reponses:%llu\n", counter(block->coa_ack_responses),
                counter(block->coa_nak_responses));
    std::printf("\t     invalid requests:%llu, errors:%llu\n", counter(block->coa_invalid_requests),
                counter(block->coa_errors));
}
