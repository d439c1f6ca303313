/*
 * A C program that uses the installed command library as a switch's shell
 * does: it loads the library at run time, binds a handler by name, fills a
 * parsed-command block by hand and calls the handler.  The platform comes
 * from libradsim.so, which this program links, so the library's platform
 * calls resolve against it when the library is loaded.
 *
 * It runs "radius-server timeout 7", which succeeds silently, and
 * "no radius-server key Secret1" where no key is configured, which the
 * handler refuses with a message, and prints each status.  Exit status 0
 * when both statuses are as expected.
 */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "abi/param_ids.h"
#include "abi/radius_records.h"
#include "config/config_commands.h"

/* The block is large and the handler reads only the fields the shell
 * fills; everything else stays zero. */
static cmd_paraminfo info;

/* Calls the handler with one parameter, as the shell would for a command
 * line with one value. */
static int32_t call(radius_handler_fn handler, int32_t no_form, cmd_param *param) {
    memset(&info, 0, sizeof info);
    info.no_form = no_form;
    info.param_count = 1;
    info.params[0] = param;
    info.is_active_sup = 1;
    return handler(&info);
}

int main(void) {
    void *library = dlopen(RADIUSCMD_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "c_consumer: %s\n", dlerror());
        return 2;
    }
    /* POSIX's way to take a function from dlsym in ISO C. */
    radius_handler_fn handler;
    *(void **)&handler = dlsym(library, "config_radius_global");
    if (handler == NULL) {
        fprintf(stderr, "c_consumer: no config_radius_global in %s\n", RADIUSCMD_PLUGIN);
        dlclose(library);
        return 2;
    }
    uint32_t seconds = 7;
    cmd_param timeout;
    memset(&timeout, 0, sizeof timeout);
    timeout.id = PARAM_TIMEOUT;
    timeout.type = PARAM_TYPE_U32;
    timeout.value = &seconds;
    const int32_t accepted = call(handler, 0, &timeout);
    printf("radius-server timeout 7: status %d\n", (int)accepted);

    char secret[] = "Secret1";
    cmd_param key;
    memset(&key, 0, sizeof key);
    key.id = PARAM_KEY_CLEAR;
    key.type = PARAM_TYPE_TEXT;
    key.value = secret;
    const int32_t refused = call(handler, 1, &key);
    printf("no radius-server key Secret1: status %d\n", (int)refused);
    dlclose(library);
    return accepted == 0 && refused == 1 ? 0 : 1;
}
