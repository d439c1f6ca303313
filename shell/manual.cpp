// radsh(1) and radiuscmd(3).  The options, modes, commands, filters and
// handler names come from the option definitions and the command table;
// the prose around them is here.
#include <map>
#include <vector>

#include "shell/documents.hpp"
#include "shell/reference.hpp"

namespace radius::shell {

namespace {

std::string title(std::string_view name, int section, std::string_view manual) {
    return ".TH " + std::string(name) + " " + std::to_string(section) + " \"\" \"radiuscmd " RADSH_VERSION "\" \"" +
           std::string(manual) + "\"\n";
}

std::string option_names(const CLI::Option &option) {
    std::string out;
    for (const std::string &name : option.get_snames()) out += (out.empty() ? "\\fB\\-" : ", \\fB\\-") + name + "\\fR";
    for (const std::string &name : option.get_lnames()) {
        out += (out.empty() ? "\\fB\\-\\-" : ", \\fB\\-\\-") + roff(name) + "\\fR";
    }
    // The type name without the choices a validator appends ("NAME:{a,b}").
    const std::string type = option.get_type_name();
    if (takes_value(option)) out += " \\fI" + type.substr(0, type.find(':')) + "\\fR";
    return out;
}

std::string options_section(const CLI::App &app) {
    std::string out = ".SH OPTIONS\n";
    for (const CLI::Option *option : named_options(app)) {
        out += ".TP\n" + option_names(*option) + "\n" + roff(option->get_description()) + ".\n";
    }
    return out;
}

// The command that enters mode `m`; null for exec mode, where radsh starts.
const command_def *entry_of(mode m) {
    for (const command_def &def : command_table()) {
        if (def.enters == m || (m == mode::configure && def.action == builtin::configure)) return &def;
    }
    return nullptr;
}

std::string modes_section() {
    std::string out = ".SH MODES\n";
    for (mode m : all_modes) {
        out += ".TP\n\\fB" + roff(prompt_of(m)) + "\\fR\n" + std::string(mode_name(m)) + " mode; ";
        const command_def *entry = entry_of(m);
        out += entry == nullptr ? "radsh starts here.\n" : "entered with \\fB" + roff(syntax_of(*entry)) + "\\fR.\n";
    }
    return out +
           ".PP\n"
           "\\fBexit\\fR leaves a mode (in exec mode it ends the session); \\fBend\\fR returns to exec mode.\n"
           "Every command of a submode carries the parameters the mode was entered with first.\n"
           "In a submode, a line the submode does not know but configuration mode does leaves the submode\n"
           "and runs there; \\fB?\\fR and Tab offer both.\n";
}

std::string commands_section() {
    std::string out = ".SH COMMANDS\n"
                      "The parameters each command passes to its handler are listed in \\fIcommands.md\\fR.\n";
    for (mode m : all_modes) {
        out += ".SS \"" + std::string(mode_name(m)) + " mode\"\n";
        for (const command_def &def : command_table()) {
            if (def.in_mode != m) continue;
            out += ".TP\n\\fB" + roff(syntax_of(def)) + "\\fR\n";
            out += roff(summary_of(def));
            out += def.negatable ? "\nHas a \\fBno\\fR form.\n" : "\n";
        }
    }
    return out;
}

std::string filters_section() {
    std::string out = ".SH FILTERS\n";
    for (const token &t : pipe_token.next->tokens) {
        out += ".TP\n\\fB" + roff(pipe_token.word) + " " + roff(t.word) + "\\fR\n" + roff(t.help) + ".\n";
    }
    return out +
           ".PP\n"
           "Displays that report through the tagged output channel print as text, or as one JSON document\n"
           "when the line ends in the filter (or with \\fB\\-\\-json\\fR): a named field per tag, in the order\n"
           "the text prints them, numbers as numbers, servers in a \\fBservers\\fR array, groups in \\fBgroups\\fR\n"
           "with their \\fBmembers\\fR, running-configuration lines in \\fBlines\\fR.\n";
}

constexpr const char *radsh_description =
    ".SH DESCRIPTION\n"
    ".B radsh\n"
    "loads the RADIUS command library\n"
    ".BR radiuscmd (3)\n"
    "with\n"
    ".BR dlopen (3),\n"
    "binds every command of its grammar to the library's handler of that name, and runs commands on a\n"
    "simulated switch that starts from its factory defaults (the server group \\fBradius\\fR).\n"
    "Interactively it reads lines from the terminal; given \\fB\\-c\\fR, a \\fIFILE\\fR or a pipe, it runs the\n"
    "commands and exits.\n"
    "Handlers the library lacks are listed once on standard error at start-up; their commands answer\n"
    "with an error, everything else works.\n"
    ".PP\n"
    "Keywords may be abbreviated to any unique prefix; \\fBno\\fR negates a command.\n"
    "An unknown, ambiguous or incomplete command, or a bad value, is answered with a caret under the\n"
    "offending word and nothing runs.\n"
    "\\fBcopy running\\-config\\fR \\fIFILE\\fR saves the configuration;\n"
    "\\fBcopy\\fR \\fIFILE\\fR \\fBrunning\\-config\\fR applies a file of configuration lines as saved\n"
    "configuration and reports each line that failed.\n";

constexpr const char *radsh_key_bindings =
    ".SH KEY BINDINGS\n"
    ".TP\n"
    ".B Tab\n"
    "Completes a keyword.\n"
    ".TP\n"
    ".B ?\n"
    "Lists what may come next; after a partial word, the keywords it may complete to.\n"
    ".TP\n"
    "Up, Down\n"
    "Walk the history of the session.\n"
    ".PP\n"
    "Other keys edit the line as in emacs (libedit).\n"
    "A build without libedit, such as the PowerPC one, reads plain lines, where a line ending in\n"
    "\\fB?\\fR still lists the help.\n";

constexpr const char *radsh_exit_status =
    ".SH EXIT STATUS\n"
    ".TP\n"
    ".B 0\n"
    "Every command worked, or the interactive session ended.\n"
    ".TP\n"
    ".B 1\n"
    "A command did not parse or its handler returned nonzero (runs of \\fB\\-c\\fR, a \\fIFILE\\fR or a pipe).\n"
    ".TP\n"
    ".B 2\n"
    "The command library cannot be loaded, or \\fIFILE\\fR cannot be opened.\n"
    ".PP\n"
    "Options that cannot be parsed are reported with a status above 100.\n";

std::string radsh_files() {
    return ".SH FILES\n"
           ".TP\n"
           ".I libradiuscmd.so\n"
           "The command library radsh loads unless \\fB\\-\\-library\\fR names another.\n"
           "In a build tree it is the one in the build's top directory, the parent of the directory that\n"
           "holds radsh; installed, radsh loads \\fI" RADSH_LIBRARY_SONAME "\\fR from the library directory\n"
           "beside its own.\n"
           ".TP\n"
           ".I commands.md\n"
           "The command reference: every command with the parameter ids it passes (installed with the\n"
           "documentation).\n"
           ".TP\n"
           ".I bash\\-completion/completions/radsh\n"
           "Completion of radsh's options for bash.\n";
}

constexpr const char *radsh_closing =
    ".SH ENVIRONMENT\n"
    "radsh reads no environment variable of its own: the switch's role and the output form are options.\n"
    "The dynamic loader's \\fBLD_LIBRARY_PATH\\fR takes part in finding \\fIlibradsim.so\\fR, the simulated\n"
    "platform, and \\fBTERM\\fR in line editing.\n"
    ".SH EXAMPLES\n"
    "Enable the service, set the timeout and show the running configuration:\n"
    ".PP\n"
    ".nf\n"
    ".RS\n"
    "radsh \\-c \"configure; radius enable; radius\\-server timeout 7; end; show running\\-config radius\"\n"
    ".RE\n"
    ".fi\n"
    ".PP\n"
    "Run a file of commands, echoing each, and show the servers as JSON:\n"
    ".PP\n"
    ".nf\n"
    ".RS\n"
    "radsh \\-\\-echo commands.txt\n"
    "radsh \\-c \"show radius\\-server | json\"\n"
    ".RE\n"
    ".fi\n"
    ".SH SEE ALSO\n"
    ".BR radiuscmd (3)\n";

}  // namespace

std::string radsh_manual(const CLI::App &app) {
    std::string name = app.get_description();
    name = name.substr(name.find(": ") + 2);
    return title("RADSH", 1, "User Commands") + ".SH NAME\nradsh \\- " + roff(name) +
           "\n"
           ".SH SYNOPSIS\n"
           ".B radsh\n[\\fIoptions\\fR] [\\fB\\-c\\fR \\fICOMMANDS\\fR | \\fIFILE\\fR]\n" +
           radsh_description + options_section(app) + modes_section() + radsh_key_bindings + filters_section() +
           commands_section() + radsh_exit_status + radsh_files() + radsh_closing;
}

namespace {

// Each handler with the commands bound to it, in the table's order.
std::string handlers_section() {
    std::vector<std::string_view> order;
    std::map<std::string_view, std::string> commands;
    for (const command_def &def : command_table()) {
        if (def.shape == call_shape::builtin) continue;
        if (!commands.contains(def.handler)) order.push_back(def.handler);
        std::string &text = commands[def.handler];
        text += (text.empty() ? "" : "\n.br\n") + ("\\fB" + roff(syntax_of(def)) + "\\fR");
        text += " (\\fIcmd_id\\fR " + std::to_string(def.cmd_id) + ")";
        if (def.shape == call_shape::running_config) {
            text += ", called with the running copy and, for \\fBall\\fR, the full form";
        }
    }
    std::string out = ".SS Handlers\nThe commands of radsh(1) bound to each handler:\n";
    for (std::string_view handler : order) out += ".TP\n.B " + roff(handler) + "\n" + commands[handler] + "\n";
    return out;
}

constexpr const char *library_synopsis =
    ".SH SYNOPSIS\n"
    ".nf\n"
    ".B #include \\(dqabi/radius_records.h\\(dq\n"
    ".B #include \\(dqabi/param_ids.h\\(dq\n"
    ".B #include \\(dqconfig/config_commands.h\\(dq\n"
    ".PP\n"
    ".BI \"typedef int32_t (*radius_handler_fn)(cmd_paraminfo *\" info );\n"
    ".fi\n"
    ".PP\n"
    "Compile with \\fBpkg\\-config \\-\\-cflags radiuscmd\\fR, or in CMake with \\fBfind_package(radiuscmd)\\fR\n"
    "and the target \\fBradiuscmd::headers\\fR (\\fBradiuscmd::radiuscmd\\fR to link the library).\n"
    "The file to load is \\fBpkg\\-config \\-\\-variable=plugin radiuscmd\\fR, or in CMake\n"
    "\\fB$<TARGET_SONAME_FILE:radiuscmd::radiuscmd>\\fR.\n";

constexpr const char *library_description =
    ".SH DESCRIPTION\n"
    "libradiuscmd is the RADIUS command library of a switch: a plug-in of the switch's command shell.\n"
    "Every RADIUS command of the shell's grammar is bound, by name, to one exported handler.\n"
    "The shell parses a command line, fills a \\fBcmd_paraminfo\\fR and calls the handler on its own thread;\n"
    "the handler reads the parameters, reads and writes the RADIUS daemon's configuration store, prints\n"
    "what the user is to see on the standard output or through the shell's tagged output channel, and\n"
    "returns a status.\n"
    ".PP\n"
    "The library leaves every platform call undefined: the process that loads it provides them (the\n"
    "switch's services, or \\fIlibradsim.so\\fR, the simulated platform).\n"
    "Load it with \\fBRTLD_NOW\\fR once the platform is in the process's global scope.\n"
    "It needs the C library only, not a C++ runtime; it keeps no state between calls, starts no thread\n"
    "and takes no lock.\n"
    ".SS The parsed-command block\n"
    "The shell fills a \\fBcmd_paraminfo\\fR and the library only reads it.\n"
    "Its layout is fixed for the 32-bit target and given field by field in\n"
    "\\fIabi/radius_records.h\\fR; bytes not named there are not read.\n"
    ".TP\n.B param_count\nThe number of parameters in \\fBparams\\fR, 0 to 64.\n"
    ".TP\n.B no_form\nNonzero when the command was entered with a leading \\fBno\\fR.\n"
    ".TP\n.BR session_handle \", \" msg_ctx_a \", \" msg_ctx_b\n"
    "The session and its two opaque request blocks, passed on with every store call.\n"
    ".TP\n.B cmd_id\nThe command variant, for handlers that serve several commands.\n"
    ".TP\n.BR submode_noop \", \" exec_noop\nWhen nonzero, the handlers concerned return 0 and do nothing.\n"
    ".TP\n.B is_active_sup\n1 on the active supervisor; displays of live data refuse to run elsewhere.\n"
    ".TP\n.B exec_flags\nBit \\fBEXEC_FLAG_REPLAY\\fR (0x4) is set while saved configuration is applied.\n"
    ".TP\n.B params\n"
    "Pointers to the parameters (\\fBcmd_param\\fR) in command-line order.\n"
    "A parameter's \\fBid\\fR (\\fIabi/param_ids.h\\fR) says what it is; \\fBtype\\fR is\n"
    "\\fBPARAM_TYPE_TEXT\\fR (\\fBvalue\\fR points to a NUL-terminated text),\n"
    "\\fBPARAM_TYPE_U32\\fR (\\fBvalue\\fR points to a \\fBuint32_t\\fR) or \\fBPARAM_TYPE_HOST\\fR\n"
    "(a text whose \\fBaddr_kind\\fR is \\fBADDR_KIND_IPV4\\fR, \\fBADDR_KIND_IPV6\\fR or\n"
    "\\fBADDR_KIND_HOSTNAME\\fR).\n"
    "Bare keywords carry their meaning in \\fBid\\fR alone.\n";

constexpr const char *library_closing =
    ".SH RETURN VALUE\n"
    "A handler returns 0 on success, and 1 on failure after printing the reason.\n"
    "The server-group command returns 255 on some failures, and the running-configuration generator\n"
    "returns the store's result code when a read fails.\n"
    "Bad input never changes the stored configuration: the write is a handler's last step.\n"
    ".SH ENVIRONMENT\n"
    "The library reads no environment variable, file or setting of its own.\n"
    ".SH EXAMPLES\n"
    "Set the RADIUS timeout to 7 seconds, as \\fBradius\\-server timeout 7\\fR does:\n"
    ".PP\n"
    ".nf\n"
    ".RS\n"
    "void *library = dlopen(plugin, RTLD_NOW | RTLD_LOCAL);\n"
    "radius_handler_fn handler;\n"
    "*(void **)&handler = dlsym(library, \"config_radius_global\");\n"
    "uint32_t seconds = 7;\n"
    "cmd_param timeout = { .id = PARAM_TIMEOUT, .type = PARAM_TYPE_U32, .value = &seconds };\n"
    "static cmd_paraminfo info;\n"
    "info.param_count = 1;\n"
    "info.params[0] = &timeout;\n"
    "int32_t status = handler(&info);\n"
    ".RE\n"
    ".fi\n"
    ".SH SEE ALSO\n"
    ".BR radsh (1),\n"
    ".BR dlopen (3)\n";

}  // namespace

std::string library_manual() {
    return title("RADIUSCMD", 3, "Library Functions Manual") +
           ".SH NAME\nradiuscmd \\- RADIUS command handlers for a switch's command shell\n" + library_synopsis +
           library_description + handlers_section() + library_closing;
}

}  // namespace radius::shell
