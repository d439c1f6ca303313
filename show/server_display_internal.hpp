// Internals of the server displays that tests reach directly.
#pragma once

namespace radius {

// qsort comparator of radius_server_cfg records: strcmp of their host texts,
// so the sorted display lists hosts in byte order, ascending.
int radius_server_host_cmp(const void *a, const void *b);

}  // namespace radius
