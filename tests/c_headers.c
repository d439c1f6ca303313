/* Every header that a C shell or a C platform would include. */
#include "config/config_commands.h"
#include "dynauth/dynauth.h"
#include "abi/dynauth_records.h"
#include "frame/frame.h"
#include "frame/shared_key.h"
#include "abi/param_ids.h"
#include "abi/tags.h"
#include "abi/radius_records.h"
#include "monitor/monitor.h"
#include "platform/shell_output.h"
#include "platform/store_client.h"
#include "platform/system_services.h"
#include "platform/key_encryption.h"
#include "platform/aaa_service.h"
#include "config/server_group.h"
#include "show/group_display.h"
#include "runcfg/running_config.h"
#include "show/server_display.h"
#include "stats/stats.h"
#include "abi/big_endian.h"

int radius_c_header_check(void);
int radius_c_header_check(void) { return (int)sizeof(cmd_paraminfo); }
