/* A command library without a single handler: loaded in its place, every
 * command of the shell must report its handler missing. */
int radius_empty_plugin_marker(void);
int radius_empty_plugin_marker(void) { return 0; }
