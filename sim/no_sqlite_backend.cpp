// The target build keeps its store in memory only: it has no SQLite.
#include "sim/store_backend.hpp"

namespace radsim {

bool sqlite_backend_built() { return false; }

std::unique_ptr<store_backend> make_sqlite_backend(const std::string &path, const sqlite_store_options &) {
    throw store_error("this build keeps its configuration store in memory only, so " + path + " cannot hold it");
}

}  // namespace radsim
