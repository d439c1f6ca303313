// Shell commands that act on the simulated switch itself rather than
// through the command library: the RADIUS debugging flag, the test control
// of the AAA service's statistics and of the fabric's peers, and the test
// requests the AAA service sends.
#pragma once

#include "shell/parser.hpp"

namespace radius::shell {

// "debug radius" / "no debug radius": writes the debugging item of the
// configuration store.  False after printing why it failed.
bool set_radius_debugging(bool on);

// "simulate ...": a server dies or comes back, a counter takes a value,
// time passes on the AAA service's clock, or a peer switch of the fabric
// can or cannot be reached.  False after printing why.
bool simulate(const parsed_command &command);

// "show radius fabric peers": each peer, whether it can be reached, and
// whether its configuration is this switch's running one.
bool show_fabric_peers();
// "test aaa ...": one request to a server, or through a group's members,
// and the answer as a switch prints it.  True when the user was
// authenticated or the accounting request was answered.
bool test_aaa(const parsed_command &command);

}  // namespace radius::shell
