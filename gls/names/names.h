// Locale names, code-set numbers and the code-set registry.
#pragma once

namespace gls {

// Writes the message directory name for a locale specification ("de_de/0333"
// style) into out, which holds 260 bytes. Returns 0, or non-zero when the
// specification cannot be translated.
int gl_lc_spec2msg_dname(void *context, const char *spec, char *out, const char *registry_path,
                         const char *directory);

}  // namespace gls
