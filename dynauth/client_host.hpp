// The client named by a command: every host parameter (id 59) in turn goes
// through get_host_from_cli, so the last one names the client.
#pragma once

#include <cstdint>

#include "abi/radius_records.h"

namespace radius::dynauth {

// Fills `buffer` (256 bytes) and `*addr_type` (unless null) from every host
// parameter; false after the parser's refusal.
bool take_client_hosts(cmd_paraminfo *info, uint32_t *addr_type, char *buffer);

}  // namespace radius::dynauth
