// Shared by the initialisers of the text and time sections; not part of
// the folder's public face.
#pragma once

#include <initializer_list>

#include "gls/load/locale.h"

namespace gls {

// Every initialiser starts here: -1 without a character tree or when the
// primitives cannot be installed, 0 with GL_ENOCTYPE when the tree holds no
// character, 1 to go on.
int _gl_require_ctype(Locale *loc);

// Replaces the wide copy of each text; false at the first failure.
bool _gl_rewiden_all(Locale *loc, std::initializer_list<LocaleText *> texts);

}  // namespace gls
