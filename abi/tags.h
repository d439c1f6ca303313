/*
 * The tag words of tagged output: every field a display or the tagged
 * running configuration reports, with the JSON name the shell gives it.
 * This list is the one place a tag's number is written; the library, the
 * shell's renderers and the tests all take tags from here by name.
 *
 * A tag word is type (bits 31-24), component (23-16), field id (15-0).
 */
#ifndef RADIUSCMD_ABI_TAGS_H
#define RADIUSCMD_ABI_TAGS_H

#define TAG_TYPE_STRING 0x30u  /* NUL-terminated text */
#define TAG_TYPE_U32 0x11u     /* 32-bit unsigned number */
#define TAG_TYPE_COUNTER 0x14u /* 32-bit statistics counter */
#define TAG_TYPE_ENUM 0x02u    /* enumerated value in a 32-bit word */
#define TAG_COMPONENT_RADIUS 0x33u

#define RADIUS_TAG_WORD(type, field) ((TAG_TYPE_##type << 24) | (TAG_COMPONENT_RADIUS << 16) | (field))

/* X(name, value type, field id, JSON field name), by field id.  The same
 * fact shown by two displays has two tags: other components parse each
 * display by its own. */
#define RADIUS_TAG_LIST(X)                                                   \
    /* distribution state and last operation, command 503 */               \
    X(FABRIC_DISTRIBUTION, STRING, 0x0001, "distribution")                   \
    X(FABRIC_SESSION_ONGOING, STRING, 0x0002, "session_ongoing")             \
    X(FABRIC_SESSION_OWNER, STRING, 0x0003, "session_owner")                 \
    X(FABRIC_SESSION_DB, STRING, 0x0004, "session_db")                       \
    X(FABRIC_LAST_OPERATION, STRING, 0x0005, "last_operation")               \
    X(FABRIC_LAST_OPERATION_STATUS, STRING, 0x0006, "last_operation_status") \
    /* distribution merge status */                                         \
    X(DISTR_MERGE_STATUS, STRING, 0x0008, "merge_status")                    \
    /* tagged running configuration: one record per line */                 \
    X(RUNCFG_LINE, STRING, 0x0009, "lines")                                  \
    /* distribution session status: the whole report as one value */        \
    X(DISTR_SESSION_STATUS, STRING, 0x000a, "session_status")                \
    /* distribution state and last operation, command 502 */               \
    X(DISTR_DISTRIBUTION, STRING, 0x000b, "distribution")                    \
    X(DISTR_SESSION_ONGOING, STRING, 0x000c, "session_ongoing")              \
    X(DISTR_SESSION_OWNER, STRING, 0x000d, "session_owner")                  \
    X(DISTR_SESSION_DB, STRING, 0x000e, "session_db")                        \
    X(DISTR_LAST_OPERATION, STRING, 0x000f, "last_operation")                \
    X(DISTR_LAST_OPERATION_STATUS, STRING, 0x0010, "last_operation_status")  \
    /* the distribution daemon's internal state */                          \
    X(DISTR_INTERNAL_DISTRIBUTION, STRING, 0x0012, "distribution")           \
    X(DISTR_INTERNAL_SESSION_ONGOING, STRING, 0x0013, "session_ongoing")     \
    X(DISTR_INTERNAL_SESSION_DB, STRING, 0x0014, "session_db")               \
    X(DISTR_INTERNAL_MERGE_STATUS, STRING, 0x0015, "merge_status")           \
    /* server display, in the store's order */                              \
    X(SRV_GLOBAL_SECRET, STRING, 0x0016, "global_shared_secret")            \
    X(SRV_GLOBAL_RETRANSMIT, U32, 0x0017, "retransmit")                      \
    X(SRV_GLOBAL_TIMEOUT, U32, 0x0018, "timeout")                            \
    X(SRV_GLOBAL_DEADTIME, U32, 0x0019, "deadtime")                          \
    X(SRV_GLOBAL_IDLE_TIME, U32, 0x001b, "idle_time")                        \
    X(SRV_GLOBAL_TEST_USER, STRING, 0x001c, "test_username")                 \
    X(SRV_GLOBAL_TEST_PASSWORD, STRING, 0x001d, "test_password")             \
    X(SRV_COUNT, U32, 0x001e, "server_count")                                \
    X(SRV_HOST, STRING, 0x001f, "host")                                      \
    X(SRV_AUTH_PORT, U32, 0x0020, "auth_port")                               \
    X(SRV_ACCT_PORT, U32, 0x0021, "acct_port")                               \
    X(SRV_SECRET, STRING, 0x0022, "shared_secret")                           \
    X(SRV_TIMEOUT, U32, 0x0023, "timeout")                                   \
    X(SRV_RETRANSMIT, U32, 0x0024, "retransmit")                             \
    /* one server's monitoring settings */                                  \
    X(MON_HOST, STRING, 0x0028, "host")                                      \
    X(MON_AUTH_PORT, U32, 0x0029, "auth_port")                               \
    X(MON_ACCT_PORT, U32, 0x002a, "acct_port")                               \
    X(MON_SECRET, STRING, 0x002b, "shared_secret")                           \
    X(MON_TIMEOUT, U32, 0x002c, "timeout")                                   \
    X(MON_RETRANSMIT, U32, 0x002d, "retransmit")                             \
    X(MON_IDLE_TIME, U32, 0x0030, "idle_time")                               \
    X(MON_TEST_USER, STRING, 0x0031, "test_username")                        \
    X(MON_TEST_PASSWORD, STRING, 0x0032, "test_password")                    \
    /* server groups */                                                     \
    X(GRP_COUNT, U32, 0x0033, "group_count")                                 \
    X(GRP_NAME, STRING, 0x0034, "name")                                      \
    X(GRP_MEMBER_HOST, STRING, 0x0035, "host")                               \
    X(GRP_MEMBER_AUTH_PORT, U32, 0x0036, "auth_port")                        \
    X(GRP_MEMBER_ACCT_PORT, U32, 0x0037, "acct_port")                        \
    X(GRP_DEADTIME, U32, 0x0038, "deadtime")                                 \
    /* server display, sorted by host */                                    \
    X(SORTED_GLOBAL_SECRET, STRING, 0x003b, "global_shared_secret")         \
    X(SORTED_GLOBAL_TIMEOUT, U32, 0x003c, "timeout")                         \
    X(SORTED_GLOBAL_RETRANSMIT, U32, 0x003d, "retransmit")                   \
    X(SORTED_GLOBAL_DEADTIME, U32, 0x003e, "deadtime")                       \
    X(SORTED_GLOBAL_IDLE_TIME, U32, 0x0040, "idle_time")                     \
    X(SORTED_GLOBAL_TEST_USER, STRING, 0x0041, "test_username")              \
    X(SORTED_GLOBAL_TEST_PASSWORD, STRING, 0x0042, "test_password")          \
    X(SORTED_COUNT, U32, 0x0043, "server_count")                             \
    X(SORTED_HOST, STRING, 0x0044, "host")                                   \
    X(SORTED_AUTH_PORT, U32, 0x0045, "auth_port")                            \
    X(SORTED_ACCT_PORT, U32, 0x0046, "acct_port")                            \
    X(SORTED_SECRET, STRING, 0x0047, "shared_secret")                        \
    X(SORTED_TIMEOUT, U32, 0x0048, "timeout")                                \
    X(SORTED_RETRANSMIT, U32, 0x0049, "retransmit")                          \
    /* server statistics: state and monitoring history */                   \
    X(STATS_STATE, ENUM, 0x004a, "state")                                    \
    X(STATS_SINCE, STRING, 0x004b, "since")                                  \
    X(STATS_TIME_IN_PREVIOUS_STATE, STRING, 0x004c, "time_in_previous_state") \
    X(STATS_TIMES_DEAD, COUNTER, 0x004d, "times_dead")                       \
    X(STATS_TIME_DEAD_TOTAL, STRING, 0x004e, "total_time_dead")              \
    /* server statistics: authentication counters */                        \
    X(STATS_AUTH_FAILED, COUNTER, 0x004f, "failed_transactions")             \
    X(STATS_AUTH_SUCCESSFUL, COUNTER, 0x0050, "successful_transactions")     \
    X(STATS_AUTH_SENT, COUNTER, 0x0051, "requests_sent")                     \
    X(STATS_AUTH_TIMED_OUT, COUNTER, 0x0052, "requests_timed_out")           \
    X(STATS_AUTH_NO_MATCH, COUNTER, 0x0053, "responses_no_matching_request") \
    X(STATS_AUTH_NOT_PROCESSED, COUNTER, 0x0054, "responses_not_processed")  \
    X(STATS_AUTH_ERRORS, COUNTER, 0x0055, "responses_containing_errors")     \
    /* server statistics: accounting counters */                            \
    X(STATS_ACCT_FAILED, COUNTER, 0x0056, "failed_transactions")             \
    X(STATS_ACCT_SUCCESSFUL, COUNTER, 0x0057, "successful_transactions")     \
    X(STATS_ACCT_SENT, COUNTER, 0x0058, "requests_sent")                     \
    X(STATS_ACCT_TIMED_OUT, COUNTER, 0x0059, "requests_timed_out")           \
    X(STATS_ACCT_NO_MATCH, COUNTER, 0x005a, "responses_no_matching_request") \
    X(STATS_ACCT_NOT_PROCESSED, COUNTER, 0x005b, "responses_not_processed")  \
    X(STATS_ACCT_ERRORS, COUNTER, 0x005c, "responses_containing_errors")

#define RADIUS_TAG_ENUMERATOR(name, type, field, json) TAG_##name = RADIUS_TAG_WORD(type, field),

/* TAG_RUNCFG_LINE, TAG_SRV_HOST, ...: the tag words by name. */
enum radius_tag { RADIUS_TAG_LIST(RADIUS_TAG_ENUMERATOR) };

#undef RADIUS_TAG_ENUMERATOR

/* The type byte of a tag word. */
#define RADIUS_TAG_TYPE(tag) ((unsigned)(tag) >> 24)

#endif
