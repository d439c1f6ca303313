/*
 * Parameter ids that the handlers dispatch on: the contract between the
 * shell's command grammar and this library.  A parameter's meaning is its
 * id alone; bare keywords carry nothing else.
 */
#ifndef RADIUSCMD_ABI_PARAM_IDS_H
#define RADIUSCMD_ABI_PARAM_IDS_H

enum radius_param_id {
    PARAM_ACCT_PORT = 14,       /* u32: accounting port */
    PARAM_AUTH_PORT = 15,       /* u32: authentication port */
    PARAM_ACCOUNTING = 16,      /* keyword: the accounting role */
    PARAM_AUTHENTICATION = 17,  /* keyword: the authentication role */
    PARAM_KEY_CLEAR = 18,       /* text: a key in clear text */
    PARAM_AUX_FLAG = 19,        /* keyword: the server's auxiliary flag */
    PARAM_RETRANSMIT = 20,      /* u32: retransmission count */
    PARAM_SERVER_HOST = 21,     /* host: a server's address or host name */
    PARAM_TIMEOUT = 22,         /* u32: timeout */
    PARAM_PAC = 23,             /* keyword: pac */
    PARAM_KEY_TEXT = 50,        /* text: the key text after a form token */
    PARAM_VRF_NAME = 51,        /* text: a vrf name */
    PARAM_VRF_MANAGEMENT = 52,  /* keyword: the vrf "management" */
    PARAM_VRF_DEFAULT = 53,     /* keyword: the vrf "default" */
    PARAM_KEY = 54,             /* keyword: key */
    PARAM_KEY_TYPE6 = 55,       /* keyword: the key form 6 */
    PARAM_KEY_TYPE7 = 56,       /* keyword: the key form 7 */
    PARAM_DYNAMIC_AUTHOR = 57,  /* keyword: the dynamic-authorization server */
    PARAM_DAS_PORT_VALUE = 58,  /* u32: the dynamic-authorization server's port */
    PARAM_DAC_HOST = 59,        /* host: a dynamic-authorization client */
    PARAM_DAS_PORT = 60,        /* keyword: port (of the dynamic-authorization server) */
    PARAM_DAC_VRF = 61,         /* keyword: vrf (of a dynamic-authorization client) */
    PARAM_GROUP_NAME = 1000,    /* text: a server group's name */
    PARAM_GROUP_SERVER = 1001,  /* host: a group member */
    PARAM_TEST_USER = 1003,     /* text: the monitoring test user */
    PARAM_IDLE_TIME = 1004,     /* u32: the monitoring idle time */
    PARAM_DEADTIME = 1005,      /* u32: deadtime, global or a group's */
    PARAM_TEST_PASSWORD = 1006, /* text: the monitoring test password */
    PARAM_DETAIL = 1007         /* keyword: the detailed form of a dump */
};

/* cmd_id values of the dynamic-authorization commands: the handlers serve
 * several commands each and tell them apart by these. */
enum radius_dynauth_cmd_id {
    DYNAUTH_CMD_SERVER_MODE = 1,      /* the server itself: the submode command */
    DYNAUTH_CMD_SERVER_PORT = 2,      /* the server's port */
    DYNAUTH_CMD_SERVER_KEY = 3,       /* the server's shared key */
    DYNAUTH_CMD_CLIENT = 4,           /* one client entry */
    DYNAUTH_CMD_SHOW_SERVER = 5,      /* the server's statistics */
    DYNAUTH_CMD_SHOW_CLIENT = 6,      /* one client's statistics */
    DYNAUTH_CMD_CLEAR_SERVER = 7,     /* the server's statistics: update request */
    DYNAUTH_CMD_CLEAR_CLIENT = 8      /* one client's statistics: update request */
};

#endif
