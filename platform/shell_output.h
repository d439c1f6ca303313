/*
 * The command shell's tagged output channel.  A show handler obtains an
 * output handle for its command, prints formats whose every "%s" takes the
 * next argument record, and sends the report.  Each argument carries a tag
 * word: type (bits 31-24), component 0x33 (bits 23-16), field id (15-0).
 */
#ifndef RADIUSCMD_PLATFORM_SHELL_OUTPUT_H
#define RADIUSCMD_PLATFORM_SHELL_OUTPUT_H

#include "abi/radius_records.h"
#include "abi/tags.h"

#ifdef __cplusplus
extern "C" {
#endif


/* Opaque handle of one command's report. */
typedef struct cmd_out_handle cmd_out_handle;

/* The 16-byte argument record; its inside is the shell's. */
typedef struct cmd_prt_arg {
    uint8_t opaque[16];
} cmd_prt_arg;

/* Output handle for the command being served, or null. */
cmd_out_handle *cmd_paraminfo_to_rxhandle(cmd_paraminfo *info);

/* Id of the command being served (500: running configuration, tagged). */
uint32_t cmd_req_cmdId_getnext(cmd_out_handle *handle);

/* Fills the caller's record `arg` with a reference to `length` bytes at
 * `value`; pass `arg` itself to cmd_prt.  No result is promised.  The value
 * is read when the argument is printed, not here. */
void cmd_prt_arg_make(cmd_prt_arg *arg, uint32_t tag, const void *value, uint32_t length);

/* An argument record owned by the shell, for the next cmd_prt only. */
cmd_prt_arg *cmd_tuple(uint32_t tag, const void *value);

/* Appends `format` with each "%s" replaced by the next cmd_prt_arg *: a
 * record filled by cmd_prt_arg_make or returned by cmd_tuple.  No result is
 * promised. */
void cmd_prt(cmd_out_handle *handle, const char *format, ...);

/* Delivers what was printed on the handle since the last send.  What the
 * result means is the shell's: callers pass it on, never test it. */
int32_t cmd_prt_send(cmd_out_handle *handle);

/* Release the handle; the handle is invalid afterwards. */
void cmd_paraminfo_to_rxhandle_free(cmd_out_handle *handle);
void cmd_req_handle_free(cmd_out_handle *handle);

/* Appends printf-formatted text to the shell's output buffer (plain output
 * of the running-configuration generator).  No result is promised. */
void vsh_buf_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));

#ifdef __cplusplus
}
#endif

#endif
