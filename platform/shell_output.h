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

/* Capture of what vsh_buf_printf prints.  vsh_set_redir2buf starts it;
 * vsh_get_buf hands over the text captured so far as a malloc'd block that
 * the caller frees (null when nothing was printed); vsh_reset_redir2buf
 * ends it, right after vsh_get_buf.  No result is promised by either end. */
void vsh_set_redir2buf(void);
char *vsh_get_buf(void);
void vsh_reset_redir2buf(void);

/* Prints on the terminal the difference between two texts, either of
 * which may be null (no text).  No result is promised. */
void vsh_diff(const char *before, const char *after);

/*
 * A request to run a script file in the user's shell session, 1044 bytes,
 * native byte order; every byte not named here is 0.
 *    4 path[128] (NUL-terminated)   776 run_flags (2)   780 output_flags (2)
 *  784 session_word (the command's cmd_paraminfo.session_word)
 */
typedef struct script_file_request {
    uint8_t reserved_0[4];
    char path[128];
    uint8_t reserved_132[644];
    uint32_t run_flags;
    uint32_t output_flags;
    uint32_t session_word;
    uint8_t reserved_788[256];
} script_file_request;

RADIUS_STATIC_ASSERT(sizeof(script_file_request) == 1044, "script_file_request size");
RADIUS_CHECK_AT(script_file_request, reserved_0, 0);
RADIUS_CHECK_AT(script_file_request, path, 4);
RADIUS_CHECK_AT(script_file_request, reserved_132, 132);
RADIUS_CHECK_AT(script_file_request, run_flags, 776);
RADIUS_CHECK_AT(script_file_request, output_flags, 780);
RADIUS_CHECK_AT(script_file_request, session_word, 784);
RADIUS_CHECK_AT(script_file_request, reserved_788, 788);

/* Runs the commands of the script file named in the request in the user's
 * session, their output going to the terminal.  Returns 0 when every
 * command succeeded, nonzero otherwise. */
int32_t vsh_execute_script_file2(const script_file_request *request);

#ifdef __cplusplus
}
#endif

#endif
