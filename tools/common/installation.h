// Where a tool finds the installation it works for, and the code-set
// registry it reads: every tool asks here, so that they agree.
#pragma once

#include <string>

namespace velmorad::tools {

// $VELMORADDIR when it is set; else the installation the program sits in
// (the directory above its bin/: an installed tool, and a tool in the build
// tree, which builds into the tree's own installation); else the product's
// default, /usr/velmorad.
std::string installation_dir();

// The registry a tool reads: the one given (--registry), else the
// installation's gls/cm3/registry.
std::string registry_path(const std::string &given);

// Reads the registry at path into the library's cache, after checking that
// the whole file is one: a file that cannot be read, a name longer than the
// library takes, a name without a number. An empty string, or the reason
// ("line 3: ...") when it is not a registry; nothing is cached then.
std::string load_registry(const std::string &path);

}  // namespace velmorad::tools
